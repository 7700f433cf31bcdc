#pragma once
// Key codes and shift states of the window's key events, as the window's
// logic sees them (the window system's virtual key numbers).
#include <cstdint>

inline constexpr int16_t kKeyReturn = 13;
inline constexpr int16_t kKeyEscape = 27;
inline constexpr int16_t kKeyPageUp = 33;
inline constexpr int16_t kKeyPageDown = 34;
inline constexpr int16_t kKeyLeft = 37;
inline constexpr int16_t kKeyUp = 38;
inline constexpr int16_t kKeyRight = 39;
inline constexpr int16_t kKeyDown = 40;
inline constexpr int16_t kKeySeparator = 108;   // the numeric keypad's separator
inline constexpr int16_t kKeyF5 = 116;
inline constexpr int16_t kKeyOther = 0;         // any key the logic has no use for

inline constexpr int16_t kShiftMask = 1;
inline constexpr int16_t kCtrlMask = 2;
inline constexpr int16_t kAltMask = 4;
