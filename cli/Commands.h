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
int CliWrite(const std::vector<std::string>& args);
int CliDiff(const std::vector<std::string>& args);
int CliBackups(const std::vector<std::string>& args);
int CliDoctor(const std::vector<std::string>& args);
int CliCheckProcedure(const std::vector<std::string>& args);
int CliRun(const std::vector<std::string>& args);
int CliHistory(const std::vector<std::string>& args);

// Options of the form --name VALUE, and flags (--name alone); on a bad one,
// a one-line reason on stderr naming the command, and false.
struct CliOptions {
    std::string device;
    std::string out;
    std::string in;
    std::vector<std::string> flags;
    std::vector<std::string> positional;
    // Every option with its value, in the order given (an option may come
    // more than once).
    std::vector<std::pair<std::string, std::string>> values;
    bool has(const std::string& flag) const;
    // The last value of an option, "" when not given.
    std::string value(const std::string& option) const;
};
bool ParseOptions(const std::string& command, const std::vector<std::string>& args,
                  const std::vector<std::string>& allowed, CliOptions& opt,
                  const std::vector<std::string>& allowedFlags = {});

// A progress bar of 32 cells on stderr, redrawn in place, when stderr is a
// terminal.
void ShowProgress(const char* what, int cells, bool tty);
// A message box's text on stderr: its first line, the detail (the system's
// reason) when there is one, then the rest.
void PrintOperatorMessage(const std::string& crlfText, const std::string& detail);

// A clone read from the device into the image. False when it failed (the
// operator message is then on stderr).
bool ReadRadio(const std::string& device, std::vector<unsigned char>& image, bool progress);
