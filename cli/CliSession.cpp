// dorvel-adj-cli session: the program headless, one command per line on
// standard input, answers on standard output. It is the scripting interface
// of production benches and of the tests; the same objects, tick and window
// logic run as in the window, with in-memory controls whose lines it prints.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <sstream>

#include "app/JournalJson.h"
#include "app/qt/ServiceReport.h"
#include "cli/Commands.h"
#include "cli/HeadlessApp.h"
#include "model/clsIndOp_RigTavik.h"
#include "platform/WallClock.h"

namespace {

// How long `idle` waits for a quiet edit cycle before giving up.
constexpr int kIdleLimitMs = 60000;
// How long `quit` lets changed values go out before it closes the port.
constexpr int kQuitLimitMs = 10000;

void printLines(const std::string& crlfText, const char* prefix = "")
{
    std::istringstream in(TerminalText(crlfText));
    for (std::string line; std::getline(in, line);)
        std::cout << prefix << line << '\n';
}

class Session {
public:
    explicit Session(const std::string& device) : h_(device)
    {
        h_.window.msgBox.onShow = [this](const platform::MemoryMessageBox::Shown& s) {
            printLines(s.text, "message: ");
            if (!s.detail.empty())
                printLines(s.detail, "detail: ");
            std::cout.flush();
            ++messages_;
            if (lastMessage_.empty())
                lastMessage_ = TerminalText(s.text);
        };
        h_.window.beeper.onBeep = [] { std::cout << "beep\n" << std::flush; };
    }

    // Runs one command line; false after quit.
    bool execute(const std::string& line);
    // Lets the values changed so far go out before the port is closed.
    void sendPending();

private:
    bool busy();
    void connect();
    void idle();
    void printList(const platform::MemoryListBox& lb);
    void report(const std::string& file);

