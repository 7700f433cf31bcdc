#pragma once
// A byte string: the program's form for binary data (frames, EEPROM blocks, answers).
#include <cstdint>
#include <vector>

using ByteStr = std::vector<uint8_t>;
