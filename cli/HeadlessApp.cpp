#include "cli/HeadlessApp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <iostream>

HeadlessApp::HeadlessApp(const std::string& device)
    : port([device](int16_t) { return device; }),
      backups(DefaultBackupFolder()),
      app(AppPlatform{&port, &timer, &clock, nullptr, nullptr, {}, nullptr, &backups, true}, window.controls)
{
    app.Main();
    app.imageKeeper().setWarn(
        [](const std::string& text) { std::cerr << "dorvel-adj-cli: warning: " << text << std::endl; });
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
