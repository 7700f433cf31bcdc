#include "app/qt/DesktopApp.h"

#include <QAction>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QUrl>
#include <iostream>

#include "app/AppText.h"
#include "app/AtomicFile.h"
#include "app/qt/PortDeviceDialog.h"
#include "app/qt/RestoreDialog.h"
#include "app/qt/ServiceReport.h"
#include "model/clsIndOp_RigTavik.h"

namespace {

const char kSettingsName[] = "Velmara.rs";

platform::SettingsFiles chooseFiles(const std::string& folder)
{
    if (folder.empty())
        return platform::SettingsLocation(platform::ProgramFolder(), kSettingsName);
    const std::string file = folder + (folder.back() == '/' ? "" : "/") + kSettingsName;
    return {file, file};
}

std::string folderOf(const std::string& file)
{
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

}  // namespace

bool ReportingSerialPort::setPortOpen(bool open)
{
    const bool ok = port_.setPortOpen(open);
    if (open && !ok)
        std::cerr << "dorvel-adj: " << port_.openFailure() << std::endl;
    return ok;
}

DesktopApp::DesktopApp(const DesktopOptions& options)
    : settingsFiles_(chooseFiles(options.settingsFolder)),
      demoDevice_(options.demoDevice),
      portMap_(profileFile_, settingsFiles_.read),
      portLister_(options.portLister != nullptr ? *options.portLister : systemPorts_),
      lock_(options.lockPath.empty() ? platform::QtInstanceLock::DefaultPath() : options.lockPath),
      port_([this](int16_t n) { return devicePath(n); }),
      reportingPort_(port_),
      backups_(options.backupFolder.empty() ? DefaultBackupFolder() : options.backupFolder),
      app_(AppPlatform{&reportingPort_, &timer_, &clock_, &lock_, &profileFile_, folderOf(settingsFiles_.read),
                       nullptr, &backups_},
           window_.controls())
{
    if (settingsFiles_.write != settingsFiles_.read)
        profileFile_.setWriteTo(settingsFiles_.read, settingsFiles_.write);
    window_.setOnClose([this] { shutdown(); });
    portMap_.setLister(&portLister_);
    portMap_.setNotice([](const std::string& notice) { std::cerr << "dorvel-adj: " << notice << std::endl; });
    mnuOptionPortDevice_ = window_.optionMenu()->addAction(QStringLiteral("Port &device..."));
    QObject::connect(mnuOptionPortDevice_, &QAction::triggered, &window_, [this] { choosePortDevice(); });
    addFileEntries();
    mnuFileSaveReport_ = window_.fileMenu()->addAction(QStringLiteral("Save &report..."));
    QObject::connect(mnuFileSaveReport_, &QAction::triggered, &window_, [this] { saveReport(); });
    // After the window's own menus.
    QMenu* view = window_.menuBar()->addMenu(QStringLiteral("&View"));
    mnuViewPlots_ = view->addAction(QStringLiteral("&Sweep plots..."));
    QObject::connect(mnuViewPlots_, &QAction::triggered, &window_, [this] { showPlots(); });
}

void DesktopApp::saveReport()
{
    if (!started_)
        return;
    const QString suggested = QDir::home().filePath(
        QStringLiteral("dorvel-report-%1.pdf").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm"))));
    const QString file = QFileDialog::getSaveFileName(&window_, QStringLiteral("Save report"), suggested,
                                                      QStringLiteral("PDF files (*.pdf)"));
    if (!file.isEmpty())
        saveReportTo(file.toStdString());
}

bool DesktopApp::saveReportTo(const std::string& pdfPath)
{
    std::string reason;
    if (WriteServiceReport(app_.model().myJournal, pdfPath, QDateTime::currentSecsSinceEpoch(), reason))
        return true;
    QMessageBox::warning(&window_, QString::fromLatin1(kAppTitle),
                         QStringLiteral("The report could not be written: %1").arg(QString::fromStdString(reason)));
    return false;
}

void DesktopApp::showPlots()
{
    if (!started_)
        return;
    if (plots_ == nullptr)
        plots_ = new PlotWindow(app_.model().myJournal, &window_);
    plots_->show();
    plots_->raise();
}

void DesktopApp::addFileEntries()
{
    QMenu* file = window_.fileMenu();
    file->addSeparator();
    mnuFileSaveImage_ = file->addAction(QStringLiteral("&Save image..."));
    mnuFileWriteImage_ = file->addAction(QStringLiteral("&Write image to radio..."));
    mnuFileBackups_ = file->addAction(QStringLiteral("Open &backups folder"));
    const QString folder = QString::fromStdString(backups_.folder());
    QObject::connect(mnuFileSaveImage_, &QAction::triggered, &window_, [this] {
        if (!started_)
            return;
        // Saved images are the operator's own; the backups folder is the program's.
        const QString path = QFileDialog::getSaveFileName(&window_, QStringLiteral("Save image"), QDir::homePath(),
                                                          QStringLiteral("Images (*.bin);;All files (*)"));
        if (!path.isEmpty())
            saveImageTo(path.toStdString());
    });
    QObject::connect(mnuFileWriteImage_, &QAction::triggered, &window_, [this, folder] {
        if (!started_ || app_.mainWindow().radioHeld())
            return;
        const QString path = QFileDialog::getOpenFileName(&window_, QStringLiteral("Write image to radio"), folder,
                                                          QStringLiteral("Images (*.bin);;All files (*)"));
        if (!path.isEmpty())
            writeImageFrom(path.toStdString());
    });
    QObject::connect(mnuFileBackups_, &QAction::triggered, &window_, [this] { openBackupsFolder(); });
}

void DesktopApp::warn(const std::string& text)
{
    // A note beside the window, not a modal box: the radio work goes on.
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromLatin1(kAppTitle), QString::fromStdString(text),
                                QMessageBox::Ok, &window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

bool DesktopApp::saveImageTo(const std::string& path)
{
    clsIndOp_RigTavik& model = app_.model();
    if (!model.RigTavikProp_EditEnabled() && !model.RigTavikProp_DispPara()) {
        QMessageBox::information(&window_, QString::fromLatin1(kAppTitle),
                                 QStringLiteral("There is no image to save yet: \"Connect\" reads it from the radio."));
        return false;
    }
    std::string reason;
    if (app_.imageKeeper().saveAs(path, reason))
        return true;
    QMessageBox::warning(&window_, QString::fromLatin1(kAppTitle),
                         QStringLiteral("The image could not be saved: %1").arg(QString::fromStdString(reason)));
    return false;
}

bool DesktopApp::writeImageFrom(const std::string& path)
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
    return app_.restore().start(image, record);
}

void DesktopApp::openBackupsFolder()
{
    const std::string folder = backups_.folder();
    if (MakeFolders(folder) != 0 || !QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder))))
        QMessageBox::information(&window_, QString::fromLatin1(kAppTitle),
                                 QStringLiteral("The backups are in %1").arg(QString::fromStdString(folder)));
}

