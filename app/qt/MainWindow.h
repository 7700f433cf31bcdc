#pragma once
// The main window on Qt widgets. It owns the widgets and their platform
// wrappers, and hands keys, clicks, menu choices, resizes and the close
// request to the window's logic (frmMain); everything else is the logic's.
#include <QMainWindow>
#include <functional>
#include <memory>
#include <vector>

#include "app/MainWindowControls.h"
#include "platform/qt/QtControls.h"

class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class frmMain;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // The controls as the logic sees them.
    MainWindowControls& controls() { return controls_; }
    // The logic the window's events go to (none until start-up made it).
    void setLogic(frmMain* logic) { logic_ = logic; }
    // Called when the window is about to close, before it goes.
    void setOnClose(std::function<void()> onClose) { onClose_ = std::move(onClose); }

    // The widgets, for the front end and the tests.
    QPushButton* cmd00(int i) const { return cmd00_[i]; }
    QListWidget* lboConsole() const { return lboConsole_; }
    QListWidget* lbo01(int i) const { return lbo01_[i]; }
    QFrame* fra01(int i) const { return fra01_[i]; }
    QLabel* lblTitle() const { return lblTitle_; }
    QLabel* lblProgress() const { return lblProgress_; }
    QLabel* lblComBusy() const { return lblComBusy_; }
    QPlainTextEdit* txtDispPara() const { return txtDispPara_; }
    QWidget* linSepa(int i) const { return linSepa_[i]; }
    QAction* mnuFileExit() const { return mnuFileExit_; }
    QAction* mnuOptSelCom(int i) const { return mnuOptSelCom_[i]; }
    QAction* mnuOptionSelAutoRelease(int i) const { return mnuOptionSelAutoRelease_[i]; }
    // The menus, for the entries that come after the window's own.
    QMenu* fileMenu() const { return fileMenu_; }
    QMenu* optionMenu() const { return optionMenu_; }
    QMenu* portMenu() const { return portMenu_; }
    // The status line under the panels: the phase and the last notice.
    QLabel* statusPhase() const { return statusPhase_; }
    QLabel* statusNotice() const { return statusNotice_; }
    const platform::TwipScale& scale() const { return scale_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    void wireControls();
    bool keyPressed(QObject* watched, const QKeyEvent& key);
    int commandIndex(QObject* watched) const;

    platform::TwipScale scale_;
    platform::TabOrder tabOrder_;
    frmMain* logic_ = nullptr;
    std::function<void()> onClose_;

    // Widgets (owned by their Qt parents).
    QPushButton* cmd00_[3] = {};
    QListWidget* lboConsole_ = nullptr;
    QListWidget* lbo01_[2] = {};
    QFrame* fra01_[4] = {};
    QLabel* lblTitle_ = nullptr;
    QLabel* lblProgress_ = nullptr;
    QLabel* lblComBusy_ = nullptr;
    QPlainTextEdit* txtDispPara_ = nullptr;
    QPlainTextEdit* txtAllData_ = nullptr;
    QWidget* linSepa_[2] = {};
    QAction* mnuFileExit_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* optionMenu_ = nullptr;
    QMenu* portMenu_ = nullptr;
    QLabel* statusPhase_ = nullptr;
    QLabel* statusNotice_ = nullptr;
    QAction* mnuOptSelCom_[5] = {};
    QAction* mnuOptionSelAutoRelease_[6] = {};

    // Their platform wrappers.
    std::unique_ptr<platform::QtListBox> consoleBox_;
    std::unique_ptr<platform::QtListBox> readoutBox_[2];
    std::unique_ptr<platform::QtLabel> title_, progress_, comBusy_;
    std::unique_ptr<platform::Label> phase_, notice_;
    std::unique_ptr<platform::QtWindowCaption> caption_;
    std::unique_ptr<platform::QtTextBox> dispPara_, allData_;
    std::unique_ptr<platform::QtFrame> frames_[4];
    std::unique_ptr<platform::QtButton> buttons_[3];
    std::unique_ptr<platform::QtMenuItem> comItems_[5];
    std::unique_ptr<platform::QtMenuItem> releaseItems_[6];
    std::unique_ptr<platform::QtMessageBox> msgBox_;
    std::unique_ptr<platform::QtBeeper> beeper_;
    std::unique_ptr<platform::QtFormGeometry> form_;
    std::unique_ptr<platform::QtLine> lines_[2];
    std::vector<std::unique_ptr<platform::QtPlaceable>> places_;

    MainWindowControls controls_;
};
