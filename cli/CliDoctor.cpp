// dorvel-adj-cli doctor [--device PATH]: one screen that tells why a bench
// may not reach the radio. Status 0 when nothing stands in the way, 1 when
// something does; notes alone do not count.
#include <sys/stat.h>

#include <iostream>

#include "cli/Commands.h"
#include "platform/BenchDoctor.h"
#include "platform/ProfileFile.h"
#include "platform/SerialLine.h"
#include "platform/SettingsLocation.h"
#include "platform/qt/QtSerialPortList.h"

namespace {

std::string LatencyWords(const platform::AdapterInfo& a)
{
    std::string text = a.driver.empty() ? std::string("no adapter driver") : "driver " + a.driver;
    text += a.latencyTimerMs >= 0 ? ", latency timer " + std::to_string(a.latencyTimerMs) + " ms"
                                  : std::string(", no latency timer");
    switch (a.lowLatency) {
    case platform::LowLatency::Set: return text + ", low latency can be set";
    case platform::LowLatency::AlreadySet: return text + ", low latency is set";
    case platform::LowLatency::NotTried: return text + ", not opened";
    default: return text + ", low latency " + platform::LowLatencyText(a.lowLatency);
    }
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

int CliDoctor(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("doctor", args, {"--device"}, opt))
        return 2;
    if (!opt.positional.empty()) {
        std::cerr << "dorvel-adj-cli doctor: usage: doctor [--device PATH]" << std::endl;
        return 2;
    }
    std::vector<platform::DoctorFinding> findings;
    auto add = [&](const std::vector<platform::DoctorFinding>& more) {
        findings.insert(findings.end(), more.begin(), more.end());
    };

    std::cout << "Serial adapters:\n";
    platform::QtSerialPortList lister;
    std::vector<std::string> drivers;
    std::vector<std::string> checked;
    for (const platform::SerialPortEntry& p : lister.list()) {
        if (!p.usb)
            continue;
        const platform::DeviceFacts f = platform::GatherDeviceFacts(p.device);
        drivers.push_back(f.adapter.driver);
        std::cout << "  " << p.path() << "  " << p.device << "  " << LatencyWords(f.adapter) << '\n';
        if (opt.device.empty()) {
            add(platform::DeviceFindings(f));
            checked.push_back(p.device);
        }
    }
    if (drivers.empty())
        std::cout << "  none plugged in\n";

    if (!opt.device.empty()) {
        const platform::DeviceFacts f = platform::GatherDeviceFacts(platform::AbsoluteDevicePath(opt.device));
        std::cout << "Device " << f.device << ":\n  "
                  << (f.exists ? LatencyWords(f.adapter) : std::string("not present")) << '\n';
        add(platform::DeviceFindings(f));
    }

    const std::string settings = platform::SettingsLocation(platform::ProgramFolder(), "Velmara.rs").read;
    platform::TextProfileFile profile;
    std::cout << "Settings " << settings << ":\n";
    bool anyEntry = false;
    for (int n = 1; n <= 10; ++n) {
        const std::string key = "COM" + std::to_string(n);
        const std::string path = profile.GetPrivateProfileString("PORTS", key, "", 1024, settings);
        if (path.empty())
            continue;
        anyEntry = true;
        const bool present = Exists(path);
        std::cout << "  " << key << " = " << path << (present ? "" : "  (not present)") << '\n';
        if (!present)
            findings.push_back({true, key + " in the settings names " + path + ", which is not present",
                                "sed -i '/^" + key + "=/Id' " + settings});
    }
    if (!anyEntry)
        std::cout << "  no COM entries (COM n opens /dev/ttyUSB<n-1>)\n";

    add(platform::ServiceFindings(platform::ProcessRuns("ModemManager"), platform::ProcessRuns("brltty"), drivers));

    int blocking = 0;
    std::cout << "Findings:\n";
    for (const platform::DoctorFinding& f : findings) {
        blocking += f.blocking ? 1 : 0;
        std::cout << (f.blocking ? "  PROBLEM: " : "  note: ") << f.text << '\n';
        if (!f.fix.empty())
            std::cout << "      fix: " << f.fix << '\n';
    }
    if (blocking == 0)
        std::cout << "  nothing stands in the way\n";
    return blocking == 0 ? 0 : 1;
}
