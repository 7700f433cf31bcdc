#include "link/clsCmcRadio.h"

#include <cstdio>

namespace {

// The four lowest hexadecimal digits of an address.
std::string hex4(int32_t adr)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(adr) & 0xFFFFu);
    return buf;
}

}  // namespace

void clsCmcRadio::cloneWriteAdrList_Add(int32_t adr0, int32_t adr1)
{
    adrList_ += hex4(adr0) + "-" + hex4(adr1) + ",";
}

clsCmcEeprom& clsCmcRadio::eepImage()
{
    if (!eep_)
        eep_ = std::make_unique<clsCmcEeprom>();
    return *eep_;
}
