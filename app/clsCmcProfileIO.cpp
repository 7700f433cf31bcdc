#include "app/clsCmcProfileIO.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

// A plain decimal number: sign, digits, point, exponent; blanks around it.
bool parseNumber(const std::string& text, double& out)
{
    size_t b = 0;
    size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    if (b == e)
        return false;
    const std::string t = text.substr(b, e - b);
    for (char c : t)
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E'))
            return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || errno == ERANGE || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

// Whole numbers round halves to even, as the standard conversions do.
template <typename T>
bool toWhole(const std::string& text, ProfileValue& var)
{
    double d = 0;
    if (!parseNumber(text, d))
        return false;
    d = std::nearbyint(d);
    if (d < static_cast<double>(std::numeric_limits<T>::min()) ||
        d > static_cast<double>(std::numeric_limits<T>::max()))
        return false;
    var = static_cast<T>(d);
    return true;
}

bool toDate(const std::string& text, ProfileValue& var)
{
    if (text.size() != 19)
        return false;
    int f[6] = {};
    const size_t at[6] = {0, 5, 8, 11, 14, 17};
    const size_t len[6] = {4, 2, 2, 2, 2, 2};
    for (int i = 0; i < 6; ++i) {
        double d = 0;
        const std::string part = text.substr(at[i], len[i]);
        if (!parseNumber(part, d) || d != std::floor(d))
            return false;
        f[i] = static_cast<int>(d);
    }
    static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (f[0] < 100 || f[1] < 1 || f[1] > 12 || f[2] < 1 || f[2] > kDays[f[1] - 1] || f[3] > 23 || f[3] < 0 ||
        f[4] < 0 || f[4] > 59 || f[5] < 0 || f[5] > 59)
        return false;
    const bool leap = (f[0] % 4 == 0 && f[0] % 100 != 0) || f[0] % 400 == 0;
    if (f[1] == 2 && f[2] == 29 && !leap)
        return false;
    var = ProfileDate{f[0], f[1], f[2], f[3], f[4], f[5]};
    return true;
}

std::string realText(double v, int digits)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    return buf;
}

}  // namespace

clsCmcProfileIO::clsCmcProfileIO(platform::ProfileFile& file, std::string programFolder)
    : file_(file), programFolder_(std::move(programFolder))
{
}

void clsCmcProfileIO::setFullPath(const std::string& fullName)
{
    path_ = GetPathName(fullName);
    if (path_.empty() || path_.back() != '/')
        path_ += '/';
    name_ = GetFileName(fullName);
}

void clsCmcProfileIO::SetCurrentPath()
{
    path_ = programFolder_;
    if (path_.empty() || path_.back() != '/')
        path_ += '/';
}

std::string clsCmcProfileIO::StripTerminator(const std::string& s)
{
    const size_t nul = s.find('\0');
    return nul == std::string::npos ? s : s.substr(0, nul);
}

std::string clsCmcProfileIO::GetFileName(const std::string& path)
{
    size_t cut = 0;
    for (size_t i = 0; i < path.size(); ++i)
        if (isSeparator(path[i]))
            cut = i + 1;
    return path.substr(cut);
}

std::string clsCmcProfileIO::GetPathName(const std::string& fileName) const
{
    std::string t = fileName;
    for (char& c : t)
        if (c == '\\')
            c = '/';
    const size_t last = t.rfind('/');
    std::string folder = last == std::string::npos ? programFolder_ : t.substr(0, last + 1);
    if (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string clsCmcProfileIO::ValueText(const ProfileValue& v)
{
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(int16_t x) const { return std::to_string(x); }
        std::string operator()(int32_t x) const { return std::to_string(x); }
        std::string operator()(uint8_t x) const { return std::to_string(x); }
        std::string operator()(float x) const { return realText(x, 7); }
        std::string operator()(double x) const { return realText(x, 15); }
        std::string operator()(bool x) const { return x ? "1" : "0"; }
        std::string operator()(const std::string& x) const { return x; }
        std::string operator()(const ProfileDate& d) const
        {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%04d.%02d.%02d-%02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                          d.minute, d.second);
            return buf;
        }
    };
    return std::visit(Visitor{}, v);
}

bool clsCmcProfileIO::FromText(const std::string& text, ProfileValue& var)
{
    switch (var.index()) {
    case 1:
        return toWhole<int16_t>(text, var);
    case 2:
        return toWhole<int32_t>(text, var);
    case 3: {
        double d = 0;
        if (!parseNumber(text, d) || std::fabs(d) > std::numeric_limits<float>::max())
            return false;
        var = static_cast<float>(d);
        return true;
    }
    case 4: {
        double d = 0;
        if (!parseNumber(text, d))
            return false;
        var = d;
        return true;
    }
    case 5:
        return toWhole<uint8_t>(text, var);
    case 6:
        var = text != "0";
        return true;
    case 7:
        var = text;
        return true;
    case 8:
        return toDate(text, var);
    default:
        return false;
    }
}

bool clsCmcProfileIO::saveData(const std::string& key, const ProfileValue& value)
{
    if (std::holds_alternative<std::monostate>(value))
        return false;
    return file_.WritePrivateProfileString(section_, key, ValueText(value), GetMyProfile());
}

bool clsCmcProfileIO::loadData(const std::string& key, ProfileValue& var, const std::optional<ProfileValue>& def)
{
    if (std::holds_alternative<std::monostate>(var))
        return false;
    if (def && def->index() != var.index())
        return false;
    const std::string defText = ValueText(def ? *def : var);
    std::string text = file_.GetPrivateProfileString(section_, key, defText, kBufferSize, GetMyProfile());
    if (text.empty())
        return false;
    text = StripTerminator(text);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    ProfileValue converted = var;
    if (FromText(text, converted))
        var = converted;
    return true;
}
