#include "model/NumberFormat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

struct Pattern {
    std::string prefix;
    std::string suffix;
    int minInt = 0;     // "0" placeholders before the point
    int minFrac = 0;    // decimals up to and including the last "0" after the point
    int maxFrac = 0;    // placeholders after the point
    int percents = 0;   // "%" signs in the literal text
};

bool isPlaceholder(char c)
{
    return c == '#' || c == '0';
}

Pattern parse(const std::string& pattern)
{
    Pattern p;
    size_t i = 0;
    while (i < pattern.size() && !isPlaceholder(pattern[i]) && pattern[i] != '.')
        p.prefix += pattern[i++];
    for (; i < pattern.size() && isPlaceholder(pattern[i]); ++i)
        if (pattern[i] == '0')
            ++p.minInt;
    if (i < pattern.size() && pattern[i] == '.') {
        ++i;
        for (; i < pattern.size() && isPlaceholder(pattern[i]); ++i) {
            ++p.maxFrac;
            if (pattern[i] == '0')
                p.minFrac = p.maxFrac;
        }
    }
    p.suffix = pattern.substr(i);
    for (char c : p.prefix + p.suffix)
        if (c == '%')
            ++p.percents;
    return p;
}

// The decimal digits of |x| split at the point, from its 15 significant
// digits: this drops the binary noise of a double (2.675 is stored as
// 2.67499999...) so that rounding works on the number as written.
void decimalDigits(double x, std::string& intPart, std::string& fracPart)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));
    // buf: d.dddddddddddddde[+-]xx
    std::string digits;
    const char* p = buf;
    for (; *p != 'e' && *p != '\0'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    const int exp10 = (*p == 'e') ? std::atoi(p + 1) : 0;
    if (exp10 >= 0) {
        const auto nInt = static_cast<size_t>(exp10) + 1;
        if (digits.size() < nInt)
            digits.append(nInt - digits.size(), '0');
        intPart = digits.substr(0, nInt);
        fracPart = digits.substr(nInt);
    } else {
        intPart = "0";
        fracPart = std::string(static_cast<size_t>(-exp10 - 1), '0') + digits;
    }
}

// Rounds the digit strings to n decimals, half away from zero (they hold a
// magnitude, so "up" is away from zero).
void roundTo(std::string& intPart, std::string& fracPart, size_t n)
{
    if (fracPart.size() <= n) {
        fracPart.append(n - fracPart.size(), '0');
        return;
    }
    const bool up = fracPart[n] >= '5';
    fracPart.resize(n);
    if (!up)
        return;
    std::string all = intPart + fracPart;
    size_t k = all.size();
    while (k > 0) {
        --k;
        if (all[k] == '9') {
            all[k] = '0';
        } else {
            ++all[k];
            break;
        }
        if (k == 0)
            all.insert(all.begin(), '1');
    }
    intPart = all.substr(0, all.size() - n);
    fracPart = all.substr(all.size() - n);
}

}  // namespace

std::string FormatNumber(double value, const std::string& pattern)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Infinity" : "Infinity";

    const Pattern p = parse(pattern);
    for (int k = 0; k < p.percents; ++k)
        value *= 100.0;
    if (std::isinf(value))
        return value < 0 ? "-Infinity" : "Infinity";

    std::string intPart;
    std::string fracPart;
    decimalDigits(value, intPart, fracPart);
    roundTo(intPart, fracPart, static_cast<size_t>(p.maxFrac));

    // Trailing decimals beyond the last required one go when they are zero.
    while (fracPart.size() > static_cast<size_t>(p.minFrac) && fracPart.back() == '0')
        fracPart.pop_back();

    const size_t firstSignificant = intPart.find_first_not_of('0');
    intPart = firstSignificant == std::string::npos ? std::string() : intPart.substr(firstSignificant);
    if (intPart.size() < static_cast<size_t>(p.minInt))
        intPart.insert(0, static_cast<size_t>(p.minInt) - intPart.size(), '0');

    const bool shownNonZero = (intPart + fracPart).find_first_not_of('0') != std::string::npos;
    std::string number = intPart;
    if (!fracPart.empty())
        number += "." + fracPart;
    if (number.empty())
        number = "0";   // nothing at all would be shown: a zero says more
    if (value < 0 && shownNonZero)
        number.insert(0, "-");
    return p.prefix + number + p.suffix;
}

std::string FitField(const std::string& lead, const std::string& text, size_t width)
{
    if (text.size() >= width)
        return text;
    const std::string all = lead + text;
    return all.size() <= width ? all : all.substr(all.size() - width);
}
