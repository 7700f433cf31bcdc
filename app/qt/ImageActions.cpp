#include "app/qt/ImageActions.h"

#include <QAction>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>
#include <iostream>
#include <optional>

#include "app/AppText.h"
#include "app/DorvelApp.h"
#include "app/qt/MainWindow.h"
#include "app/qt/RestoreDialog.h"
#include "model/clsIndOp_RigTavik.h"
#include "platform/AtomicFile.h"
#include "records/ImageFile.h"
#include "report/ServiceReport.h"

ImageActions::ImageActions(MainWindow& window, DorvelApp& app, std::string backupFolder)
    : window_(window), app_(app), backupFolder_(std::move(backupFolder))
{
    QMenu* file = window_.fileMenu();
    file->addSeparator();
    mnuFileSaveImage_ = file->addAction(QStringLiteral("&Save image..."));
    mnuFileWriteImage_ = file->addAction(QStringLiteral("&Write image to radio..."));
    mnuFileBackups_ = file->addAction(QStringLiteral("Open &backups folder"));
    mnuFileSaveReport_ = file->addAction(QStringLiteral("Save &report..."));
    const QString folder = QString::fromStdString(backupFolder_);
    QObject::connect(mnuFileSaveImage_, &QAction::triggered, &window_, [this] {
        if (!attached_)
            return;
        // Saved images are the operator's own; the backups folder is the program's.
        const QString path = QFileDialog::getSaveFileName(&window_, QStringLiteral("Save image"), suggestedImagePath(),
                                                          QStringLiteral("Images (*.bin);;All files (*)"));
        if (!path.isEmpty())
            saveImageTo(path.toStdString());
    });
    QObject::connect(mnuFileWriteImage_, &QAction::triggered, &window_, [this, folder] {
        if (!attached_ || app_.mainWindow().radioHeld())
            return;
        const QString path = QFileDialog::getOpenFileName(&window_, QStringLiteral("Write image to radio"), folder,
                                                          QStringLiteral("Images (*.bin);;All files (*)"));
        if (!path.isEmpty())
            writeImageFrom(path.toStdString());
    });
    QObject::connect(mnuFileBackups_, &QAction::triggered, &window_, [this] { openBackupsFolder(); });
    QObject::connect(mnuFileSaveReport_, &QAction::triggered, &window_, [this] { saveReport(); });
}

ImageActions::~ImageActions()
{
    if (attached_) {
        app_.restore().setView(nullptr);
        app_.imageKeeper().setWarn(nullptr);
    }
}

void ImageActions::attach()
{
    attached_ = true;
    app_.restore().setView(this);
    app_.imageKeeper().setWarn([this](const std::string& text) {
        std::cerr << "dorvel-adj: warning: " << text << std::endl;
        warn(text);
    });
}

void ImageActions::warn(const std::string& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromLatin1(kAppTitle), QString::fromStdString(text),
                                QMessageBox::Ok, &window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void ImageActions::saveReport()
{
    if (!attached_)
        return;
    const QString file = QFileDialog::getSaveFileName(&window_, QStringLiteral("Save report"), suggestedReportPath(),
                                                      QStringLiteral("PDF files (*.pdf)"));
    if (!file.isEmpty())
        saveReportTo(file.toStdString());
}

namespace {

QString stamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm"));
}

}  // namespace

QString ImageActions::suggestedReportPath() const
{
    return QDir::home().filePath(QStringLiteral("dorvel-report-%1.pdf").arg(stamp()));
}

QString ImageActions::suggestedImagePath() const
{
    // The model codes of the radio read at "Connect", as backups are named.
    const JournalEvent* id = app_.model().myJournal.identity();
    const QString codes = id != nullptr ? QString::fromStdString(ModelText(id->mainCode, id->subCode)) + '-' : QString();
    return QDir::home().filePath(QStringLiteral("dorvel-image-%1%2.bin").arg(codes, stamp()));
}