    HeadlessApp h_;
    int messages_ = 0;
    std::string lastMessage_;
};

// Something in the edit cycle still has work: a changed item, an Enter
// waiting to be executed, a clone operation under way or a wait after a
// command.
bool Session::busy()
{
    clsIndOp_RigTavik& m = h_.app.model();
    clsConsole& c = m.myConsole;
    for (int16_t i = 0; i < c.ListCount(); ++i)
        if (c.flgChanged(i) || (c.flgEnterOn(i) && c.Event_Enter(i) >= 0))
            return true;
    return h_.app.seq().OpRunning() || m.RigTavikProp_Waiting();
}

void Session::sendPending()
{
    clsConsole& c = h_.app.model().myConsole;
    h_.runUntil(
        [&] {
            for (int16_t i = 0; i < c.ListCount(); ++i)
                if (c.flgChanged(i))
                    return false;
            return !h_.app.seq().OpRunning();
        },
        kQuitLimitMs);
}

void Session::connect()
{
    const int before = messages_;
    lastMessage_.clear();
    h_.app.mainWindow().cmd00_Click(0);
    h_.runUntil([&] { return messages_ != before || h_.app.model().RigTavikProp_EditEnabled(); });
    if (messages_ != before)
        std::cout << "error: " << lastMessage_.substr(0, lastMessage_.find('\n')) << '\n';
    else
        std::cout << "ok\n";
}

// Runs until one whole edit cycle has passed without anything to do. A
// quiet cycle runs within one tick, from one cycle end to the next, so two
// ticks seen idle at the cycle end make one whole quiet cycle.
void Session::idle()
{
    clsIndOp_RigTavik& m = h_.app.model();
    const frmCom& com = h_.app.com();
    uint32_t quietSince = 0;
    bool quiet = false;
    const bool done = h_.runUntil(
        [&] {
            if (!m.RigTavikProp_EditEnabled() && !m.RigTavikProp_DispPara())
                return !h_.app.seq().OpRunning();   // not connected: nothing to wait for
            // At rest the task sits at the cycle end, or in the parameter
            // display.
            if (busy() || m.seqStep != 0 || (m.taskState != 28 && m.taskState != 29)) {
                quiet = false;
                return false;
            }
            if (!quiet) {
                quiet = true;
                quietSince = com.tickCount();
            }
            return com.tickCount() - quietSince >= 2;
        },
        kIdleLimitMs);
    std::cout << (done ? "ok\n" : "error: still busy\n");
}

void Session::printList(const platform::MemoryListBox& lb)
{
    for (const std::string& l : lb.lines)
        std::cout << l << '\n';
}

void Session::report(const std::string& file)
{
    std::string reason;
    if (file.empty())
        std::cout << "error: report needs a file name\n";
    else if (WriteServiceReport(h_.app.model().myJournal, file, platform::SystemWallClock().UnixSeconds(), reason))
        std::cout << "ok\n";
    else
        std::cout << "error: " << reason << '\n';
}

bool Session::execute(const std::string& raw)
{
    std::istringstream in(raw);
    std::string cmd;
    in >> cmd;
    if (cmd.empty())
        return true;
    if (cmd == "report") {
        // The rest of the line, blanks inside included, is the file name.
        std::string file;
        std::getline(in, file);
        const size_t a = file.find_first_not_of(" \t");
        report(a == std::string::npos ? std::string() : file.substr(a, file.find_last_not_of(" \t") - a + 1));
        std::cout.flush();
        return true;
    }
    long arg = 0;
    const bool hasArg = static_cast<bool>(in >> arg);
    std::string rest;
    const bool extra = static_cast<bool>(in >> rest);
    auto needsArg = [&](bool needed) {
        if (needed != hasArg || extra) {
            std::cout << "error: " << cmd << (needed ? " needs one number" : " takes no argument") << '\n';
            return false;
        }
        return true;
    };
    clsConsole& console = h_.app.model().myConsole;
    const int sel = h_.window.lboConsole.selected();
    // Keys reach the console only while its frame is shown, as in the window.
    const bool consoleShown = h_.window.fra01[1].visible() && sel >= 0 && sel < console.ListCount();
    if (cmd == "connect") {
        if (needsArg(false))
            connect();
    } else if (cmd == "select") {
        if (needsArg(true)) {
            if (arg >= 0 && arg < h_.window.lboConsole.count())
                h_.window.lboConsole.setSelected(static_cast<int>(arg));
            else
                std::cout << "error: no console line " << arg << '\n';
        }
    } else if (cmd == "step") {
        if (needsArg(true) && consoleShown)
            console.UpDown(static_cast<int16_t>(sel), static_cast<int16_t>(arg));
    } else if (cmd == "enter") {
        if (needsArg(false) && consoleShown)
            console.EnterPushed(static_cast<int16_t>(sel));
    } else if (cmd == "button") {
        if (needsArg(true)) {
            if (arg >= 0 && arg <= 2 && h_.window.cmd00[arg].enabled())
                h_.app.mainWindow().cmd00_Click(static_cast<int16_t>(arg));
            else if (arg < 0 || arg > 2)
                std::cout << "error: no button " << arg << '\n';
        }
    } else if (cmd == "wait") {
        if (needsArg(true) && arg > 0)
            h_.runFor(static_cast<int>(arg));
    } else if (cmd == "idle") {
        if (needsArg(false))
            idle();
    } else if (cmd == "console") {
        if (needsArg(false)) {
            printList(h_.window.lboConsole);
            std::cout << ".\n";
        }
    } else if (cmd == "readouts") {
        if (needsArg(false)) {
            printList(h_.window.lbo01[0]);
            printList(h_.window.lbo01[1]);
            std::cout << ".\n";
        }
    } else if (cmd == "journal") {
        if (needsArg(false))
            std::cout << JournalLines(h_.app.model().myJournal) << ".\n";
    } else if (cmd == "params") {
        if (needsArg(false)) {
            printLines(h_.window.txtDispPara.text());
            std::cout << ".\n";
        }
    } else if (cmd == "quit") {
        if (!needsArg(false))
            return true;
        sendPending();
        return false;
    } else {
        std::cout << "error: unknown command\n";
    }
    std::cout.flush();
    return true;
}

}  // namespace

int CliSession(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("session", args, {"--device"}, opt))
        return 2;
    if (opt.device.empty() || !opt.positional.empty()) {
        std::cerr << "dorvel-adj-cli session: usage: session --device PATH" << std::endl;
        return 2;
    }
    Session session(opt.device);
    // Standard input is read as it arrives, so that the program keeps
    // ticking between commands; a command that runs the program (connect,
    // wait, idle) holds further input until it is done.
    fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
    QSocketNotifier notifier(STDIN_FILENO, QSocketNotifier::Read);
    std::string pending;
    bool running = true;
    auto finish = [&] {
        running = false;
        notifier.setEnabled(false);
        QCoreApplication::quit();
    };
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        notifier.setEnabled(false);
        char buf[4096];
        bool eof = false;
        for (;;) {
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n > 0) {
                pending.append(buf, static_cast<size_t>(n));
                continue;
            }
            eof = n == 0;
            break;
        }
        size_t nl;
        while (running && (nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!session.execute(line))
                finish();
        }
        if (running && eof) {
            if (pending.empty() || session.execute(pending))
                session.sendPending();   // end of input is quit
            finish();
        }
        if (running)
            notifier.setEnabled(true);
    });
    QCoreApplication::exec();
    return 0;
}
