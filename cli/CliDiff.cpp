// dorvel-adj-cli diff: what differs between two image files, as lines of the
// parameter listing (and the channels and other bytes beyond it), or as
// addresses.
#include <cstdio>
#include <iostream>

#include "records/ImageCompare.h"
#include "records/ImageFile.h"
#include "cli/Commands.h"

int CliDiff(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("diff", args, {}, opt, {"--bytes"}))
        return 2;
    if (opt.positional.size() != 2) {
        std::cerr << "dorvel-adj-cli diff: usage: diff [--bytes] A.bin B.bin" << std::endl;
        return 2;
    }
    ByteStr a;
    ByteStr b;
    std::string reason;
    if (!LoadImageFile(opt.positional[0], a, reason) || !LoadImageFile(opt.positional[1], b, reason)) {
        std::cerr << "dorvel-adj-cli diff: " << reason << std::endl;
        return 2;
    }
    if (opt.has("--bytes")) {
        const std::vector<int32_t> adrs = DifferingAddresses(a, b);
        for (int32_t adr : adrs)
            std::printf("0x%04X %02X -> %02X\n", static_cast<unsigned>(adr), a[static_cast<size_t>(adr)],
                        b[static_cast<size_t>(adr)]);
        return adrs.empty() ? 0 : 1;
    }
    const std::vector<ImageDifference> diff = CompareImages(a, b);
    for (const ImageDifference& d : diff)
        std::cout << DifferenceLine(d) << '\n';
    return diff.empty() ? 0 : 1;
}
