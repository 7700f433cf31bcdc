#pragma once
// The desktop program put together: the Qt serial port, timer and window,
// the settings file, the single-instance lock and the program's objects,
// and the window's entries beyond the specified menus.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <string>

#include "records/BackupStore.h"
#include "app/ComPortMap.h"
#include "app/DorvelApp.h"
#include "app/qt/ImageActions.h"
#include "app/qt/MainWindow.h"
#include "app/qt/PlotWindow.h"
#include "platform/ProfileFile.h"
#include "platform/SettingsLocation.h"
#include "platform/TickClock.h"
#include "platform/qt/QtInstanceLock.h"
#include "platform/qt/QtSerialPort.h"
#include "platform/qt/QtSerialPortList.h"
#include "platform/qt/ReportingSerialPort.h"
#include "platform/qt/QtTimer.h"

class HistoryWindow;
class ProcedureWindow;
class QDialog;

struct DesktopOptions {
    // Where "Velmara.rs" is read and written; "" chooses between the
    // program's folder and the user's configuration folder.
    std::string settingsFolder;
    // The single-instance lock file; "" takes the user's runtime folder.
    std::string lockPath;
    // Not "": every COM port opens this device, for this run only (the
    // simulated radio of the demo).
    std::string demoDevice;
    // The serial ports present; null for the system's own list.
    platform::SerialPortLister* portLister = nullptr;
    // Where backups of radio images go; "" for the user's backups folder.
    std::string backupFolder;
};

class DesktopApp {
public:
    explicit DesktopApp(const DesktopOptions& options = {});
    ~DesktopApp();
    DesktopApp(const DesktopApp&) = delete;
    DesktopApp& operator=(const DesktopApp&) = delete;

    // Start-up and the first showing of the window. False when another copy
    // runs: the operator has been told and no window was shown.
    bool start();
    // Closes the port, saves the settings and stops the tick; once. Settings
    // that could not be written are told on stderr and, with box, in a
    // warning box.
    void shutdown(bool box = true);

    MainWindow& window() { return window_; }
    DorvelApp& app() { return app_; }
    platform::QtSerialPort& port() { return port_; }
    const platform::SettingsFiles& settingsFiles() const { return settingsFiles_; }
    // "Port device...": the operator picks the device of the selected COM
    // port among those present; the choice is written at once.
    void choosePortDevice();
    QAction* mnuOptionPortDevice() const { return mnuOptionPortDevice_; }
    // View > "Sweep plots...": the plot window, made on first use.
    void showPlots();
    QAction* mnuViewPlots() const { return mnuViewPlots_; }
    PlotWindow* plotWindow() const { return plots_; }
    // View > "History...": the jobs of the history, made on first use and
    // listed again at each opening; disabled when the history is off.
    void showHistory();
    QAction* mnuViewHistory() const { return mnuViewHistory_; }
    HistoryWindow* historyWindow() const { return historyWindow_; }
    // Where a side window of the given size goes: to the right of the main
    // window when the screen has room, else to its left, else offset over it.
    static QPoint PlaceBeside(const QRect& main, const QSize& side, const QRect& screen);
    // File > "Job details...": the dialog while it is open, else null.
    void editJobDetails();
    QAction* mnuFileJobDetails() const { return mnuFileJobDetails_; }
    QDialog* jobDialog() const { return jobDialog_; }
    // Procedure > "Run procedure...": the operator picks a procedure file
    // (starting among the shipped ones); then the runner panel opens.
    void runProcedure();
    // The procedure at path into the runner panel, shown beside the main
    // window. A file that is no procedure is refused in a message box with
    // its line and reason. While a run goes on the panel only comes up.
    bool openProcedure(const std::string& path);
    QAction* mnuProcedureRun() const { return mnuProcedureRun_; }
    ProcedureWindow* procedureWindow() const { return procedures_; }
    // The Option > Port entries with the devices their numbers open now.
    void showPortDevices();

    // The File menu's image and report entries, the restore's view.
    ImageActions& images() { return images_; }

private:
    // Moves a side window beside the main window, as PlaceBeside says.
    void placeBeside(QWidget& side);

    platform::SettingsFiles settingsFiles_;
    platform::TextProfileFile profileFile_;
    ComPortMap portMap_;
    platform::QtSerialPortList systemPorts_;
    platform::SerialPortLister& portLister_;
    platform::QtInstanceLock lock_;
    platform::QtSerialPort port_;
    platform::ReportingSerialPort reportingPort_;
    platform::QtTimer timer_;
    platform::SystemTickClock clock_;
    FileBackupStore backups_;
    std::string historyProblem_;   // what of the history's settings is not used
    HistorySettings history_;
    MainWindow window_;
    DorvelApp app_;
    ImageActions images_;
    QAction* mnuOptionPortDevice_ = nullptr;
    QAction* mnuViewPlots_ = nullptr;
    QAction* mnuViewHistory_ = nullptr;
    QAction* mnuFileJobDetails_ = nullptr;
    QAction* mnuProcedureRun_ = nullptr;
    QDialog* jobDialog_ = nullptr;
    PlotWindow* plots_ = nullptr;   // owned by the main window
    HistoryWindow* historyWindow_ = nullptr;   // owned by the main window
    ProcedureWindow* procedures_ = nullptr;   // owned by the main window
    bool started_ = false;
    bool shutDown_ = false;
};
