#pragma once
// Moments as the program writes them down, in local time.
#include <cstdint>
#include <ctime>
#include <string>

// ISO 8601 with the offset from UTC (2026-12-05T14:03:22+01:00), as records,
// journals and reports carry it; "" for 0 (unknown).
std::string LocalDateText(int64_t unixSeconds);
// As part of a file name, sorting by time (2026-12-05T14-03-22).
std::string NameTime(std::time_t t);
