// dorvel-adj-cli session: the program headless, one command per line on
// standard input, answers on standard output. It is the scripting interface
// of production benches and of the tests; the commands are SessionCommands'.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <fcntl.h>
#include <unistd.h>

#include <iostream>

#include "report/ServiceReport.h"
#include "cli/Commands.h"
#include "cli/HeadlessApp.h"
#include "cli/SessionCommands.h"
#include "platform/WallClock.h"

int CliSession(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("session", args, {"--device"}, opt))
        return 2;
    if (opt.device.empty() || !opt.positional.empty()) {
        std::cerr << "dorvel-adj-cli session: usage: session --device PATH" << std::endl;
        return 2;
    }
    HeadlessApp headless(opt.device);
    Session session(headless.app, headless.window, headless, std::cout);
    session.setErrorStream(&std::cerr);
    session.setReportWriter([&](const std::string& file, std::string& reason) {
        if (!WriteServiceReport(headless.app.model().myJournal, headless.app.reportInfo(), file,
                                platform::SystemWallClock().UnixSeconds(), reason))
            return false;
        if (headless.app.history() != nullptr)
            headless.app.history()->fileWritten("report", file);
        return true;
    });
    SessionReader reader(session);
    // Standard input is read as it arrives, so that the program keeps
    // ticking between commands; a command that runs the program (connect,
    // wait, idle) holds further input until it is done.
    fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
    QSocketNotifier notifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        notifier.setEnabled(false);
        char buf[4096];
        for (;;) {
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n > 0 && reader.feed(buf, static_cast<size_t>(n)))
                continue;
            if (n == 0)
                reader.end();   // end of input is quit
            if (n >= 0) {
                QCoreApplication::quit();
                return;
            }
            break;   // nothing more waiting for now
        }
        notifier.setEnabled(true);
    });
    QCoreApplication::exec();
    // Scripts learn from the status whether everything went well.
    return session.failed() ? 1 : 0;
}
