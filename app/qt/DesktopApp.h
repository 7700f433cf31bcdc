#pragma once
// The desktop program put together: the Qt serial port, timer and window,
// the settings file, the single-instance lock and the program's objects.
#include <string>

#include "app/BackupStore.h"
#include "app/ComPortMap.h"
#include "app/DorvelApp.h"
#include "app/qt/MainWindow.h"
#include "app/qt/PlotWindow.h"
#include "platform/ForwardingSerialPort.h"
#include "platform/ProfileFile.h"
#include "platform/SettingsLocation.h"
#include "platform/TickClock.h"
#include "platform/qt/QtInstanceLock.h"
#include "platform/qt/QtSerialPort.h"
#include "platform/qt/QtSerialPortList.h"
#include "platform/qt/QtTimer.h"

struct DesktopOptions {
    // Where "Velmara.rs" is read and written; "" chooses between the
    // program's folder and the user's configuration folder.
    std::string settingsFolder;
    // The single-instance lock file; "" takes the user's runtime folder.
    std::string lockPath;
    // Not "": the COM port selected in the menu opens this device, for this
    // run only (the simulated radio of the demo).
    std::string demoDevice;
    // The serial ports present; null for the system's own list.
    platform::SerialPortLister* portLister = nullptr;
    // Where backups of radio images go; "" for the user's backups folder.
    std::string backupFolder;
};

// A serial port that says on stderr which device it could not open and why;
// the operator's message box keeps the program's own text.
class ReportingSerialPort : public platform::ForwardingSerialPort {
public:
    explicit ReportingSerialPort(platform::QtSerialPort& port) : ForwardingSerialPort(port), port_(port) {}
    bool setPortOpen(bool open) override;

private:
    platform::QtSerialPort& port_;
};

class DesktopApp : public RestoreView {
public:
    explicit DesktopApp(const DesktopOptions& options = {});
    ~DesktopApp() override;
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
    // "Save report...": the operator picks the PDF file; the JSON goes
    // beside it.
    void saveReport();
    // Writes the report of the journal; a failure is told in a warning.
    bool saveReportTo(const std::string& pdfPath);
    QAction* mnuFileSaveReport() const { return mnuFileSaveReport_; }
    // View > "Sweep plots...": the plot window, made on first use.
    void showPlots();
    QAction* mnuViewPlots() const { return mnuViewPlots_; }
    PlotWindow* plotWindow() const { return plots_; }

    // File menu, after "E&xit": "Save image...", "Write image to radio...",
    // "Open backups folder". The first two ask for a file, then do what
    // saveImageTo and writeImageFrom do.
    bool saveImageTo(const std::string& path);
    bool writeImageFrom(const std::string& path);
    void openBackupsFolder();
    QAction* mnuFileSaveImage() const { return mnuFileSaveImage_; }
    QAction* mnuFileWriteImage() const { return mnuFileWriteImage_; }
    QAction* mnuFileBackups() const { return mnuFileBackups_; }
    // The confirmation of a restore while it is open, else null.
    QDialog* restoreDialog() const { return restoreDialog_; }

    // RestoreView: the question before the write, and the outcome.
    void confirmChanges(ImageRestore& restore) override;
    void restoreFinished(ImageRestore& restore) override;

private:
    std::string devicePath(int16_t portNo);
    void addFileEntries();
    void warn(const std::string& text);

    platform::SettingsFiles settingsFiles_;
    std::string demoDevice_;
    platform::TextProfileFile profileFile_;
    ComPortMap portMap_;
    platform::QtSerialPortList systemPorts_;
    platform::SerialPortLister& portLister_;
    platform::QtInstanceLock lock_;
    platform::QtSerialPort port_;
    ReportingSerialPort reportingPort_;
    platform::QtTimer timer_;
    platform::SystemTickClock clock_;
    FileBackupStore backups_;
    MainWindow window_;
    DorvelApp app_;
    QAction* mnuOptionPortDevice_ = nullptr;
    QAction* mnuFileSaveReport_ = nullptr;
    QAction* mnuViewPlots_ = nullptr;
    PlotWindow* plots_ = nullptr;   // owned by the main window
    QAction* mnuFileSaveImage_ = nullptr;
    QAction* mnuFileWriteImage_ = nullptr;
    QAction* mnuFileBackups_ = nullptr;
    QDialog* restoreDialog_ = nullptr;
    std::string restorePath_;
    bool started_ = false;
    bool shutDown_ = false;
};
