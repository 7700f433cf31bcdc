#include "cli/HeadlessApp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <iostream>

#include "app/HistorySettingsIO.h"
#include "platform/SettingsLocation.h"

namespace {

void warn(const std::string& text)
{
    std::cerr << "dorvel-adj-cli: warning: " << text << std::endl;
}

}  // namespace

HistorySettings CliHistorySettings()
{
    platform::TextProfileFile profile;
    std::string problem;
    HistorySettings s = ReadHistorySettings(
        profile, platform::SettingsLocation(platform::ProgramFolder(), "Velmara.rs").read, problem);
    if (!problem.empty())
        warn(problem);
    return s;
}

HeadlessApp::HeadlessApp(const std::string& device)
    : port([device](int16_t) { return device; }),
      backups(DefaultBackupFolder()),
      history(CliHistorySettings()),
      app(AppPlatform{&port, &timer, &clock, nullptr, nullptr, {}, nullptr, &backups, true, &history},
          window.controls)
{
    app.Main();
    app.imageKeeper().setWarn(warn);
    if (app.history() != nullptr)
        app.history()->setWarn([](const std::string& text) {
            // Each warning on a line of its own.
            size_t from = 0;
            for (size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
                warn(text.substr(from, nl - from));
            warn(text.substr(from));
        });
}

HeadlessApp::~HeadlessApp()
{
    app.Shutdown();
}

bool HeadlessApp::runUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(2);
    bool result = done();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        result = done();
        if (result || (ms >= 0 && elapsed.elapsed() >= ms))
            loop.quit();
    });
    if (result)
        return true;
    poll.start();
    loop.exec();
    return result;
}
