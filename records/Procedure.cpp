#include "records/Procedure.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "model/clsIndOp_RigTavik.h"

namespace {

constexpr size_t kMaxFileBytes = 1 << 20;   // a procedure is a page or two of text

const char* const kKindKeys[] = {"prompt", "measure", "set", "adjust", "auto", "readout", "item", "write-verify"};

// A reason tied to a place in the file.
struct Refused {
    int line;
    std::string reason;
};

int lineOf(const YAML::Node& n)
{
    return n.Mark().line >= 0 ? n.Mark().line + 1 : 0;
}

std::string text(const YAML::Node& n, const std::string& key)
{
    if (!n.IsScalar())
        throw Refused{lineOf(n), key + " must be a text"};
    return n.Scalar();
}

double number(const YAML::Node& n, const std::string& key)
{
    if (n.IsScalar()) {
        const std::string s = n.Scalar();
        std::istringstream in(s);
        in.imbue(std::locale::classic());
        double v = 0;
        char rest = 0;
        if (in >> v && !(in >> rest) && std::isfinite(v))
            return v;
    }
    throw Refused{lineOf(n), key + " must be a number"};
}

int whole(const YAML::Node& n, const std::string& key, int lo, int hi)
{
    const double v = number(n, key);
    if (v != std::floor(v) || v < lo || v > hi)
        throw Refused{lineOf(n), key + " must be a whole number from " + std::to_string(lo) + " to " +
                                      std::to_string(hi)};
    return static_cast<int>(v);
}

bool flag(const YAML::Node& n, const std::string& key)
{
    const std::string s = n.IsScalar() ? n.Scalar() : std::string();
    if (s == "true")
        return true;
    if (s == "false")
        return false;
    throw Refused{lineOf(n), key + " must be true or false"};
}

bool known(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string listed(const std::vector<std::string>& names)
{
    std::string out;
    for (const std::string& n : names)
        out += (out.empty() ? "" : ", ") + n;
    return out;
}

struct Entry {
    std::string key;
    int line;   // the key's: an empty value has no line of its own
    YAML::Node value;
};

// Keys of a mapping, each once; a key twice is refused.
std::vector<Entry> entries(const YAML::Node& map)
{
    std::vector<Entry> out;
    std::set<std::string> seen;
    for (const auto& kv : map) {
        const std::string key = kv.first.IsScalar() ? kv.first.Scalar() : std::string();
        if (key.empty())
            throw Refused{lineOf(kv.first), "a key must be a word"};
        if (!seen.insert(key).second)
            throw Refused{lineOf(kv.first), key + " is given twice"};
        out.push_back({key, lineOf(kv.first), kv.second});
    }
    return out;
}

// The keys each kind of step may have besides its own and the common ones.
std::vector<std::string> allowedKeys(StepKind k)
{
    switch (k) {
    case StepKind::Prompt:
    case StepKind::WriteVerify:
        return {};
    case StepKind::Measure:
        return {"unit", "low", "high", "marginal", "tries"};
    case StepKind::Set:
        return {"value", "step"};
    case StepKind::Adjust:
        return {"instruction", "unit", "low", "high", "marginal", "tries"};
    case StepKind::Auto:
        return {"judge", "instruction", "low", "high", "marginal", "tries"};
    case StepKind::Readout:
        return {"raw", "low", "high", "marginal", "tries"};
    case StepKind::Item:
        return {"low", "high", "marginal"};
    }
    return {};
}

bool isSweep(const std::string& item)
{
    return item == "BPF ALL" || item == "BPF T1" || item == "BPF T2";
}

bool isLevelSearch(const std::string& item)
{
    return item == "RX LVA" || item == "TX LVA";
}

ProcedureStep parseStep(const YAML::Node& node, size_t index)
{
    if (!node.IsMap())
        throw Refused{lineOf(node), "a step must be a mapping of keys (for example \"- prompt: Switch the radio on.\")"};
    ProcedureStep s;
    s.line = lineOf(node);
    s.code = "S" + std::string(index + 1 < 10 ? "0" : "") + std::to_string(index + 1);
    const auto keys = entries(node);
    const YAML::Node* kindValue = nullptr;
    for (const auto& [key, keyLine, value] : keys) {
        for (size_t k = 0; k < std::size(kKindKeys); ++k) {
            if (key != kKindKeys[k])
                continue;
            if (kindValue != nullptr)
                throw Refused{lineOf(value), "a step has one kind; this one has " + std::string(StepKindName(s.kind)) +
                                                 " and " + key};
            s.kind = static_cast<StepKind>(k);
            kindValue = &value;
        }
    }
    if (kindValue == nullptr)
        throw Refused{s.line, "the step has no kind: prompt, measure, set, adjust, auto, readout, item or write-verify"};

    const std::vector<std::string> items = clsIndOp_RigTavik::ItemNames();
    const std::string kind = StepKindName(s.kind);
    if (s.kind == StepKind::WriteVerify) {
        if (!flag(*kindValue, kind))
            throw Refused{lineOf(*kindValue), "write-verify: false is no step; leave the step out"};
    } else {
        s.target = text(*kindValue, kind);
        if (s.target.empty())
            throw Refused{lineOf(*kindValue), kind + " needs a text"};
    }
    switch (s.kind) {
    case StepKind::Prompt:
        s.text = s.target;
        s.target.clear();
        break;
    case StepKind::Set:
    case StepKind::Adjust:
    case StepKind::Item:
        if (!known(items, s.target) || s.target == "BPF ALL" || s.target == "RSSI")
            throw Refused{lineOf(*kindValue), "no item with a value is called \"" + s.target +
                                                  "\"; the items are " + listed(items) +
                                                  " (BPF ALL and RSSI only have an action: use auto)"};
        break;
    case StepKind::Auto:
        if (!isSweep(s.target) && !isLevelSearch(s.target) && s.target != "RSSI")
            throw Refused{lineOf(*kindValue), "\"" + s.target +
                                                  "\" has no automatic adjustment; auto takes BPF ALL, BPF T1, "
                                                  "BPF T2, RX LVA, TX LVA or RSSI"};
        s.judge = isSweep(s.target) ? AutoJudge::Peak : isLevelSearch(s.target) ? AutoJudge::Target : AutoJudge::Result;
        break;
    case StepKind::Readout: {
        const std::vector<std::string> lines = clsIndOp_RigTavik::ReadoutNames();
        if (!known(lines, s.target))
            throw Refused{lineOf(*kindValue), "no readout line is called \"" + s.target + "\"; the lines are " +
                                                  listed(lines)};
        break;
    }
    case StepKind::Measure:
    case StepKind::WriteVerify:
        break;
    }
    s.name = s.kind == StepKind::Prompt ? "Prompt" : s.kind == StepKind::WriteVerify ? "Write and verify" : s.target;

    const std::vector<std::string> allowed = allowedKeys(s.kind);
    for (const auto& [key, keyLine, value] : keys) {
        if (&value == kindValue)
            continue;
        if (key == "name") {
            s.name = text(value, key);
        } else if (key == "code") {
            s.code = text(value, key);
            if (s.code.empty() || s.code.find_first_of(" \t\r\n") != std::string::npos)
                throw Refused{lineOf(value), "code must be one word"};
        } else if (key == "on_fail") {
            const std::string v = text(value, key);
            if (v != "stop" && v != "continue")
                throw Refused{lineOf(value), "on_fail must be stop or continue"};
            s.stopOnFail = v == "stop";
        } else if (!known(allowed, key)) {
            throw Refused{lineOf(value), "a " + kind + " step has no key \"" + key + "\"; it may have " +
                                             (allowed.empty() ? std::string() : listed(allowed) + ", ") +
                                             "name, code and on_fail"};
        } else if (key == "unit" || key == "instruction") {
            (key == "unit" ? s.unit : s.text) = text(value, key);
        } else if (key == "low") {
            s.low = number(value, key);
        } else if (key == "high") {
            s.high = number(value, key);
        } else if (key == "marginal") {
            s.marginal = number(value, key);
            if (s.marginal < 0)
                throw Refused{lineOf(value), "marginal must not be below 0"};
        } else if (key == "tries") {
            s.tries = whole(value, key, 1, 10);
        } else if (key == "value" || key == "step") {
            (key == "value" ? s.value : s.step) = whole(value, key, -255, 255);
        } else if (key == "raw") {
            s.raw = flag(value, key);
        } else if (key == "judge") {
            const std::string v = text(value, key);
            const bool fits = (v == "peak" && isSweep(s.target)) || (v == "target" && isLevelSearch(s.target)) ||
                              (v == "result" && s.target != "BPF ALL");
            if (!fits)
                throw Refused{lineOf(value), "judge of " + s.target + " must be " +
                                                 (isSweep(s.target) ? std::string("peak") + (s.target == "BPF ALL" ? "" : " or result")
                                                  : isLevelSearch(s.target) ? "target or result"
                                                                            : "result")};
            s.judge = v == "peak" ? AutoJudge::Peak : v == "target" ? AutoJudge::Target : AutoJudge::Result;
        }
    }

    // What each kind needs.
    const bool judged = s.kind == StepKind::Measure || s.kind == StepKind::Adjust || s.kind == StepKind::Readout ||
                        s.kind == StepKind::Item || (s.kind == StepKind::Auto && s.judge != AutoJudge::Target &&
                                                     s.target != "RSSI");
    if (judged && !s.low && !s.high)
        throw Refused{s.line, "a " + kind + " step needs a limit: low, high or both"};
    if (s.low && s.high && *s.low > *s.high)
        throw Refused{s.line, "low is above high"};
    if (s.low && s.high && 2 * s.marginal > *s.high - *s.low)
        throw Refused{s.line, "the marginal bands cover the whole range from low to high"};
    if ((s.kind == StepKind::Measure || s.kind == StepKind::Adjust) && s.unit.empty())
        throw Refused{s.line, "a " + kind + " step needs its unit"};
    if (s.kind == StepKind::Adjust && s.text.empty())
        throw Refused{s.line, "an adjust step needs its instruction"};
    if (s.kind == StepKind::Set && s.value.has_value() == s.step.has_value())
        throw Refused{s.line, "a set step needs either value or step"};
    return s;
}

// A refusal is one line: texts from the file inside it (a key, a model
// code) may hold line breaks or other control characters.
std::string oneLine(const std::string& text)
{
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n')
            out += "\\n";
        else if (u < 0x20 || u == 0x7F)
            out += '?';
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string NumberText(double v)
{
    std::ostringstream o;
    o.imbue(std::locale::classic());
    o << v;
    return o.str();
}

const char* StepKindName(StepKind kind)
{
    const auto k = static_cast<size_t>(kind);
    return k < std::size(kKindKeys) ? kKindKeys[k] : "?";
}

bool ParseProcedure(const std::string& text, const std::string& name, Procedure& out, std::string& error)
{
    Procedure p;
    try {
        const YAML::Node doc = YAML::Load(text);
        if (!doc.IsMap())
            throw Refused{lineOf(doc), "the file must be a mapping with procedure, version, models and steps"};
        bool hasSteps = false;
        for (const auto& [key, keyLine, value] : entries(doc)) {
            if (key == "procedure") {
                p.title = ::text(value, key);
            } else if (key == "version") {
                p.version = ::text(value, key);
            } else if (key == "serial") {
                p.serialPattern = ::text(value, key);
                try {
                    std::regex check(p.serialPattern, std::regex::ECMAScript);
                } catch (const std::regex_error&) {
                    throw Refused{lineOf(value), "serial is no valid pattern"};
                }
            } else if (key == "models") {
                if (!value.IsSequence() || value.size() == 0)
                    throw Refused{keyLine, "models must be a list of model codes, such as [\"5314-0100\"]"};
                for (const YAML::Node& m : value) {
                    const std::string code = ::text(m, "a model code");
                    static const std::regex form("[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}");
                    if (!std::regex_match(code, form))
                        throw Refused{lineOf(m), "\"" + code + "\" is no model code (main code - sub code, such as 5314-0100)"};
                    p.models.push_back(code);
                }
            } else if (key == "steps") {
                if (!value.IsSequence() || value.size() == 0)
                    throw Refused{keyLine, "steps must be a list of at least one step"};
                hasSteps = true;
                for (size_t i = 0; i < value.size(); ++i)
                    p.steps.push_back(parseStep(value[i], i));
            } else {
                throw Refused{lineOf(value), "no key \"" + key + "\" here; the file has procedure, version, models, "
                                             "serial and steps"};
            }
        }
        if (p.title.empty())
            throw Refused{1, "the procedure needs its title (procedure: ...)"};
        if (p.version.empty())
            throw Refused{1, "the procedure needs its version (version: ...)"};
        if (p.models.empty())
            throw Refused{1, "the procedure needs the models it is for (models: [...])"};
        if (!hasSteps)
            throw Refused{1, "the procedure has no steps"};
        for (size_t i = 0; i + 1 < p.steps.size(); ++i)
            if (p.steps[i].kind == StepKind::WriteVerify)
                throw Refused{p.steps[i].line, "write-verify can only be the last step"};
    } catch (const Refused& r) {
        error = oneLine(name + ":" + std::to_string(r.line) + ": " + r.reason);
        return false;
    } catch (const YAML::Exception& e) {
        error = oneLine(name + ":" + std::to_string(e.mark.line >= 0 ? e.mark.line + 1 : 0) + ": " + e.msg);
        return false;
    }
    out = std::move(p);
    return true;
}

bool LoadProcedure(const std::string& path, Procedure& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    std::string text;
    char buf[4096];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxFileBytes) {
            error = path + ": too large for a procedure (more than 1 MiB)";
            return false;
        }
    }
    if (in.bad()) {
        error = path + ": cannot be read";
        return false;
    }
    return ParseProcedure(text, path, out, error);
}

std::string LimitsText(const ProcedureStep& s)
{
    if (!s.low && !s.high)
        return {};
    return (!s.high ? "at least " + NumberText(*s.low) : !s.low ? "at most " + NumberText(*s.high) : NumberText(*s.low) + " to " + NumberText(*s.high)) +
           (s.unit.empty() ? "" : " " + s.unit);
}

std::string ProcedureSummary(const Procedure& p)
{
    std::string out = p.title + ", version " + p.version + ", for " + listed(p.models) + "\n";
    for (size_t i = 0; i < p.steps.size(); ++i) {
        const ProcedureStep& s = p.steps[i];
        std::string line = std::to_string(i + 1) + ". " + StepKindName(s.kind) + " " +
                           (s.kind == StepKind::Prompt ? s.text : s.name);
        if (s.kind == StepKind::Set)
            line += s.value ? " to " + std::to_string(*s.value) : " by " + std::to_string(*s.step);
        if (s.low || s.high) {
            line += ": " + LimitsText(s);
            if (s.marginal > 0)
                line += ", marginal within " + NumberText(s.marginal);
        }
        if (s.tries > 1)
            line += ", " + std::to_string(s.tries) + " tries";
        line += " [" + s.code + (s.stopOnFail ? "" : ", goes on after a failure") + "]";
        out += line + "\n";
    }
    return out;
}

bool SerialFits(const Procedure& p, const std::string& serial)
{
    if (p.serialPattern.empty())
        return !serial.empty() && serial.size() <= 64;
    return serial.size() <= 64 && std::regex_match(serial, std::regex(p.serialPattern, std::regex::ECMAScript));
}
