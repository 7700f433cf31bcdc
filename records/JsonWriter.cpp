#include "records/JsonWriter.h"

#include <cmath>
#include <cstdio>
#include <locale>
#include <sstream>

#include "records/TimeText.h"

namespace {

// The length of the UTF-8 sequence at s[i], or 0 when it is none.
size_t utf8Length(const std::string& s, size_t i)
{
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((b(i + k) & 0xC0) != 0x80)
            return 0;
    // Overlong forms, surrogates and code points beyond U+10FFFF are none.
    if ((n == 2 && c < 0xC2) || (n == 3 && c == 0xE0 && b(i + 1) < 0xA0) || (n == 3 && c == 0xED && b(i + 1) >= 0xA0) ||
        (n == 4 && c == 0xF0 && b(i + 1) < 0x90) || (n == 4 && (c > 0xF4 || (c == 0xF4 && b(i + 1) >= 0x90))))
        return 0;
    return n;
}

}  // namespace

std::string JsonQuoted(const std::string& s)
{
    std::string out = "\"";
    for (size_t i = 0; i < s.size();) {
        const char c = s[i];
        const size_t n = utf8Length(s, i);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(s, i, n);
            i += n;
            continue;
        }
        ++i;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            if (i < s.size() && s[i] == '\n')
                break;   // CR LF is one line break
            out += "\\n";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
                out += esc;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string JsonNumber(double v)
{
    if (!std::isfinite(v))
        return "null";
    std::ostringstream o;
    o.imbue(std::locale::classic());
    o.precision(15);
    o << v;
    return o.str();
}

std::string JsonArray(const std::vector<std::string>& elements)
{
    std::string out = "[";
    for (size_t i = 0; i < elements.size(); ++i)
        out += (i ? "," : "") + elements[i];
    return out + "]";
}

Obj& Obj::date(const char* key, int64_t seconds)
{
    return raw(key, seconds != 0 ? JsonQuoted(LocalDateText(seconds)) : "null");
}
