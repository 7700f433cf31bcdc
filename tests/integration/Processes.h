#pragma once
// Child processes for the integration tests: the simulated radio on a
// pseudo-terminal, and the programs under test run to completion.
#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#ifndef DORVEL_BIN_DIR
#error "DORVEL_BIN_DIR must name the folder of the built programs"
#endif

struct RunResult {
    int status = -1;   // exit status, or -1 when killed
    std::string out;
    std::string err;
};

// Runs a program (path and arguments) with the given standard input, in
// the folder cwd ("" for this one), waits at most timeoutMs, and returns
// what it printed.
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& input = {}, int timeoutMs = 120000,
                     const std::string& cwd = {});
// The same for dorvel-adj-cli and its arguments; leading "NAME=value"
// arguments go into its environment.
RunResult RunCli(const std::vector<std::string>& args, const std::string& input = {}, int timeoutMs = 120000,
                 const std::string& cwd = {});

// A program in the background that is given one line at a time and
// answers with lines (dorvel-adj-cli session). At destruction its input is
// closed and, if it still runs, it is asked to end (SIGTERM), then killed.
class Conversation {
public:
    explicit Conversation(const std::vector<std::string>& argv);
    virtual ~Conversation();
    void say(const std::string& line);
    // The next line it prints; "" when none comes within timeoutMs.
    std::string hear(int timeoutMs);
    // Closes its input and waits for it to end; its exit status, -1 when
    // killed, -2 when it still runs after timeoutMs.
    int finish(int timeoutMs);
    // Asks it to end (SIGTERM); its exit status, -1 when it does not end
    // within 5 s.
    int terminate();

protected:
    QProcess process_;
};

// dorvel-sim in the background; its device path is the first line it prints.
class SimProcess : public Conversation {
public:
    explicit SimProcess(const std::vector<std::string>& args);
    const std::string& device() const { return device_; }
    // A control line on the simulator's standard input ("fault off").
    void control(const std::string& line);
    // The image the simulated radio holds now.
    std::string image();

private:
    std::string device_;
};

inline std::string BinPath(const std::string& name) { return std::string(DORVEL_BIN_DIR) + "/" + name; }

// A private scratch folder, removed with its contents at destruction.
class TempDir {
public:
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    QTemporaryDir dir_{"/tmp/dorvel-test-XXXXXX"};
    std::string path_ = dir_.path().toStdString();
};

// A program in the background whose standard error is a terminal (a
// pseudo-terminal in raw mode, so that what it draws there arrives byte for
// byte), with its standard output in a file; it can be sent signals. At
// destruction it is killed if it still runs.
class TerminalRun {
public:
    explicit TerminalRun(const std::vector<std::string>& argv);
    ~TerminalRun();
    // Reads its standard error until text appears in it; false when it does
    // not within timeoutMs.
    bool waitForErr(const std::string& text, int timeoutMs);
    void signal(int sig);
    // Waits at most timeoutMs for its end (then kills it): its exit status
    // (-1 when killed) and all it printed.
    RunResult finish(int timeoutMs);

private:
    // Appends what comes within ms to err_; false once it closed the terminal.
    bool readErr(int ms);

    TempDir dir_;
    int master_ = -1;
    QProcess process_;
    std::string err_;
};

std::string ReadFile(const std::string& path);
// A JSON file's top object; empty when the file holds none.
class QJsonObject;
QJsonObject JsonFile(const std::string& path);
// The text of a PDF as pdftotext gives it with these options.
std::string PdfText(const std::string& pdf, std::vector<std::string> options = {"-nopgbrk"});
// The right and bottom edges of a PDF's text furthest out, in points.
std::pair<double, double> PdfTextExtent(const std::string& pdf);
inline bool FileExists(const std::string& path) { return std::filesystem::exists(path); }
inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
// The files in a folder whose names end in ending, as full paths, sorted;
// hidden files are left out.
std::vector<std::string> FilesIn(const std::string& folder, const std::string& ending = {});
