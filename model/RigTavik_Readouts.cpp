// Analogue readouts: one A/D channel per request, its answer checked and
// shown as one line of a readout list (main group in lbo01(0), adjustment
// group in lbo01(1)). A readout never blocks: the first call sends the
// request, later calls poll until the sequencer is idle.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "link/Common.h"
#include "link/clsCmcOrb5Drv.h"
#include "model/NumberFormat.h"
#include "model/clsIndOp_RigTavik.h"

namespace {

enum class Quantity {
    None,      // no line: written empty
    Volts10,   // v * 10 / 255 V
    Volts5,    // v * 5 / 255 V
    Celsius,   // thermistor on a 5 V divider
    Ratio,     // v / 255, shown in percent
};

struct AdChannel {
    const char* label;
    Quantity quantity;
};

// Channels 5 (main) and 9 (adjustment) are not read by anyone.
const AdChannel kMain[6] = {
    {"VIN  :", Quantity::Volts10}, {"TEMPS:", Quantity::Celsius}, {"LVIN :", Quantity::Volts5},
    {"SD   :", Quantity::Volts5},  {"", Quantity::None},           {"", Quantity::None},
};
const AdChannel kAdjust[10] = {
    {"BPF T1 :", Quantity::Volts5}, {"T2/POW :", Quantity::Volts5}, {"TX LVA :", Quantity::Volts5},
    {"RX LVA :", Quantity::Volts5}, {"REF    :", Quantity::Volts5}, {"MOD BAL:", Quantity::Ratio},
    {"Dev    :", Quantity::Volts5}, {"CTCSS  :", Quantity::Volts5}, {"SQL Lev:", Quantity::Ratio},
    {"", Quantity::None},
};

constexpr size_t kAnswerLength = 7;   // model codes (4), sub-command, two hex digits

// Thermistor (47 kOhm at 25 'C, B = 4000 K) under a 100 kOhm resistor to 5 V.
double thermistorCelsius(int v)
{
    const double vt = v * 5 / 255.0;
    const double r = (500000 - vt * 100000) / vt;
    return 1 / (std::log(r / 47000) / 4000 + 1 / 298.15) - 273.15;
}

std::string adLine(const AdChannel& ch, int v)
{
    if (ch.quantity == Quantity::None)
        return "";
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(v));
    std::string line = ch.label + FitField("   ", std::to_string(v), 3) + ":" + hex + "h:";
    std::string value;
    switch (ch.quantity) {
    case Quantity::Volts10:
        value = FormatNumber(v * 10 / 255.0, "##0.#0V");
        break;
    case Quantity::Volts5:
        value = FormatNumber(v * 5 / 255.0, "##0.#0V");
        break;
    case Quantity::Ratio:
        value = FormatNumber(v / 255.0, "0.00%");
        break;
    case Quantity::Celsius:
        // Open or shorted thermistor: the divider sits at a rail.
        if (v == 0 || v == 255)
            return line + "*Error";
        value = FormatNumber(thermistorCelsius(v), "###.#0'C");
        break;
    case Quantity::None:
        break;
    }
    return line + FitField("   ", value, 7);
}

}  // namespace

std::vector<std::string> clsIndOp_RigTavik::ReadoutNames()
{
    std::vector<std::string> names;
    for (const auto* group : {&kMain[0], &kAdjust[0]}) {
        const size_t n = group == &kMain[0] ? std::size(kMain) : std::size(kAdjust);
        for (size_t i = 0; i < n; ++i) {
            std::string label = group[i].label;
            label = label.substr(0, label.find(':'));
            label = label.substr(0, label.find_last_not_of(' ') + 1);
            if (!label.empty())
                names.push_back(label);
        }
    }
    return names;
}

bool clsIndOp_RigTavik::RigTavikOp_ReadAdMain(int16_t channel, bool start)
{
    return readAd(0, channel, start);
}

bool clsIndOp_RigTavik::RigTavikOp_ReadAdAdjust(int16_t channel, bool start)
{
    return readAd(1, channel, start);
}

bool clsIndOp_RigTavik::readAd(int group, int16_t channel, bool start)
{
    if (channel < 0 || channel >= (group == 0 ? 6 : 10))
        return true;   // no such channel: nothing to read
    const int16_t code = group == 0 ? adCodeMain[channel] : adCodeAdjust[channel];
    if (start) {
        // Sub-command 0x03, then the channel code as two ASCII hex digits.
        myOrb5Seq.easySendE8ReqAnswer(ByteToHex2(3) + ByteToAsciiHexStr(code));
        return false;
    }
    if (myOrb5Seq.Busy())
        return false;

    const ByteStr& answer = myOrb5Seq.driver().varLastE8Answer();
    if (RigTavikOp_CheckAdAnswer(answer)) {
        adError = true;   // the task reports it; the line keeps what it showed
        return true;
    }
    const int16_t v = RigTavikOp_AdAnswerValue(answer);
    int16_t& last = group == 0 ? adLastMain[channel] : adLastAdjust[channel];
    if (v == last)
        return true;   // unchanged: no redraw
    last = v;
    const std::string line = adLine(group == 0 ? kMain[channel] : kAdjust[channel], v);
    myJournal.readout(group, channel, v, line);
    platform::ListBox* list = myWindow.lbo01[group];
    if (list != nullptr)
        list->setLine(channel + 1, line);
    return true;
}

bool clsIndOp_RigTavik::RigTavikOp_CheckAdAnswer(const ByteStr& answer) const
{
    if (answer.size() != kAnswerLength)
        return true;
    if (adAnsPrefix.size() > answer.size() || !std::equal(adAnsPrefix.begin(), adAnsPrefix.end(), answer.begin()))
        return true;
    return HexDigitValue(answer[5]) < 0 || HexDigitValue(answer[6]) < 0;
}

int16_t clsIndOp_RigTavik::RigTavikOp_AdAnswerValue(const ByteStr& answer)
{
    if (answer.size() < kAnswerLength)
        return 0;
    const int hi = HexDigitValue(answer[5]);
    const int lo = HexDigitValue(answer[6]);
    if (hi < 0 || lo < 0)
        return 0;
    return static_cast<int16_t>(hi * 16 + lo);
}
