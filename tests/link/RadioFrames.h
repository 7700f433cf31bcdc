#pragma once
// Byte helpers for the link tests; the transceiver's frames come from the
// shared scripted radio.
#include <string>

#include "platform/ByteStr.h"
#include "tests/support/ScriptedRadio.h"

ByteStr bytes(const std::string& hex);
ByteStr cat(ByteStr a, const ByteStr& b);
// The frame the PC writes: FE FE EE EF <payload> FD
ByteStr pcFrame(const ByteStr& payload);