void DesktopApp::confirmChanges(ImageRestore& restore)
{
    // Asked without waiting: the tick goes on while the operator reads.
    auto* dialog = new RestoreDialog(restorePath_, restore.changes(), &window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    restoreDialog_ = dialog;
    QObject::connect(dialog, &QDialog::finished, &window_, [this](int result) {
        restoreDialog_ = nullptr;
        app_.restore().answer(result == QDialog::Accepted);
    });
    dialog->open();
}

void DesktopApp::restoreFinished(ImageRestore& restore)
{
    const ImageRestore::Outcome o = restore.outcome();
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

void DesktopApp::choosePortDevice()
{
    if (!started_)
        return;
    const int16_t portNo = app_.mainWindow().ComPortNo();
    PortDeviceDialog dialog(portNo, portLister_.list(), &window_);
    if (dialog.exec() != QDialog::Accepted || dialog.chosen().empty())
        return;
    if (!portMap_.setDevicePath(portNo, dialog.chosen()))
        QMessageBox::warning(&window_, QString::fromLatin1(kAppTitle),
                             QStringLiteral("The choice could not be written to %1.")
                                 .arg(QString::fromStdString(settingsFiles_.write)));
}

DesktopApp::~DesktopApp()
{
    window_.setLogic(nullptr);
    if (started_)
        app_.restore().setView(nullptr);
    shutdown(false);
}

std::string DesktopApp::devicePath(int16_t portNo)
{
    if (!demoDevice_.empty() && started_ && portNo == app_.mainWindow().ComPortNo())
        return demoDevice_;
    return portMap_.DevicePath(portNo);
}

bool DesktopApp::start()
{
    if (!app_.Main())
        return false;
    started_ = true;
    app_.restore().setView(this);
    app_.imageKeeper().setWarn([this](const std::string& text) {
        std::cerr << "dorvel-adj: warning: " << text << std::endl;
        warn(text);
    });
    window_.setLogic(&app_.mainWindow());
    app_.mainWindow().Form_Load();
    window_.show();
    return true;
}

void DesktopApp::shutdown(bool box)
{
    if (!started_ || shutDown_)
        return;
    shutDown_ = true;
    app_.Shutdown();
    if (!app_.mainWindow().profileSaveFailed())
        return;
    const std::string text = "The settings could not be written to " + settingsFiles_.write + ": " +
                             profileFile_.lastFailure() + ". The port and release time of this session are lost.";
    std::cerr << "dorvel-adj: warning: " << text << std::endl;
    if (box)
        QMessageBox::warning(&window_, QString::fromLatin1(kAppTitle), QString::fromStdString(text));
}
