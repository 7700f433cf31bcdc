// Feeds arbitrary files to `dorvel-adj-cli params FILE`: the image loader,
// then the parameter listing of whatever image it accepts.
#include <cstddef>
#include <cstdint>

#include "records/ImageFile.h"
#include "fuzz/ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ByteStr image;
    std::string reason;
    if (LoadImageFile(ScratchFile("radio.bin", data, size), image, reason)) {
        if (ImageListing(image).empty())
            abort();
    } else if (reason.empty() || reason.find('\n') != std::string::npos) {
        abort();   // a refusal always says why, on one line
    }
    return 0;
}
