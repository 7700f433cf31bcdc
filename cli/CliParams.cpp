// dorvel-adj-cli params: the parameter listing of an image file or a radio.
#include <iostream>

#include "records/ImageFile.h"
#include "cli/Commands.h"
#include "cli/TerminalText.h"

int CliParams(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("params", args, {"--device"}, opt))
        return 2;
    if (opt.device.empty() == (opt.positional.size() != 1) || opt.positional.size() > 1) {
        std::cerr << "dorvel-adj-cli params: usage: params FILE | params --device PATH" << std::endl;
        return 2;
    }
    ByteStr image;
    if (!opt.device.empty()) {
        if (!ReadRadio(opt.device, image, true))
            return 1;
    } else if (std::string reason; !LoadImageFile(opt.positional[0], image, reason)) {
        std::cerr << "dorvel-adj-cli params: " << reason << std::endl;
        return 2;
    }
    std::cout << TerminalText(ImageListing(image)) << std::flush;
    return 0;
}
