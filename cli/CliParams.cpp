// dorvel-adj-cli params: the parameter listing of an image file or a radio.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "cli/Commands.h"
#include "cli/HeadlessApp.h"
#include "link/clsCmcEeprom.h"
#include "model/clsIndEep_RigTavik.h"

namespace {

// Reads an image file; a one-line reason when it is not a usable image.
bool loadImage(const std::string& path, std::vector<unsigned char>& image, std::string& reason)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        reason = path + ": cannot open the image file: " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = path + ": not an image file (not a regular file)";
        return false;
    }
    // An image is 8160 bytes: anything larger is refused before it is read.
    if (st.st_size != clsCmcEeprom::kDefaultSize) {
        reason = path + ": an image must be exactly 8160 bytes long, this file has " + std::to_string(st.st_size);
        return false;
    }
    std::ifstream f(path, std::ios::binary);
    image.assign(static_cast<size_t>(clsCmcEeprom::kDefaultSize), 0);
    if (!f || !f.read(reinterpret_cast<char*>(image.data()), clsCmcEeprom::kDefaultSize)) {
        reason = path + ": cannot read the image file";
        return false;
    }
    return true;
}

}  // namespace

int CliParams(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("params", args, {"--device"}, opt))
        return 2;
    if (opt.device.empty() == (opt.positional.size() != 1) || opt.positional.size() > 1) {
        std::cerr << "dorvel-adj-cli params: usage: params FILE | params --device PATH" << std::endl;
        return 2;
    }
    std::vector<unsigned char> image;
    if (!opt.device.empty()) {
        if (!ReadRadio(opt.device, image, true))
            return 1;
    } else if (std::string reason; !loadImage(opt.positional[0], image, reason)) {
        std::cerr << "dorvel-adj-cli params: " << reason << std::endl;
        return 2;
    }
    clsCmcEeprom eep;
    eep.WriteBlock(0, ByteStr(image.begin(), image.end()));
    clsIndEep_RigTavik map(eep);
    std::cout << TerminalText(map.RigTavikEep_DispParaText()) << std::flush;
    return 0;
}
