#include "records/ImageCompare.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>

#include "link/clsCmcEeprom.h"
#include "model/clsIndEep_RigTavik.h"

namespace {

// Memory channel records: 32 of 18 bytes from 0x160.
constexpr int32_t kChannelBase = 0x160;
constexpr int32_t kChannels = 32;
constexpr int32_t kChannelEnd = kChannelBase + kChannels * clsIndEep_RigTavik::kRecordSize;
// Other bytes are shown up to this many per run of differing addresses.
constexpr size_t kBytesShown = 8;

clsCmcEeprom toEeprom(const ByteStr& image)
{
    clsCmcEeprom eep;
    eep.WriteBlock(0, ByteStr(image.begin(), image.begin() + std::min<size_t>(image.size(), eep.eeSize())));
    return eep;
}

std::vector<std::string> listingLines(clsIndEep_RigTavik& map)
{
    std::vector<std::string> lines;
    std::istringstream in(map.RigTavikEep_DispParaText());
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string label30(const std::string& text)
{
    const std::string l = text + ": ";
    return l.size() >= 30 ? l : std::string(30 - l.size(), ' ') + l;
}

std::string hexBytes(const ByteStr& image, int32_t from, int32_t to)
{
    std::string out;
    char buf[4];
    for (int32_t a = from; a <= to && static_cast<size_t>(a - from) < kBytesShown; ++a) {
        std::snprintf(buf, sizeof buf, "%02X", image[static_cast<size_t>(a)]);
        out += (out.empty() ? "" : " ") + std::string(buf);
    }
    if (static_cast<size_t>(to - from + 1) > kBytesShown)
        out += " ...";
    return out;
}

// A channel's frequencies, or "empty" for a record that is no channel.
std::string channelText(const clsIndEep_RigTavik& map, int16_t n)
{
    if (!map.RigTavikEep_GetChAppear(kChannelBase, n))
        return "empty";
    auto mhz = [](uint32_t hz) {
        char buf[24];
        std::snprintf(buf, sizeof buf, "%.4f", hz / 1e6);
        return std::string(buf);
    };
    return "RX " + mhz(map.RigTavikEep_GetChFreqRxReal(kChannelBase, n)) + " TX " +
           mhz(map.RigTavikEep_GetChFreqTxReal(kChannelBase + 4, n)) + " MHz";
}

}  // namespace

std::vector<int32_t> DifferingAddresses(const ByteStr& a, const ByteStr& b)
{
    std::vector<int32_t> out;
    const size_t n = std::max(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (i >= a.size() || i >= b.size() || a[i] != b[i])
            out.push_back(static_cast<int32_t>(i));
    return out;
}

std::vector<ImageDifference> CompareImages(const ByteStr& a, const ByteStr& b)
{
    std::vector<ImageDifference> out;
    const std::vector<int32_t> differing = DifferingAddresses(a, b);
    if (differing.empty())
        return out;
    clsCmcEeprom eepA = toEeprom(a);
    clsCmcEeprom eepB = toEeprom(b);
    clsIndEep_RigTavik mapA(eepA);
    clsIndEep_RigTavik mapB(eepB);

    const std::vector<std::string> la = listingLines(mapA);
    const std::vector<std::string> lb = listingLines(mapB);
    for (size_t i = 0; i < la.size() && i < lb.size(); ++i)
        if (la[i] != lb[i])
            out.push_back({la[i].substr(0, 30), la[i].substr(std::min<size_t>(30, la[i].size())),
                           lb[i].substr(std::min<size_t>(30, lb[i].size()))});

    std::set<int32_t> shown;
    for (const clsIndEep_RigTavik* m : {&mapA, &mapB})
        for (int32_t adr : m->RigTavikEep_DispParaAddresses())
            shown.insert(adr);

    for (int16_t n = 0; n < kChannels; ++n) {
        const int32_t first = kChannelBase + n * clsIndEep_RigTavik::kRecordSize;
        const int32_t last = first + clsIndEep_RigTavik::kRecordSize - 1;
        if (!std::any_of(differing.begin(), differing.end(), [&](int32_t x) { return x >= first && x <= last; }))
            continue;
        ImageDifference d{label30("Channel " + std::to_string(n + 1)), channelText(mapA, n), channelText(mapB, n)};
        if (d.a == d.b) {
            // The difference lies in the rest of the record: show its bytes.
            d.a = hexBytes(a, first, last);
            d.b = hexBytes(b, first, last);
        }
        out.push_back(d);
    }

    // Other bytes, one line per run of neighbouring addresses.
    for (size_t i = 0; i < differing.size();) {
        const int32_t adr = differing[i];
        if (shown.count(adr) != 0 || (adr >= kChannelBase && adr < kChannelEnd) ||
            static_cast<size_t>(adr) >= a.size() || static_cast<size_t>(adr) >= b.size()) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j + 1 < differing.size() && differing[j + 1] == differing[j] + 1 && shown.count(differing[j + 1]) == 0 &&
               !(differing[j + 1] >= kChannelBase && differing[j + 1] < kChannelEnd))
            ++j;
        const int32_t last = differing[j];
        char name[32];
        if (last == adr)
            std::snprintf(name, sizeof name, "Byte %04X", adr);
        else
            std::snprintf(name, sizeof name, "Bytes %04X-%04X", adr, last);
        out.push_back({label30(name), hexBytes(a, adr, last), hexBytes(b, adr, last)});
        i = j + 1;
    }
    return out;
}

std::string DifferenceLine(const ImageDifference& d)
{
    return d.label + d.a + " -> " + d.b;
}

std::string ImplausibleImage(const ByteStr& image)
{
    if (image.empty())
        return "it is empty";
    for (const uint8_t erased : {uint8_t{0x00}, uint8_t{0xFF}}) {
        if (std::all_of(image.begin(), image.end(), [&](uint8_t b) { return b == erased; })) {
            char text[64];
            std::snprintf(text, sizeof text, "every byte is 0x%02X", erased);
            return text;
        }
    }
    clsCmcEeprom eep = toEeprom(image);
    clsIndEep_RigTavik map(eep);
    if (map.ReadBaseFreqBlock() == 0)
        return "its base frequency (bytes 0x030 and 0x031) does not decode";
    // The listing's own limit for the base frequency: 800 MHz.
    constexpr uint32_t kHighestHz = 800000000u;
    for (int16_t n = 0; n < kChannels; ++n) {
        const int32_t at = kChannelBase + n * clsIndEep_RigTavik::kRecordSize;
        // A record marked by bit 7 is a channel whatever its bytes read.
        if (!map.RigTavikEep_GetChAppear(kChannelBase, n) || map.Check_Inh(at, 7) != 0)
            continue;
        const uint32_t rx = map.RigTavikEep_GetChFreqRxReal(kChannelBase, n);
        const uint32_t tx = map.RigTavikEep_GetChFreqTxReal(kChannelBase + 4, n);
        if (rx > kHighestHz || tx > kHighestHz)
            return "channel " + std::to_string(n + 1) + " holds a frequency beyond 800 MHz";
    }
    return "";
}

int UnitBytesDiffering(const ByteStr& a, const ByteStr& b)
{
    if (a.size() != b.size())
        return static_cast<int>(std::max(a.size(), b.size()));
    std::set<int32_t> unit;
    for (int32_t adr = kChannelBase; adr < kChannelEnd; ++adr)
        unit.insert(adr);
    clsCmcEeprom eep = toEeprom(a);
    for (int32_t adr : clsIndEep_RigTavik(eep).RigTavikEep_DispParaAddresses())
        unit.insert(adr);
    int count = 0;
    for (int32_t adr : unit)
        if (static_cast<size_t>(adr) < a.size() && a[static_cast<size_t>(adr)] != b[static_cast<size_t>(adr)])
            ++count;
    return count;
}
