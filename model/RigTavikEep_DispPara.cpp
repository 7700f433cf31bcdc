// The parameter listing of "Disp para": every stored adjustment value of the
// transceiver as one labelled line, which also documents where it lives.
#include <string>

#include "model/NumberFormat.h"
#include "model/clsIndEep_RigTavik.h"
#include "platform/Controls.h"

namespace {

enum class Kind { U, S };   // unsigned byte, two's complement byte

struct ByteLine {
    const char* label;   // 30 characters, ending in ": "
    int32_t adr;
    int32_t midAdr;      // address on the Mid variant; -1 when the same
    Kind kind;
};

const ByteLine kLevels[] = {
    {"                POW HI Level: ", 0x082, -1, Kind::U},
    {"                POW L2 Level: ", 0x081, -1, Kind::U},
    {"                POW L1 Level: ", 0x080, -1, Kind::U},
    {"                 BAL W Level: ", 0x043, 0x051, Kind::U},
    {"                 BAL N Level: ", 0x04A, -1, Kind::U},
    {"                 MOD W Level: ", 0x042, 0x050, Kind::U},
    {"                 MOD N Level: ", 0x049, -1, Kind::U},
    {"             CTCS/DTCS Level: ", 0x033, -1, Kind::U},
    {"                   SQL Level: ", 0x113, -1, Kind::U},
    {"                   REF Level: ", 0x087, -1, Kind::U},
    {"              BPF Correction: ", 0x036, -1, Kind::U},
    {"                BPF T1 Level: ", 0x034, -1, Kind::U},
    {"                BPF T2 Level: ", 0x035, -1, Kind::U},
    {"                RX LVA Level: ", 0x03C, -1, Kind::U},
    {"                TX LVA Level: ", 0x03D, -1, Kind::U},
};

// Seven band records of six signed slopes from 0x055, in the order RX LVA,
// TX LVA, Tone, MOD, BAL, POW; the listing groups them by quantity.
constexpr int32_t kSlopeBase = 0x055;
constexpr int32_t kSlopeBands = 7;
struct SlopeGroup {
    const char* labelHead;   // 23 characters; "Band", digit and ": " follow
    int32_t offset;          // position of the quantity within a band record
};
const SlopeGroup kSlopes[] = {
    {"       MOD Slant(Freq) ", 3},
    {"      Tone Slant(Freq) ", 2},
    {"       POW Slant(Freq) ", 5},
    {"       BAL Slant(Freq) ", 4},
    {"    Rx LVA Slant(Freq) ", 0},
    {"    Tx LVA Slant(Freq) ", 1},
};

const ByteLine kTemps[] = {
    {"        MOD Slant(Temp) Area: ", 0x03A, -1, Kind::S},
    {"       Tone Slant(Temp) Area: ", 0x039, -1, Kind::S},
    {"        SQL Slant(Temp) Area: ", 0x038, -1, Kind::S},
    {"        BAL Slant(Temp) Area: ", 0x03B, -1, Kind::S},
    {"           Tone W Correction: ", 0x041, 0x04F, Kind::S},
    {"           Tone N Correction: ", 0x048, -1, Kind::S},
};

const char kBaseFreqLabel[] = "              Base Frequency: ";

const ByteLine kRssi[] = {
    {"               RSSI S1 Level: ", 0x083, -1, Kind::U},
    {"               RSSI S3 Level: ", 0x084, -1, Kind::U},
};

const char kCrLf[] = "\r\n";

std::string right(const std::string& s, size_t n)
{
    return s.size() <= n ? s : s.substr(s.size() - n);
}

// Right-aligned in four characters.
std::string field4(int v)
{
    return right("    " + std::to_string(v), 4);
}

}  // namespace

std::string clsIndEep_RigTavik::RigTavikEep_DispParaText() const
{
    std::string out;
    out.reserve(kParaLines * 44);

    auto byteLine = [&](const ByteLine& l) {
        const int32_t adr = (l.midAdr >= 0 && RigTavikEep_GetMid()) ? l.midAdr : l.adr;
        int v = byteAt(adr);
        if (l.kind == Kind::S && v >= 128)
            v -= 256;
        out += l.label;
        out += field4(v);
        out += kCrLf;
    };

    for (const ByteLine& l : kLevels)
        byteLine(l);
    for (const SlopeGroup& g : kSlopes) {
        for (int32_t b = 0; b < kSlopeBands; ++b) {
            const std::string label = std::string(g.labelHead) + "Band" + std::to_string(b) + ": ";
            byteLine({label.c_str(), kSlopeBase + 6 * b + g.offset, -1, Kind::S});
        }
    }
    for (const ByteLine& l : kTemps)
        byteLine(l);

    // Megahertz, right-aligned in eight characters.
    out += kBaseFreqLabel;
    out += right("        " + FormatNumber(ReadBaseFreqBlock() / 1000000.0, "###0.##0"), 8);
    out += "MHz";
    out += kCrLf;

    for (const ByteLine& l : kRssi)
        byteLine(l);
    return out;
}

void clsIndEep_RigTavik::RigTavikEep_DispPara(platform::TextBox& txt) const
{
    txt.setText(RigTavikEep_DispParaText());
}

std::vector<int32_t> clsIndEep_RigTavik::RigTavikEep_DispParaAddresses() const
{
    std::vector<int32_t> adrs;
    auto add = [&](const ByteLine& l) { adrs.push_back((l.midAdr >= 0 && RigTavikEep_GetMid()) ? l.midAdr : l.adr); };
    for (const ByteLine& l : kLevels)
        add(l);
    for (const SlopeGroup& g : kSlopes)
        for (int32_t b = 0; b < kSlopeBands; ++b)
            adrs.push_back(kSlopeBase + 6 * b + g.offset);
    for (const ByteLine& l : kTemps)
        add(l);
    adrs.push_back(kBaseFreqAdr);
    adrs.push_back(kBaseFreqAdr + 1);
    for (const ByteLine& l : kRssi)
        add(l);
    return adrs;
}
