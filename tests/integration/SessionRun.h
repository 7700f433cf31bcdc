#pragma once
// Runs dorvel-adj-cli session against a simulator with a script of commands
// and splits its answers.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/integration/Processes.h"

struct SessionOutput {
    RunResult run;
    std::vector<std::string> lines;
    // The block that a listing command printed: its lines up to the ".".
    // n counts the blocks from 0 in the order they were printed.
    std::vector<std::string> block(size_t n) const;
    // The console that the n-th listing command printed: its 18 lines from
    // "CH No." on, blank where it printed fewer.
    std::vector<std::string> console(size_t n) const;
};

// env: "NAME=value" entries for the program's environment.
SessionOutput RunSession(const std::string& device, const std::string& script, int timeoutMs = 180000,
                         std::vector<std::string> env = {});

// The value field of a console line (title, colon, four characters).
inline int ConsoleValue(const std::string& line) { return line.size() >= 15 ? std::stoi(line.substr(11, 4)) : -1; }

// Adjustment commands in a simulator log: (sub-command, value) of every
// E8 frame from the PC, in order; only the sub-commands subs when it names
// any, and with the radio's E8 answers (A/D readings) among them when
// withAnswers.
struct WireCommand {
    long ms;
    int sub;
    int value;
    bool pc = true;   // else the radio's answer
};
std::vector<WireCommand> LoggedCommands(const std::string& logText, const std::vector<int>& subs = {},
                                        bool withAnswers = false);
// Commands as "sub:value" (sub in hex), separated by blanks.
std::string CommandText(const std::vector<WireCommand>& cmds);

// The narrow level as a ratio of the wide one and back, as the program
// works them out.
inline int RatioToByte(int a, int b) { return a < 1 || b < 1 ? 0 : std::min(255, int(255.0 * a / b + 0.5)); }
inline int ScaleByte(int a, int b) { return std::min(255, int(a * b / 255.0 + 0.5)); }

// The simulator's image for the given options, as its file.
struct Reference {
    std::string image;
    int at(int adr) const { return static_cast<unsigned char>(image[static_cast<size_t>(adr)]); }
};
Reference ReferenceImage(const std::vector<std::string>& simArgs);
