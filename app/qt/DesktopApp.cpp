#include "app/qt/DesktopApp.h"

#include <iostream>

#include "platform/SettingsLocation.h"

namespace {

const char kSettingsName[] = "Velmara.rs";

std::string chooseFolder(const std::string& given)
{
    return given.empty() ? platform::SettingsFolder(platform::ProgramFolder(), kSettingsName) : given;
}

}  // namespace

bool ReportingSerialPort::setPortOpen(bool open)
{
    const bool ok = port_.setPortOpen(open);
    if (open && !ok)
        std::cerr << "dorvel-adj: COM " << port_.commPort() << " (" << port_.devicePath()
                  << ") cannot be opened: " << port_.lastOpenError() << std::endl;
    return ok;
}

DesktopApp::DesktopApp(const DesktopOptions& options)
    : settingsFolder_(chooseFolder(options.settingsFolder)),
      settingsFile_(settingsFolder_ + (settingsFolder_.empty() || settingsFolder_.back() != '/' ? "/" : "") +
                    kSettingsName),
      demoDevice_(options.demoDevice),
      portMap_(profileFile_, settingsFile_),
      lock_(options.lockPath.empty() ? platform::QtInstanceLock::DefaultPath() : options.lockPath),
      port_([this](int16_t n) { return devicePath(n); }),
      reportingPort_(port_),
      app_(AppPlatform{&reportingPort_, &timer_, &clock_, &lock_, &profileFile_, settingsFolder_},
           window_.controls())
{
    window_.setOnClose([this] { shutdown(); });
}

DesktopApp::~DesktopApp()
{
    window_.setLogic(nullptr);
    shutdown();
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
    window_.setLogic(&app_.mainWindow());
    app_.mainWindow().Form_Load();
    window_.show();
    return true;
}

void DesktopApp::shutdown()
{
    if (!started_ || shutDown_)
        return;
    shutDown_ = true;
    app_.Shutdown();
}
