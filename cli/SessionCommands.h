#pragma once
// dorvel-adj-cli session's commands: one command per line, answers on an
// output stream. The same objects, tick and window logic run as in the
// window, with in-memory controls whose lines are printed. Nothing here
// knows where the lines come from or what runs the program's ticks.
#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "model/ServiceJournal.h"

class DorvelApp;
class MemoryWindow;

// What runs the program meanwhile: the event loop (or a manual clock).
class SessionRunner {
public:
    virtual ~SessionRunner() = default;
    // Runs until done() holds or ms milliseconds have passed (ms < 0: no
    // limit); whether done() held.
    virtual bool runUntil(const std::function<bool()>& done, int ms = -1) = 0;
    void runFor(int ms)
    {
        runUntil([] { return false; }, ms);
    }
};

class Session {
public:
    // Writes the service report of the journal to a file; false with the
    // reason when it could not.
    using ReportWriter = std::function<bool(const std::string& file, std::string& reason)>;

    // Message boxes and beeps of the window are printed as they happen.
    Session(DorvelApp& app, MemoryWindow& window, SessionRunner& runner, std::ostream& out);
    // Without one, `report` says that it cannot write reports.
    void setReportWriter(ReportWriter writer) { reportWriter_ = std::move(writer); }

    // Where the session's end tells of an automatic adjustment it broke
    // off (none without one).
    void setErrorStream(std::ostream* err) { err_ = err; }

    // Runs one command line; false after quit.
    bool execute(const std::string& line);
    // The end (quit, or the end of input): ends an automatic adjustment
    // still running as Escape does, lets the values changed so far and
    // those put back go out before the port is closed, and tells what the
    // adjustment's items were put back to.
    void end();
    // A command answered `error: `, or a message box told of a failure.
    bool failed() const { return failed_; }

private:
    void sendPending();
    // The journal's records of the automatic adjustments still running.
    std::vector<size_t> runningAdjustments() const;
    void tellRestored(const std::vector<size_t>& running);
    void fail(const std::string& what);
    void connect();
    void idle();
    void report(const std::string& file);
    void printLines(const std::string& crlfText, const char* prefix = "");

    DorvelApp& app_;
    MemoryWindow& window_;
    SessionRunner& runner_;
    std::ostream& out_;
    std::ostream* err_ = nullptr;
    bool failed_ = false;
    int messages_ = 0;
    std::string lastMessage_;
    ReportWriter reportWriter_;
};

// Cuts input into command lines as it arrives (LF or CR LF) and runs them.
class SessionReader {
public:
    explicit SessionReader(Session& session) : session_(session) {}
    // Bytes as they arrive; false once a quit has ended the session (the
    // rest is not read).
    bool feed(const char* data, size_t n);
    // End of input: a last line without its line end is run, then the
    // session ends as on quit.
    void end();

private:
    Session& session_;
    std::string pending_;
    bool running_ = true;
};
