#pragma once
// The command line's commands. Each returns the process exit status:
// 0 done, 1 the operation failed (the operator message is on stderr),
// 2 bad usage or bad input (a one-line reason on stderr).
#include <string>
#include <vector>

int CliRead(const std::vector<std::string>& args);
int CliParams(const std::vector<std::string>& args);
int CliSession(const std::vector<std::string>& args);
int CliPorts(const std::vector<std::string>& args);

// Options of the form --name VALUE; on a bad one, a one-line reason on
// stderr naming the command, and false.
struct CliOptions {
    std::string device;
    std::string out;
    std::vector<std::string> positional;
};
bool ParseOptions(const std::string& command, const std::vector<std::string>& args,
                  const std::vector<std::string>& allowed, CliOptions& opt);

// A clone read from the device into the image. False when it failed (the
// operator message is then on stderr).
bool ReadRadio(const std::string& device, std::vector<unsigned char>& image, bool progress);
