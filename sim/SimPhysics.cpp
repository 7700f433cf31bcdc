#include "sim/SimPhysics.h"

#include <algorithm>
#include <cstdlib>

#include "sim/SimImage.h"

namespace dsim {
namespace physics {

int filterResponse(int tuning, int centre)
{
    const int off = std::max(0, std::abs(tuning - centre) - kFlatHalfWidth);
    return std::max(0, kPeakHeight - kFallPerStep * off);
}

int sdReading(int t1, int t2, int signal)
{
    const int sum = kSdFloor + filterResponse(t1, kT1Centre) + filterResponse(t2, kT2Centre);
    return std::min(255, signal * sum / 100);
}

int lvinReading(int rxLva, int txLva)
{
    return 64 + 3 * rxLva / 8 - txLva / 4;
}

int adReading(uint8_t code, const Bytes& image, int signal)
{
    const bool mid = isMid(image);
    switch (code) {
    case kAdVin: return kVinReading;
    case kAdThermistor: return kThermistorReading;
    case kAdSd: return sdReading(image[adr::kBpfT1], image[adr::kBpfT2], signal);
    case kAdLvin: return lvinReading(image[adr::kRxLva], image[adr::kTxLva]);
    case kAdCtcss: return image[adr::kCtcssLevel];
    case kAdRef: return image[adr::kRef];
    case kAdModBal: return image[mid ? adr::kBalMid : adr::kBal];
    case kAdDev: return image[mid ? adr::kModWMid : adr::kModW];
    case kAdSql: return image[adr::kSqlLevel];
    case kAdBpfT1: return image[adr::kBpfT1];
    case kAdT2Pow: return image[adr::kBpfT2];
    case kAdTxLva: return image[adr::kTxLva];
    case kAdRxLva: return image[adr::kRxLva];
    default: return 0;
    }
}

}  // namespace physics
}  // namespace dsim
