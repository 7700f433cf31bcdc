#pragma once
// The window's record keeping beside the specified menus: under "File",
// "Save image...", "Write image to radio..." (the restore, with its
// confirmation and its outcome), "Open backups folder" and "Save
// report..."; and the warning beside the window when a backup could not be
// written.
#include <string>

#include "records/ImageRestore.h"

class DorvelApp;
class MainWindow;
class QAction;
class QDialog;
class QString;

class ImageActions : public RestoreView {
public:
    // backupFolder: where the backups are, for the file dialog and "Open
    // backups folder". Adds the menu entries at once.
    ImageActions(MainWindow& window, DorvelApp& app, std::string backupFolder);
    ~ImageActions() override;
    ImageActions(const ImageActions&) = delete;
    ImageActions& operator=(const ImageActions&) = delete;

    // The program has started: the entries work from now on.
    void attach();

    bool saveImageTo(const std::string& path);
    bool writeImageFrom(const std::string& path);
    void openBackupsFolder();
    // "Save report...": the operator picks the PDF file; the JSON goes
    // beside it.
    void saveReport();
    // Writes the report of the journal; a failure is told in a warning.
    bool saveReportTo(const std::string& pdfPath);
    // The names the file dialogs offer: the report's with the date, the
    // image's with the radio's model codes and the date, in the home folder.
    QString suggestedReportPath() const;
    QString suggestedImagePath() const;

    QAction* mnuFileSaveImage() const { return mnuFileSaveImage_; }
    QAction* mnuFileWriteImage() const { return mnuFileWriteImage_; }
    QAction* mnuFileBackups() const { return mnuFileBackups_; }
    QAction* mnuFileSaveReport() const { return mnuFileSaveReport_; }
    // The confirmation of a restore while it is open, else null.
    QDialog* restoreDialog() const { return restoreDialog_; }

    // RestoreView: the question before the write, and the outcome.
    void confirmChanges(ImageRestore& restore) override;
    void restoreFinished(ImageRestore& restore) override;

private:
    // A note beside the window, not a modal box: the radio work goes on.
    void warn(const std::string& text);

    MainWindow& window_;
    DorvelApp& app_;
    std::string backupFolder_;
    bool attached_ = false;
    QAction* mnuFileSaveImage_ = nullptr;
    QAction* mnuFileWriteImage_ = nullptr;
    QAction* mnuFileBackups_ = nullptr;
    QAction* mnuFileSaveReport_ = nullptr;
    QDialog* restoreDialog_ = nullptr;
    std::string restorePath_;
    // A radio was connected when the restore began: its console is gone.
    bool restoreEndedJob_ = false;
};
