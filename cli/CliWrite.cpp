// dorvel-adj-cli write: an image file back into the radio, with the check of
// the radio's identity, the list of what changes, a backup of the radio
// first, and the read-back that proves the write.
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "records/ImageFile.h"
#include "records/ImageRestore.h"
#include "cli/Commands.h"
#include "cli/HeadlessApp.h"

namespace {

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
    auto runPhase = [&] {
        h.runUntil([&] {
            const ImageRestore::Phase p = restore.phase();
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
        if (tty && shownPhase != ImageRestore::Phase::Idle)
            std::fputc('\n', stderr);
        shownPhase = ImageRestore::Phase::Idle;
    };
    runPhase();
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
        restore.answer(true);
        runPhase();
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
