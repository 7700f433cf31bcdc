#pragma once
// Where the transceiver keeps its memory channels, frequencies, model flags
// and adjustment parameters in the EEPROM image, read into values. It only
// reads the image, at the moment of each call.
//
// Channel record (18 bytes, channel n at start + 18n; the model passes 0x160
// for receive and 0x164 for transmit frequencies):
//   0..3  receive frequency in hertz, big-endian; bit 7 of byte 0 also marks
//         the record as a channel
//   4..7  transmit frequency in hertz, big-endian
//   12    bits 0/1 RF power code, bits 6/7 inhibit marks
//   13    bit 7 narrow mode
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class clsCmcEeprom;
namespace platform {
class TextBox;
}

class clsIndEep_RigTavik {
public:
    static constexpr int32_t kRecordSize = 18;
    static constexpr int32_t kBaseFreqAdr = 0x030;
    static constexpr int32_t kMidFlagAdr = 0x140;
    static constexpr int kParaLines = 66;

    explicit clsIndEep_RigTavik(clsCmcEeprom& eep);

    // The 1-based channel number as text ("1" for channel 0), also kept in
    // the name table at chNo (0..41).
    std::string RigTavikEep_GetChName(int16_t chNo);
    // Frequencies in hertz, read unsigned (up to 4294.967295 MHz).
    uint32_t RigTavikEep_GetChFreqTxReal(int32_t start_address, int16_t chNo) const;
    uint32_t RigTavikEep_GetChFreqRxReal(int32_t start_address, int16_t chNo) const;
    // 0 high, 1 low 2, 2 low 1.
    int16_t RigTavikEep_GetChRFPower(int32_t start_address, int16_t chNo) const;
    // True: narrow.
    bool RigTavikEep_GetChMode(int32_t start_address, int16_t chNo) const;
    // True on the Mid variant, whose BAL, MOD and tone correction bytes lie
    // elsewhere.
    bool RigTavikEep_GetMid() const;
    bool RigTavikEep_GetChAppear(int32_t start_address, int16_t chNo) const;
    uint32_t ReadFreqBlock(int32_t adr) const;
    bool Check_MRCH(int32_t adr) const;
    int16_t Check_Inh(int32_t adr, int16_t bit) const;
    int32_t ReadBaseFreqBlock() const;

    // The parameter listing: 66 labelled lines, each ending in CR LF.
    std::string RigTavikEep_DispParaText() const;
    // Puts the listing into the text box in one assignment.
    void RigTavikEep_DispPara(platform::TextBox& txt) const;
    // The EEPROM addresses the listing shows, for the variant the image is.
    std::vector<int32_t> RigTavikEep_DispParaAddresses() const;

private:
    int16_t byteAt(int64_t adr) const;

    clsCmcEeprom& eep_;
    std::array<std::string, 42> chName_;
};
