#pragma once
// JSON text written field by field, for the journal, the reports and the
// run records: strings escaped (bytes that are no UTF-8 become U+FFFD, so
// that a typed or scanned text never makes a document invalid), numbers
// in the C locale.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A JSON string of the text.
std::string JsonQuoted(const std::string& s);
// A number as JSON: whole numbers without a fraction, else up to 15 digits.
std::string JsonNumber(double v);
// The elements, each already JSON, as an array.
std::string JsonArray(const std::vector<std::string>& elements);

// An object built field by field, in the order given.
class Obj {
public:
    Obj& str(const char* key, const std::string& v) { return raw(key, JsonQuoted(v)); }
    // null when empty.
    Obj& optStr(const char* key, const std::string& v) { return raw(key, v.empty() ? "null" : JsonQuoted(v)); }
    Obj& num(const char* key, long long v) { return raw(key, std::to_string(v)); }
    Obj& real(const char* key, double v) { return raw(key, JsonNumber(v)); }
    Obj& optReal(const char* key, const std::optional<double>& v) { return raw(key, v ? JsonNumber(*v) : "null"); }
    Obj& flag(const char* key, bool v) { return raw(key, v ? "true" : "false"); }
    // Calendar seconds as local time with its offset; null for 0.
    Obj& date(const char* key, int64_t seconds);
    Obj& raw(const char* key, const std::string& json)
    {
        text_ += (text_.empty() ? "{" : ",") + JsonQuoted(key) + ":" + json;
        return *this;
    }
    std::string done() const { return text_.empty() ? "{}" : text_ + "}"; }

private:
    std::string text_;
};
