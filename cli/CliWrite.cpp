// dorvel-adj-cli write: an image file back into the radio, with the check of
// the radio's identity, the list of what changes, a backup of the radio
// first, and the read-back that proves the write.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>

#include "records/ImageFile.h"
#include "records/ImageRestore.h"
#include "cli/Commands.h"
#include "cli/HeadlessApp.h"

namespace {

// Exit status of a write the operator interrupted, as shells give it.
constexpr int kInterrupted = 128 + SIGINT;

volatile std::sig_atomic_t ctrlCs = 0;

extern "C" void countCtrlC(int)
{
    if (ctrlCs < 2)
        ctrlCs = ctrlCs + 1;
}

// While it lives, Ctrl-C (SIGINT) is counted instead of ending the program;
// the tick loop polls the count, so that the radio is never let go in the
// middle of a frame and the operator is told what it holds.
class CtrlCCount {
public:
    CtrlCCount()
    {
        ctrlCs = 0;
        struct sigaction sa {};
        sa.sa_handler = countCtrlC;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sigaction(SIGINT, &sa, &old_);
    }
    ~CtrlCCount() { sigaction(SIGINT, &old_, nullptr); }
    CtrlCCount(const CtrlCCount&) = delete;
    CtrlCCount& operator=(const CtrlCCount&) = delete;
    int count() const { return ctrlCs; }

private:
    struct sigaction old_ {};
};

const char* phaseName(ImageRestore::Phase p)
{
    switch (p) {
    case ImageRestore::Phase::Reading:
        return "Reading  ";
    case ImageRestore::Phase::Writing:
        return "Writing  ";
    case ImageRestore::Phase::Verifying:
        return "Verifying";
    default:
        return "";
    }
}

}  // namespace

int CliWrite(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("write", args, {"--device", "--in"}, opt, {"--yes", "--no-backup", "--force"}))
        return 2;
    if (opt.device.empty() || opt.in.empty() || !opt.positional.empty()) {
        std::cerr << "dorvel-adj-cli write: usage: write --device PATH --in FILE [--yes] [--no-backup] [--force]"
                  << std::endl;
        return 2;
    }
    ByteStr image;
    std::optional<ImageRecord> record;
    if (std::string reason; !LoadImageAndRecord(opt.in, image, record, reason)) {
        std::cerr << "dorvel-adj-cli write: " << reason << std::endl;
        return 2;
    }

    HeadlessApp h(opt.device);
    std::string failure;
    std::string detail;
    h.window.msgBox.onShow = [&](const platform::MemoryMessageBox::Shown& s) {
        failure = s.text;
        detail = s.detail;
    };
    ImageRestore& restore = h.app.restore();
    const bool tty = isatty(STDERR_FILENO);
    RestoreOptions options;
    options.withoutBackup = opt.has("--no-backup");
    options.anyImage = opt.has("--force");
    options.device = opt.device;
    restore.start(image, record, options);
    ImageRestore::Phase shownPhase = ImageRestore::Phase::Idle;
    int shownCells = -1;
    // Ctrl-C: during the write the first one lets the write run to its end
    // (a radio left half-written may not start), and the read-back is then
    // left out; a second one, or one during a read, stops at once.
    CtrlCCount ctrlC;
    int ctrlCsSeen = 0;
    bool finishing = false;
    auto endBar = [&] {
        if (tty && shownPhase != ImageRestore::Phase::Idle)
            std::fputc('\n', stderr);
        shownPhase = ImageRestore::Phase::Idle;
    };
    auto stopNow = [&] {
        const int n = ctrlC.count();
        if (n == ctrlCsSeen)
            return finishing && restore.phase() == ImageRestore::Phase::Verifying;
        ctrlCsSeen = n;
        if (n == 1 && restore.phase() == ImageRestore::Phase::Writing) {
            finishing = true;
            endBar();
            const int sent = restore.blocksSent();
            std::cerr << "Interrupted during the write: "
                      << (sent > 0 ? "the radio is half-written (" + std::to_string(sent) + " of " +
                                         std::to_string(restore.blocksTotal()) + " blocks went out)"
                                   : std::string("the write has begun (no block went out yet)"))
                      << ". The write goes on to its end so that the radio holds the image whole; "
                         "Ctrl-C again stops at once."
                      << std::endl;
            return false;
        }
        return true;
    };
    bool interrupted = false;
    auto runPhase = [&] {
        h.runUntil([&] {
            const ImageRestore::Phase p = restore.phase();
            if (stopNow()) {
                interrupted = true;
                return true;
            }
            if (p == ImageRestore::Phase::Reading || p == ImageRestore::Phase::Writing ||
                p == ImageRestore::Phase::Verifying) {
                if (p != shownPhase && shownPhase != ImageRestore::Phase::Idle && tty)
                    std::fputc('\n', stderr);
                if (p != shownPhase || restore.progressCells() != shownCells)
                    ShowProgress(phaseName(p), restore.progressCells(), tty);
                shownPhase = p;
                shownCells = restore.progressCells();
            }
            return p == ImageRestore::Phase::Idle || p == ImageRestore::Phase::Confirming;
        });
        endBar();
    };
    // What the radio holds and the way back; the status of an interruption.
    auto stopped = [&] {
        std::cerr << TerminalText(restore.interrupt()) << std::endl;
        return kInterrupted;
    };
    runPhase();
    if (interrupted)
        return stopped();
    if (!restore.backupPath().empty())
        std::cerr << "Backup of the radio: " << restore.backupPath() << std::endl;

    if (restore.phase() == ImageRestore::Phase::Confirming) {
        if (restore.backupPath().empty())
            std::cerr << "No backup of the radio was saved (--no-backup): after the write its present memory exists "
                         "nowhere."
                      << std::endl;
        if (!restore.warning().empty())
            std::cout << restore.warning() << '\n';
        if (restore.changes().empty())
            std::cout << "The radio already holds this image." << std::endl;
        for (const ImageDifference& d : restore.changes())
            std::cout << DifferenceLine(d) << '\n';
        std::cout.flush();
        if (!opt.has("--yes")) {
            restore.answer(false);
            std::cerr << "Nothing written; run again with --yes to write the image." << std::endl;
            return 0;
        }
        if (ctrlC.count() > 0)
            return stopped();
        restore.answer(true);
        runPhase();
        if (interrupted)
            return stopped();
    }

    switch (restore.outcome()) {
    case ImageRestore::Outcome::Verified:
        std::cout << restore.message() << std::endl;
        return 0;
    case ImageRestore::Outcome::Failed:
        PrintOperatorMessage(failure, detail);
        return 1;
    default:
        std::cerr << TerminalText(restore.message()) << std::endl;
        return 1;
    }
}
