#include "cli/SessionCommands.h"

#include <cstdint>
#include <limits>
#include <sstream>
#include <vector>

#include "app/DorvelApp.h"
#include "app/KeyCodes.h"
#include "records/JournalJson.h"
#include "app/MemoryWindow.h"
#include "cli/TerminalText.h"

namespace {

// How long `idle` waits for a quiet edit cycle before giving up.
constexpr int kIdleLimitMs = 60000;
// How long `quit` lets changed values go out before it closes the port.
constexpr int kQuitLimitMs = 10000;

}  // namespace

Session::Session(DorvelApp& app, MemoryWindow& window, SessionRunner& runner, std::ostream& out)
    : app_(app), window_(window), runner_(runner), out_(out)
{
    window_.msgBox.onShow = [this](const platform::MemoryMessageBox::Shown& s) {
        printLines(s.text, "message: ");
        if (!s.detail.empty())
            printLines(s.detail, "detail: ");
        out_.flush();
        ++messages_;
        failed_ = true;
        if (lastMessage_.empty())
            lastMessage_ = TerminalText(s.text);
    };
    window_.beeper.onBeep = [this] { out_ << "beep\n" << std::flush; };
}

void Session::fail(const std::string& what)
{
    failed_ = true;
    out_ << "error: " << what << '\n';
}

std::vector<size_t> Session::runningAdjustments() const
{
    std::vector<size_t> running;
    const std::vector<JournalEvent>& events = app_.model().myJournal.events();
    for (size_t i = 0; i < events.size(); ++i)
        if (events[i].outcome == JournalEvent::Outcome::Running &&
            (events[i].kind == JournalEvent::Kind::Bpf || events[i].kind == JournalEvent::Kind::Lva ||
             events[i].kind == JournalEvent::Kind::Rssi))
            running.push_back(i);
    return running;
}

void Session::tellRestored(const std::vector<size_t>& running)
{
    if (err_ == nullptr)
        return;
    clsIndOp_RigTavik& m = app_.model();
    const bool sent = !m.RigTavikProp_RestorePending() && !app_.seq().Busy();
    for (size_t i : running) {
        const JournalEvent& e = m.myJournal.events().at(i);
        *err_ << "warning: the session ended during an automatic adjustment: ";
        if (e.kind == JournalEvent::Kind::Rssi)
            *err_ << "RSSI capture ";
        else
            *err_ << TrimmedTitle(e.title) << (e.kind == JournalEvent::Kind::Bpf ? " sweep " : " search ");
        *err_ << RestoredText(e);
        if (!sent)
            *err_ << "; the frames putting it back did not all go out: Connect again and check it";
        *err_ << '\n';
    }
    err_->flush();
}

void Session::printLines(const std::string& crlfText, const char* prefix)
{
    std::istringstream in(TerminalText(crlfText));
    for (std::string line; std::getline(in, line);)
        out_ << prefix << line << '\n';
}

void Session::end()
{
    // What ran when the end came is ended as by Escape: what it changed is
    // put back before the port closes.
    const std::vector<size_t> running = runningAdjustments();
    app_.model().RigOpFunc_InterruptAutoSeq();
    sendPending();
    tellRestored(running);
}

void Session::sendPending()
{
    clsConsole& c = app_.model().myConsole;
    runner_.runUntil(
        [&] {
            for (int16_t i = 0; i < c.ListCount(); ++i)
                if (c.flgChanged(i))
                    return false;
            return !app_.model().RigTavikProp_RestorePending() && !app_.seq().Busy();
        },
        kQuitLimitMs);
}

void Session::connect()
{
    const int before = messages_;
    lastMessage_.clear();
    app_.mainWindow().cmd00_Click(0);
    runner_.runUntil([&] { return messages_ != before || app_.model().RigTavikProp_EditEnabled(); });
    if (messages_ != before)
        fail(lastMessage_.substr(0, lastMessage_.find('\n')));
    else
        out_ << "ok\n";
}

