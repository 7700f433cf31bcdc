#pragma once
// Conversions between byte strings, hexadecimal text and ASCII hexadecimal
// bytes. Frames are composed as hexadecimal text; EEPROM data travel inside
// frames as ASCII hexadecimal characters.
#include <cstdint>
#include <string>

#include "platform/ByteStr.h"

// The value of one hexadecimal digit character (either case), -1 for any
// other character.
int HexDigitValue(uint8_t c);
// One byte per character (the characters used are all single-byte).
ByteStr StrToByteStr(const std::string& text);
// Bytes that are ASCII hexadecimal digits, read up to the first non-digit,
// as a 16-bit two's complement value ("FFFF" gives -1).
int16_t HexByteStrToInt(const ByteStr& bytes);
// "FE FE" and "FEFE" both give FE FE; a last single digit is ignored.
ByteStr HexStrToByteStr(const std::string& hex);
// Two upper-case digits per byte, no separators.
std::string ByteStrToHexStr(const ByteStr& bytes);
// The ASCII codes of the two hexadecimal digits of the value's low byte:
// 0x1F gives "3146".
std::string ByteToAsciiHexStr(int16_t value);
// Two upper-case digits of the value's low byte: -1 gives "FF".
std::string ByteToHex2(int16_t value);
