#include "app/qt/DesktopApp.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>

#include "DorvelVersion.h"
#include "app/AppText.h"
#include "app/HistorySettingsIO.h"
#include "app/qt/HistoryWindow.h"
#include "app/qt/JobDialog.h"
#include "app/qt/PortDeviceDialog.h"
#include "app/qt/ProcedureWindow.h"

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


DesktopApp::DesktopApp(const DesktopOptions& options)
    : settingsFiles_(chooseFiles(options.settingsFolder)),
      portMap_(profileFile_, settingsFiles_.read),
      portLister_(options.portLister != nullptr ? *options.portLister : systemPorts_),
      lock_(options.lockPath.empty() ? platform::QtInstanceLock::DefaultPath() : options.lockPath),
      port_([this](int16_t n) { return portMap_.DevicePath(n); }),
      reportingPort_(port_, "dorvel-adj"),
      backups_(options.backupFolder.empty() ? DefaultBackupFolder() : options.backupFolder),
      history_(ReadHistorySettings(profileFile_, settingsFiles_.read, historyProblem_)),
      app_(AppPlatform{&reportingPort_, &timer_, &clock_, &lock_, &profileFile_, folderOf(settingsFiles_.read),
                       nullptr, &backups_, false, &history_},
           window_.controls()),
      images_(window_, app_, backups_.folder())
{
    if (settingsFiles_.write != settingsFiles_.read)
        profileFile_.setWriteTo(settingsFiles_.read, settingsFiles_.write);
    window_.setOnClose([this] { shutdown(); });
    portMap_.setLister(&portLister_);
    portMap_.setRunDevice(options.demoDevice);
    portMap_.setNotice([](const std::string& notice) { std::cerr << "dorvel-adj: " << notice << std::endl; });
    if (!historyProblem_.empty())
        std::cerr << "dorvel-adj: " << historyProblem_ << std::endl;
    mnuOptionPortDevice_ = window_.optionMenu()->addAction(QStringLiteral("Port &device..."));
    QObject::connect(mnuOptionPortDevice_, &QAction::triggered, &window_, [this] { choosePortDevice(); });
    // After the window's own menus.
    QMenu* view = window_.menuBar()->addMenu(QStringLiteral("&View"));
    mnuViewPlots_ = view->addAction(QStringLiteral("&Sweep plots..."));
    QObject::connect(mnuViewPlots_, &QAction::triggered, &window_, [this] { showPlots(); });
    mnuViewHistory_ = view->addAction(QStringLiteral("&History..."));
    view->setToolTipsVisible(true);
    QObject::connect(mnuViewHistory_, &QAction::triggered, &window_, [this] { showHistory(); });
    QMenu* procedure = window_.menuBar()->addMenu(QStringLiteral("&Procedure"));
    mnuProcedureRun_ = procedure->addAction(QStringLiteral("&Run procedure..."));
    QObject::connect(mnuProcedureRun_, &QAction::triggered, &window_, [this] { runProcedure(); });
    // After the image and report entries.
    mnuFileJobDetails_ = window_.fileMenu()->addAction(QStringLiteral("&Job details..."));
    QObject::connect(mnuFileJobDetails_, &QAction::triggered, &window_, [this] { editJobDetails(); });
    QObject::connect(window_.portMenu(), &QMenu::aboutToShow, &window_, [this] { showPortDevices(); });
}

void DesktopApp::showPortDevices()
{
    const bool simulated = !portMap_.runDevice().empty();
    for (int16_t i = 1; i <= 4; ++i) {
        const std::string device = portMap_.DevicePath(i, false);
        window_.mnuOptSelCom(i)->setText(QStringLiteral("COM &%1 (%2%3)")
                                             .arg(i)
                                             .arg(QString::fromStdString(device),
                                                  simulated ? QStringLiteral(", the simulated radio") : QString()));
    }
}

