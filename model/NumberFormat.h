#pragma once
// Number formatting with digit-placeholder patterns, as the readouts, the
// channel line and the parameter listing show their values:
//
//   "0"  a digit that is always shown;
//   "#"  a digit shown only where significant;
//   "."  the decimal point;
//   "%"  shown as is, and the value is multiplied by 100;
//   anything else before or after the digits is shown as is ("V", "'C", "MHz").
//
// Integer part: all significant digits, padded with leading zeros up to the
// number of "0" placeholders; "#" placeholders add nothing ("###.#0" shows
// 0.27 as ".27").
// Decimals: the value is rounded, half away from zero, to as many decimals as
// the pattern has placeholders after the point. Every decimal up to the last
// "0" placeholder is shown; decimals after it only when they are not trailing
// zeros. So "##0.#0V" always shows two decimals and "###0.#####0" six.
// The point is shown only when a decimal follows it; a number that would show
// no digit at all shows "0". A negative value gets a
// leading "-" unless it shows as zero. Not-a-number and infinities show as
// "NaN", "Infinity" and "-Infinity". Digit grouping is not supported.
#include <string>

std::string FormatNumber(double value, const std::string& pattern);

// A value field of fixed width: lead followed by text, cut to its rightmost
// width characters, so that the cut takes only from lead. A text wider than
// the field is shown whole instead: a field never loses a sign or a digit.
std::string FitField(const std::string& lead, const std::string& text, size_t width);
