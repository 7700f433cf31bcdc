// dorvel-adj-cli params: the parameter listing of an image file or a radio.
#include <fstream>
#include <iostream>
#include <iterator>

#include "cli/Commands.h"
#include "cli/HeadlessApp.h"
#include "link/clsCmcEeprom.h"
#include "model/clsIndEep_RigTavik.h"

namespace {

// Reads an image file; a one-line reason when it is not a usable image.
bool loadImage(const std::string& path, std::vector<unsigned char>& image, std::string& reason)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        reason = path + ": cannot open the image file";
        return false;
    }
    image.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    if (f.bad()) {
        reason = path + ": cannot read the image file";
        return false;
    }
    if (image.size() != static_cast<size_t>(clsCmcEeprom::kDefaultSize)) {
        reason = path + ": an image must be exactly 8160 bytes long, this file has " + std::to_string(image.size());
        return false;
    }
    return true;
}

}  // namespace

int CliParams(const std::vector<std::string>& args)
{
    CliOptions opt;
    std::string reason;
    if (!ParseOptions(args, {"--device"}, opt, reason)) {
        std::cerr << "dorvel-adj-cli params: " << reason << std::endl;
        return 2;
    }
    if (opt.device.empty() == (opt.positional.size() != 1) || opt.positional.size() > 1) {
        std::cerr << "dorvel-adj-cli params: usage: params FILE | params --device PATH" << std::endl;
        return 2;
    }
    std::vector<unsigned char> image;
    if (!opt.device.empty()) {
        if (!ReadRadio(opt.device, image, true))
            return 1;
    } else if (!loadImage(opt.positional[0], image, reason)) {
        std::cerr << "dorvel-adj-cli params: " << reason << std::endl;
        return 2;
    }
    clsCmcEeprom eep;
    eep.WriteBlock(0, ByteStr(image.begin(), image.end()));
    clsIndEep_RigTavik map(eep);
    std::cout << TerminalText(map.RigTavikEep_DispParaText()) << std::flush;
    return 0;
}
