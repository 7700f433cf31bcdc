#include "tests/integration/SessionRun.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

std::vector<std::string> SessionOutput::block(size_t n) const
{
    // A block takes in the answers of other commands printed before it:
    // scripts put listing commands where nothing else prints.
    std::vector<std::string> block;
    for (const auto& l : lines) {
        if (l != ".")
            block.push_back(l);
        else if (n-- == 0)
            return block;
        else
            block.clear();
    }
    return {};   // not ended by its "."
}

std::vector<std::string> SessionOutput::console(size_t n) const
{
    std::vector<std::string> b = block(n);
    const auto first = [](const std::string& l) { return l.rfind("    CH No.", 0) == 0; };
    b.erase(b.begin(), std::find_if(b.begin(), b.end(), first));
    b.resize(18);
    return b;
}

SessionOutput RunSession(const std::string& device, const std::string& script, int timeoutMs,
                         std::vector<std::string> env)
{
    SessionOutput s;
    env.insert(env.end(), {"session", "--device", device});
    s.run = RunCli(env, script, timeoutMs);
    std::istringstream in(s.run.out);
    for (std::string l; std::getline(in, l);)
        s.lines.push_back(l);
    return s;
}

std::vector<WireCommand> LoggedCommands(const std::string& logText, const std::vector<int>& subs,
                                        bool withAnswers)
{
    std::vector<WireCommand> out;
    std::istringstream in(logText);
    long ms;
    std::string side, hex;
    while (in >> ms >> side >> hex) {
        // FE FE EE EF E8 M M S S sub v v FD (the radio's with EF EE)
        if (hex.size() != 26 || hex.substr(8, 2) != "E8" || (side != "pc" && !withAnswers))
            continue;
        const int sub = std::stoi(hex.substr(18, 2), nullptr, 16);
        if (!subs.empty() && std::count(subs.begin(), subs.end(), sub) == 0)
            continue;
        const std::string digits{static_cast<char>(std::stoi(hex.substr(20, 2), nullptr, 16)),
                                 static_cast<char>(std::stoi(hex.substr(22, 2), nullptr, 16))};
        out.push_back({ms, sub, std::stoi(digits, nullptr, 16), side == "pc"});
    }
    return out;
}

std::string CommandText(const std::vector<WireCommand>& cmds)
{
    std::string s;
    char sub[4];
    for (const WireCommand& c : cmds) {
        std::snprintf(sub, sizeof sub, "%02X", c.sub & 0xFF);
        s += (s.empty() ? "" : " ") + std::string(sub) + ":" + std::to_string(c.value);
    }
    return s;
}

Reference ReferenceImage(const std::vector<std::string>& simArgs)
{
    TempDir dir;
    std::vector<std::string> args{BinPath("dorvel-sim")};
    args.insert(args.end(), simArgs.begin(), simArgs.end());
    args.insert(args.end(), {"--write-image", dir.file("ref.bin")});
    RunProgram(args);
    return {ReadFile(dir.file("ref.bin"))};
}