bool ImageActions::saveReportTo(const std::string& pdfPath)
{
    std::string reason;
    if (WriteServiceReport(app_.model().myJournal, app_.reportInfo(), pdfPath, QDateTime::currentSecsSinceEpoch(),
                           reason)) {
        app_.status().notice("Report saved to " + pdfPath);
        if (app_.history() != nullptr)
            app_.history()->fileWritten("report", pdfPath);
        return true;
    }
    QMessageBox::warning(&window_, QString::fromLatin1(kAppTitle),
                         QStringLiteral("The report could not be written: %1").arg(QString::fromStdString(reason)));
    return false;
}

bool ImageActions::saveImageTo(const std::string& path)
{
    clsIndOp_RigTavik& model = app_.model();
    if (!model.RigTavikProp_EditEnabled() && !model.RigTavikProp_DispPara()) {
        QMessageBox::information(&window_, QString::fromLatin1(kAppTitle),
                                 QStringLiteral("There is no image to save yet: \"Connect\" reads it from the radio."));
        return false;
    }
    std::string reason;
    if (app_.imageKeeper().saveAs(path, reason)) {
        app_.status().notice("Image saved to " + path);
        if (app_.history() != nullptr)
            app_.history()->fileWritten("image", path);
        return true;
    }
    QMessageBox::warning(&window_, QString::fromLatin1(kAppTitle),
                         QStringLiteral("The image could not be saved: %1").arg(QString::fromStdString(reason)));
    return false;
}

bool ImageActions::writeImageFrom(const std::string& path)
{
    ByteStr image;
    std::optional<ImageRecord> record;
    std::string reason;
    if (!LoadImageAndRecord(path, image, record, reason)) {
        QMessageBox::warning(&window_, QString::fromLatin1(kAppTitle),
                             QStringLiteral("This file cannot be written to the radio: %1")
                                 .arg(QString::fromStdString(reason)));
        return false;
    }
    restorePath_ = path;
    const bool connected = app_.model().RigTavikProp_EditEnabled() || app_.model().RigTavikProp_DispPara();
    if (!app_.restore().start(image, record))
        return false;
    restoreEndedJob_ = connected;
    return true;
}

void ImageActions::openBackupsFolder()
{
    const std::string folder = backupFolder_;
    if (MakeFolders(folder) != 0 || !QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder))))
        QMessageBox::information(&window_, QString::fromLatin1(kAppTitle),
                                 QStringLiteral("The backups are in %1").arg(QString::fromStdString(folder)));
}

void ImageActions::confirmChanges(ImageRestore& restore)
{
    // Asked without waiting: the tick goes on while the operator reads.
    auto* dialog = new RestoreDialog(restorePath_, restore.changes(), restore.warning(), &window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    restoreDialog_ = dialog;
    QObject::connect(dialog, &QDialog::finished, &window_, [this](int result) {
        restoreDialog_ = nullptr;
        app_.restore().answer(result == QDialog::Accepted);
    });
    dialog->open();
}

void ImageActions::restoreFinished(ImageRestore& restore)
{
    const ImageRestore::Outcome o = restore.outcome();
    std::string said = o == ImageRestore::Outcome::Verified   ? "The image was written and verified."
                       : o == ImageRestore::Outcome::Mismatch ? "The image was written, but the radio reads back otherwise."
                       : o == ImageRestore::Outcome::Failed   ? "The restore broke off: the message said what the radio holds."
                                                              : "Nothing was written.";
    if (restoreEndedJob_)
        said += " \"Connect\" is needed to adjust again: the restore took the radio from the console.";
    restoreEndedJob_ = false;
    app_.status().notice(said);
    // A failure of the link has had its own message; a cancel needs none.
    if (o == ImageRestore::Outcome::Failed || o == ImageRestore::Outcome::Cancelled)
        return;
    platform::MessageBox* box = window_.controls().msgBox;
    if (box == nullptr)
        return;
    const std::string detail = restore.backupPath().empty() ? "" : "Backup of the radio before: " + restore.backupPath();
    box->show(restore.message(), kAppTitle,
              o == ImageRestore::Outcome::Verified ? platform::MsgIcon::Information : platform::MsgIcon::Critical,
              detail);
}