void DesktopApp::editJobDetails()
{
    if (!started_ || jobDialog_ != nullptr)
        return;
    JobRecord& job = app_.job();
    auto* dialog = new JobDialog(job.details(), job.connected(), !job.connected() && !app_.model().RigTavikProp_Idle(),
                                 &window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    jobDialog_ = dialog;
    // Asked without waiting: the tick goes on while the operator types.
    QObject::connect(dialog, &QDialog::finished, &window_, [this, dialog](int result) {
        jobDialog_ = nullptr;
        if (result != QDialog::Accepted)
            return;
        const JobDetails d = dialog->details();
        app_.job().setDetail("technician", d.technician);
        app_.job().setDetail("order", d.order);
        app_.job().setDetail("serial", d.serial);
    });
    dialog->open();
}

QPoint DesktopApp::PlaceBeside(const QRect& main, const QSize& side, const QRect& screen)
{
    const int top = std::clamp(main.top(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - side.height()));
    if (main.right() + 1 + side.width() <= screen.right() + 1)
        return {main.right() + 1, top};
    if (main.left() - side.width() >= screen.left())
        return {main.left() - side.width(), top};
    // No room either side: offset, so that the main window's buttons stay in sight.
    const int offset = 48;
    return {std::min(main.left() + offset, std::max(screen.left(), screen.right() + 1 - side.width())),
            std::min(main.top() + offset * 2, std::max(screen.top(), screen.bottom() + 1 - side.height()))};
}



void DesktopApp::placeBeside(QWidget& side)
{
    const QScreen* screen = window_.screen();
    // The frame the window system adds is the main window's again.
    const QSize frame = window_.frameGeometry().size() - window_.size();
    if (screen != nullptr)
        side.move(PlaceBeside(window_.frameGeometry(), side.size() + frame, screen->availableGeometry()));
}

void DesktopApp::showPlots()
{
    if (!started_)
        return;
    if (plots_ == nullptr) {
        plots_ = new PlotWindow(app_.model().myJournal, &window_);
        placeBeside(*plots_);
    }
    plots_->show();
    plots_->raise();
}

void DesktopApp::showHistory()
{
    if (!started_ || app_.history() == nullptr)
        return;
    if (historyWindow_ == nullptr) {
        historyWindow_ = new HistoryWindow([this] { return app_.history(); }, &window_);
        placeBeside(*historyWindow_);
    }
    // Listed again at each opening: the jobs since the last look are in.
    historyWindow_->search();
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
}

void DesktopApp::runProcedure()
{
    if (!started_)
        return;
    if (app_.runner().running()) {
        openProcedure({});
        return;
    }
    const std::string shipped = ProcedurePanel::ShippedFolder(platform::ProgramFolder(), DORVEL_BUILD_TREE,
                                                              DORVEL_SOURCE_TREE);
    const QString path = QFileDialog::getOpenFileName(
        &window_, QStringLiteral("Run procedure"), QString::fromStdString(shipped),
        QStringLiteral("Procedures (*.yaml *.yml);;All files (*)"));
    if (!path.isEmpty())
        openProcedure(path.toStdString());
}

bool DesktopApp::openProcedure(const std::string& path)
{
    if (!started_)
        return false;
    if (!app_.runner().running()) {
        Procedure procedure;
        std::string error;
        if (!LoadProcedure(path, procedure, error)) {
            QMessageBox::warning(&window_, QString::fromLatin1(kAppTitle),
                                 QStringLiteral("This procedure cannot be run:\n%1").arg(QString::fromStdString(error)));
            return false;
        }
        std::ifstream file(path, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (procedures_ == nullptr) {
            procedures_ = new ProcedureWindow(app_.runner(), DORVEL_VERSION, &window_);
            procedures_->panel().setHistory(app_.history());
            placeBeside(*procedures_);
        }
        procedures_->setProcedure(procedure, text, path);
    }
    if (procedures_ == nullptr)
        return false;
    procedures_->show();
    procedures_->raise();
    procedures_->activateWindow();
    return true;
}

void DesktopApp::choosePortDevice()
{
    if (!started_)
        return;
    const int16_t portNo = app_.mainWindow().ComPortNo();
    PortDeviceDialog dialog(portNo, [this] { return portLister_.list(); }, portMap_.DevicePath(portNo, false),
                            !portMap_.runDevice().empty(), &window_);
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
    shutdown(false);
}


bool DesktopApp::start()
{
    if (!app_.Main())
        return false;
    started_ = true;
    images_.attach();
    if (app_.history() == nullptr) {
        mnuViewHistory_->setEnabled(false);
        mnuViewHistory_->setToolTip(QStringLiteral("The job history is off in the settings file ([HISTORY] Enabled)."));
    }
    window_.setLogic(&app_.mainWindow());
    app_.mainWindow().Form_Load();
    showPortDevices();
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
