#include "records/TimeText.h"

namespace {

std::string formatLocal(std::time_t t, const char* format)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    return std::strftime(buf, sizeof buf, format, &tm) > 0 ? std::string(buf) : std::string();
}

}  // namespace

std::string LocalDateText(int64_t unixSeconds)
{
    if (unixSeconds == 0)
        return "";
    std::string s = formatLocal(static_cast<std::time_t>(unixSeconds), "%Y-%m-%dT%H:%M:%S%z");
    // +0100 becomes +01:00.
    if (s.size() >= 5)
        s.insert(s.size() - 2, ":");
    return s;
}

std::string NameTime(std::time_t t)
{
    return formatLocal(t, "%Y-%m-%dT%H-%M-%S");
}
