#pragma once
// The demo: the simulated radio (dorvel-sim, from the program's own folder or
// else from PATH) on a pseudo-terminal, and the headless session
// (dorvel-adj-cli, found alike) run against it where no display is available.
#include <QProcess>
#include <string>

class DemoRadio {
public:
    DemoRadio() = default;
    ~DemoRadio();
    DemoRadio(const DemoRadio&) = delete;
    DemoRadio& operator=(const DemoRadio&) = delete;

    // Starts the simulator; fast drops its 9600 bit/s pacing. False with a
    // reason when it did not come up.
    bool start(const std::string& programFolder, bool fast, std::string& error);
    // The simulator's device path.
    const std::string& device() const { return device_; }
    void stop();

private:
    QProcess sim_;
    std::string device_;
};

// Runs dorvel-adj-cli's session against the device: connect, the console,
// the readouts, one step of " Power(Hi)", the console again. Each command is
// shown before its answer. Returns the session's exit status.
int RunHeadlessDemo(const std::string& programFolder, const std::string& device);

// True when the window system has somewhere to show a window.
bool DisplayAvailable();
