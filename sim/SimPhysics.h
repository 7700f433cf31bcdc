#pragma once
// The radio's A/D converter and the small physical model behind it. Every
// reading is a byte 0..255 and, without noise, a pure function of the live
// settings (held in the EEPROM image) and the applied signal level.
//
// Detector voltage SD (channel 0x04), for the band-pass filter tuning T1
// (EEPROM 0x034) and T2 (0x035) and the signal level s (default 100):
//
//   r(t, c) = max(0, 110 - 3 * max(0, |t - c| - 3))      one filter's response
//   SD      = min(255, floor(s * (20 + r(T1, 37) + r(T2, 86)) / 100))
//
// So each filter peaks with a flat top of 7 equal readings: T1 at 34..40
// (centre 37), T2 at 83..89 (centre 86); one step off the top costs 3 counts
// at s = 100 and the response is gone 40 steps away. A sweep that settles on
// Int((first + last value of the top) / 2) lands on 37 and 86, for the fine
// sweep over 0..255 as for the coarse one over 0, 2, ..., 128. The top stays
// exactly 7 wide while 34 <= s <= 106 (below, neighbours may round to the
// same reading; above, the detector saturates at 255). With both filters on
// their peaks and s = 100, SD reads 240.
//
// Level input voltage LVIN (channel 0x05), for RX LVA (0x03C) and TX LVA (0x03D):
//
//   LVIN = 64 + floor(3 * RX / 8) - floor(TX / 4)         always 1..159
//
// It rises with RX LVA and falls with TX LVA and never reaches 0 or 160..255.
//
// The other channels:
//   0x00 VIN        189 (7.41 V on the 10 V scale)
//   0x03 thermistor 173 (about 24.8 degC for a 47 kOhm, B 4000 thermistor
//                   under a 100 kOhm pull-up)
//   0x0B CTCSS      the CTCSS/DTCS level (0x033)
//   0x0C REF        the reference setting (0x087)
//   0x0D MOD BAL    the balance setting (0x043; 0x051 on the Mid variant)
//   0x0E Dev        the wide modulation level (0x042; 0x050 on the Mid variant)
//   0x0F SQL        the squelch level (0x113)
//   0x10 BPF T1     the T1 tuning (0x034)
//   0x11 T2/POW     the T2 tuning (0x035)
//   0x12 TX LVA     the TX LVA setting (0x03D)
//   0x13 RX LVA     the RX LVA setting (0x03C)
//   any other code  0
#include <cstdint>

#include "sim/SimCodec.h"

namespace dsim {
namespace physics {

constexpr int kT1Centre = 37;
constexpr int kT2Centre = 86;
constexpr int kFlatHalfWidth = 3;
constexpr int kPeakHeight = 110;
constexpr int kFallPerStep = 3;
constexpr int kSdFloor = 20;
constexpr int kDefaultSignal = 100;
constexpr int kMaxSignal = 255;

constexpr int kVinReading = 189;
constexpr int kThermistorReading = 173;

// A/D channel codes.
constexpr uint8_t kAdVin = 0x00;
constexpr uint8_t kAdThermistor = 0x03;
constexpr uint8_t kAdSd = 0x04;
constexpr uint8_t kAdLvin = 0x05;
constexpr uint8_t kAdCtcss = 0x0B;
constexpr uint8_t kAdRef = 0x0C;
constexpr uint8_t kAdModBal = 0x0D;
constexpr uint8_t kAdDev = 0x0E;
constexpr uint8_t kAdSql = 0x0F;
constexpr uint8_t kAdBpfT1 = 0x10;
constexpr uint8_t kAdT2Pow = 0x11;
constexpr uint8_t kAdTxLva = 0x12;
constexpr uint8_t kAdRxLva = 0x13;

int filterResponse(int tuning, int centre);
int sdReading(int t1, int t2, int signal);
int lvinReading(int rxLva, int txLva);

// The reading of an A/D channel for the live settings in the image.
int adReading(uint8_t code, const Bytes& image, int signal);

}  // namespace physics
}  // namespace dsim
