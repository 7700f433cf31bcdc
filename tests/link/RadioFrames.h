#pragma once
// Frames as the transceiver sends them, for feeding the driver.
#include <string>

#include "platform/ByteStr.h"

ByteStr bytes(const std::string& hex);
ByteStr cat(ByteStr a, const ByteStr& b);
// FE FE EF EE <cmd> <payload> FD
ByteStr radioFrame(uint8_t cmd, const ByteStr& payload);
// The frame the PC writes: FE FE EE EF <payload> FD
ByteStr pcFrame(const ByteStr& payload);
// A model answer of the given total body length (at least 8), with the
// model byte at body byte 43 when the body is long enough.
ByteStr e1Answer(const std::string& main = "5314", const std::string& sub = "0100", size_t bodyLen = 51,
                 uint8_t modelByte = 0x01);
// A clone data frame; checksumDelta spoils the checksum.
ByteStr e4Frame(int adr, const ByteStr& data, int checksumDelta = 0);
ByteStr e5Frame(int count);
