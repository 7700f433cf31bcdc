#pragma once
// Two EEPROM images compared as a technician reads them: the lines of the
// parameter listing that differ, the memory channels whose records differ,
// and any other bytes that differ; or simply byte for byte.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ByteStr.h"

struct ImageDifference {
    std::string label;   // 30 characters, ending in ": ", as in the listing
    std::string a;       // the value in the first image
    std::string b;       // the value in the second image
};

// Everything that differs, listing lines first, in listing order, then
// channels, then other bytes by address. Empty when the images are equal.
std::vector<ImageDifference> CompareImages(const ByteStr& a, const ByteStr& b);
// One line: label, value in a, " -> ", value in b.
std::string DifferenceLine(const ImageDifference& d);

// Addresses at which the images differ, in order.
std::vector<int32_t> DifferingAddresses(const ByteStr& a, const ByteStr& b);

// Why an image cannot be a radio's memory ("" when it can): every byte 0x00
// or 0xFF (an erased or unwritten memory), a base frequency that the
// parameter listing cannot decode, or a programmed channel whose frequency
// lies beyond what the listing accepts for the base frequency.
std::string ImplausibleImage(const ByteStr& image);
// How many bytes of the memory channels and the listed alignment values
// differ between two images: a handful after a job on the same radio, many
// when the images come from two units.
int UnitBytesDiffering(const ByteStr& a, const ByteStr& b);
// More differing unit bytes than this: the image is from another radio.
constexpr int kOtherUnitBytes = 24;
