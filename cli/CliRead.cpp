// dorvel-adj-cli read: the radio's EEPROM image into a file.
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "platform/AtomicFile.h"
#include "cli/Commands.h"
#include "cli/HeadlessApp.h"

void ShowProgress(const char* what, int cells, bool tty)
{
    const int width = 32;
    if (!tty)
        return;
    std::fprintf(stderr, "\r%s [%s%s] %3d%%", what, std::string(static_cast<size_t>(cells), 'o').c_str(),
                 std::string(static_cast<size_t>(width - cells), '.').c_str(), cells * 100 / width);
    std::fflush(stderr);
}

void PrintOperatorMessage(const std::string& crlfText, const std::string& detail)
{
    const std::string text = TerminalText(crlfText);
    const size_t eol = text.find('\n');
    std::cerr << text.substr(0, eol) << '\n';
    if (!detail.empty())
        std::cerr << detail << '\n';
    if (eol != std::string::npos)
        std::cerr << text.substr(eol + 1) << '\n';
    std::cerr.flush();
}

bool ReadRadio(const std::string& device, std::vector<unsigned char>& image, bool progress)
{
    HeadlessApp h(device);
    std::string failure;
    std::string detail;
    h.window.msgBox.onShow = [&](const platform::MemoryMessageBox::Shown& s) {
        failure = s.text;
        detail = s.detail;
    };
    const bool tty = progress && isatty(STDERR_FILENO);
    clsCmcOrb5Sequence& seq = h.app.seq();
    seq.easyCloneRead();
    int32_t shown = -2;
    h.runUntil([&] {
        const int32_t adr = h.app.com().orb5D.lastEeAdr();
        if (adr != shown) {
            shown = adr;
            const int32_t end = h.app.com().orb5D.EndAddress();
            ShowProgress("Reading", end > 0 ? static_cast<int>(static_cast<int64_t>(adr + 1) * 32 / end) : 0, tty);
        }
        return !failure.empty() || !seq.OpRunning();
    });
    if (tty)
        std::fputc('\n', stderr);
    if (!failure.empty()) {
        // The operator's message, with the system's reason as its second line.
        PrintOperatorMessage(failure, detail);
        return false;
    }
    const ByteStr& bytes = h.app.radio().eepImage().bytes();
    image.assign(bytes.begin(), bytes.end());
    return true;
}

int CliRead(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("read", args, {"--device", "--out"}, opt))
        return 2;
    if (opt.device.empty() || opt.out.empty() || !opt.positional.empty()) {
        std::cerr << "dorvel-adj-cli read: usage: read --device PATH --out FILE" << std::endl;
        return 2;
    }
    // A path that cannot take the image is refused before the radio is read.
    std::string target;
    std::string reason;
    if (OutputTarget(opt.out, target, reason) != 0) {
        std::cerr << "dorvel-adj-cli read: " << reason << std::endl;
        return 2;
    }
    std::vector<unsigned char> image;
    if (!ReadRadio(opt.device, image, true))
        return 1;
    if (WriteFileAtomically(opt.out, std::string(image.begin(), image.end()), true, reason) != 0) {
        std::cerr << "dorvel-adj-cli read: " << reason << std::endl;
        return 2;
    }
    std::cerr << "Read " << image.size() << " bytes into " << opt.out << std::endl;
    return 0;
}
