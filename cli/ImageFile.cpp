#include "cli/ImageFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "cli/TerminalText.h"
#include "link/clsCmcEeprom.h"
#include "model/clsIndEep_RigTavik.h"

bool LoadImageFile(const std::string& path, std::vector<unsigned char>& image, std::string& reason)
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

std::string ImageListing(const std::vector<unsigned char>& image)
{
    clsCmcEeprom eep;
    eep.WriteBlock(0, ByteStr(image.begin(), image.end()));
    clsIndEep_RigTavik map(eep);
    return TerminalText(map.RigTavikEep_DispParaText());
}