// Runs until one whole edit cycle has passed without anything to do. A
// quiet cycle runs within one tick, from one cycle end to the next, so two
// ticks seen idle at the cycle end make one whole quiet cycle.
void Session::idle()
{
    clsIndOp_RigTavik& m = app_.model();
    const frmCom& com = app_.com();
    uint32_t quietSince = 0;
    bool quiet = false;
    const bool done = runner_.runUntil(
        [&] {
            if (!m.RigTavikProp_EditEnabled() && !m.RigTavikProp_DispPara())
                return !app_.seq().OpRunning();   // not connected: nothing to wait for
            if (!m.RigTavikProp_AtRest()) {
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
    if (done)
        out_ << "ok\n";
    else
        fail("still busy");
}

void Session::report(const std::string& file)
{
    std::string reason;
    if (file.empty())
        fail("report needs a file name");
    else if (!reportWriter_)
        fail("reports cannot be written here");
    else if (reportWriter_(file, reason))
        out_ << "ok\n";
    else
        fail(reason);
}

bool Session::execute(const std::string& raw)
{
    std::istringstream in(raw);
    std::string cmd;
    in >> cmd;
    if (cmd.empty())
        return true;
    if (cmd == "job") {
        // job technician|order|serial TEXT: the rest of the line is the text.
        std::string field, text;
        in >> field;
        std::getline(in, text);
        JobRecord& job = app_.job();
        if (field.empty()) {
            const JobDetails& d = job.details();
            out_ << "job: technician \"" << d.technician << "\", order \"" << d.order << "\", serial \"" << d.serial
                 << "\", " << (job.connected() ? "for the radio connected now" : "for the job Connect starts") << '\n';
        } else if (job.setDetail(field, text)) {
            out_ << "ok\n";
        } else {
            fail("job takes technician, order or serial, then the text");
        }
        out_.flush();
        return true;
    }
    if (cmd == "report") {
        // The rest of the line, blanks inside included, is the file name.
        std::string file;
        std::getline(in, file);
        const size_t a = file.find_first_not_of(" \t");
        report(a == std::string::npos ? std::string() : file.substr(a, file.find_last_not_of(" \t") - a + 1));
        out_.flush();
        return true;
    }
    // One whole number of 32 bits at most; anything else counts as none.
    long long arg = 0;
    const bool hasArg = static_cast<bool>(in >> arg) && arg >= std::numeric_limits<int32_t>::min() &&
                        arg <= std::numeric_limits<int32_t>::max();
    in.clear();
    std::string rest;
    const bool extra = static_cast<bool>(in >> rest);
    auto needsArg = [&](bool needed) {
        if (needed != hasArg || extra) {
            fail(cmd + (needed ? " needs one number" : " takes no argument"));
            return false;
        }
        return true;
    };
    clsConsole& console = app_.model().myConsole;
    const int sel = window_.lboConsole.selected();
    // Keys reach the console only while its frame is shown, as in the window.
    const bool consoleShown = window_.fra01[1].visible() && sel >= 0 && sel < console.ListCount();
    if (cmd == "connect") {
        if (needsArg(false))
            connect();
    } else if (cmd == "select") {
        if (needsArg(true)) {
            if (arg >= 0 && arg < window_.lboConsole.count())
                window_.lboConsole.setSelected(static_cast<int>(arg));
            else
                fail("no console line " + std::to_string(arg));
        }
    } else if (cmd == "step") {
        // A step beyond 16 bits goes from end to end all the same.
        if (needsArg(true) && consoleShown)
            console.UpDown(static_cast<int16_t>(sel),
                           static_cast<int16_t>(arg < -32768 ? -32768 : arg > 32767 ? 32767 : arg));
    } else if (cmd == "enter") {
        if (needsArg(false) && consoleShown)
            console.EnterPushed(static_cast<int16_t>(sel));
    } else if (cmd == "escape") {
        if (needsArg(false) && consoleShown)
            app_.mainWindow().lboConsole_KeyDown(kKeyEscape, 0);
    } else if (cmd == "button") {
        if (needsArg(true)) {
            if (arg >= 0 && arg <= 2 && window_.cmd00[arg].enabled())
                app_.mainWindow().cmd00_Click(static_cast<int16_t>(arg));
            else if (arg < 0 || arg > 2)
                fail("no button " + std::to_string(arg));
        }
    } else if (cmd == "wait") {
        if (needsArg(true) && arg > 0)
            runner_.runFor(static_cast<int>(arg));
    } else if (cmd == "idle") {
        if (needsArg(false))
            idle();
    } else if (cmd == "console") {
        if (needsArg(false)) {
            for (const std::string& l : window_.lboConsole.lines)
                out_ << l << '\n';
            out_ << ".\n";
        }
    } else if (cmd == "readouts") {
        if (needsArg(false)) {
            for (const platform::MemoryListBox& lb : window_.lbo01)
                for (const std::string& l : lb.lines)
                    out_ << l << '\n';
            out_ << ".\n";
        }
    } else if (cmd == "params") {
        if (needsArg(false)) {
            printLines(window_.txtDispPara.text());
            out_ << ".\n";
        }
    } else if (cmd == "line") {
        if (needsArg(false)) {
            const frmCom::LineEventCounts& n = app_.com().lineEvents();
            out_ << "line: break " << n.brk << ", framing " << n.frame << ", overrun " << n.overrun << ", buffer "
                 << n.rxOver << ", parity " << n.parity << '\n';
        }
    } else if (cmd == "journal") {
        if (needsArg(false))
            out_ << JournalLines(app_.model().myJournal) << ".\n";
    } else if (cmd == "quit") {
        if (!needsArg(false))
            return true;
        end();
        return false;
    } else {
        fail("unknown command");
    }
    out_.flush();
    return true;
}

bool SessionReader::feed(const char* data, size_t n)
{
    pending_.append(data, n);
    size_t nl;
    while (running_ && (nl = pending_.find('\n')) != std::string::npos) {
        std::string line = pending_.substr(0, nl);
        pending_.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        running_ = session_.execute(line);
    }
    return running_;
}

void SessionReader::end()
{
    if (running_ && (pending_.empty() || session_.execute(pending_)))
        session_.end();
    pending_.clear();
    running_ = false;
}
