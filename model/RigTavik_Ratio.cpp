// " MOD Ratio" holds the narrow modulation level as a fraction of the wide
// one, on a scale of 0 to 255. These convert between the two forms.
#include <algorithm>
#include <cmath>
#include <limits>

#include "model/clsIndOp_RigTavik.h"

int16_t clsIndOp_RigTavik::RigTavikOp_RatioToByte(int16_t a, int16_t b)
{
    if (a < 1 || b < 1)
        return 0;
    const double r = std::floor(static_cast<int32_t>(255) * a / static_cast<double>(b) + 0.5);
    return static_cast<int16_t>(std::min(r, 255.0));
}

int16_t clsIndOp_RigTavik::RigTavikOp_ScaleByte(int16_t a, int16_t b)
{
    const double r = std::floor(static_cast<int32_t>(a) * b / 255.0 + 0.5);
    // Callers pass 0..255; the lower bound only keeps the result a 16-bit number.
    return static_cast<int16_t>(std::clamp(r, static_cast<double>(std::numeric_limits<int16_t>::min()), 255.0));
}
