// dorvel-adj-cli: the adjustment program without a window.
#include <QGuiApplication>
#include <algorithm>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>

#include "DorvelVersion.h"
#include "cli/Commands.h"

namespace {

const char kUsage[] =
    "usage: dorvel-adj-cli COMMAND [options]\n"
    "  read --device PATH --out FILE   read the radio's EEPROM image into FILE\n"
    "  params FILE                     list the stored parameters of an image file\n"
    "  params --device PATH            read the radio, then list its parameters\n"
    "  ports                           list the serial ports present: the path to use,\n"
    "                                  the device, description, maker, serial number\n"
    "  write --device PATH --in FILE [--yes] [--no-backup] [--force]\n"
    "                                  write an image file to the radio and verify it;\n"
    "                                  without --yes only list what would change;\n"
    "                                  --no-backup: write even when the radio's backup\n"
    "                                  cannot be saved; --force: write an image of the\n"
    "                                  other variant or one that cannot be a radio's memory\n"
    "  backups                         list the backups, oldest first, and the last good one\n"
    "  history [--serial S] [--model CODE] [--since DATE] [--until DATE] [--failed]\n"
    "      [--limit N] [--json]        the jobs of the history, newest first (from the shop\n"
    "                                  server when the settings name one); dates YYYY-MM-DD\n"
    "  history show ID [--json]        one job with its adjustments, runs and files\n"
    "  history rebuild                 build this bench's history afresh from its files\n"
    "  diff [--bytes] A B              what differs between two image files (status 1\n"
    "                                  when anything does); --bytes: the addresses\n"
    "  doctor [--device PATH]          why a bench may not reach the radio: adapters, their\n"
    "                                  latency, groups, programs holding a device, services,\n"
    "                                  the settings' COM entries (status 1 when something\n"
    "                                  stands in the way)\n"
    "  check-procedure FILE            check an alignment procedure file and list its steps\n"
    "  run --device PATH --procedure FILE --serial S [--operator O] [--answers FILE]\n"
    "      [--record FILE] [--report FILE]\n"
    "                                  run an alignment procedure on the radio: status 0\n"
    "                                  PASS, 1 FAIL, 3 ERROR or ABORTED, 2 bad usage or file\n"
    "  session --device PATH           run headless, one command per line on stdin:\n"
    "      connect | select I | step N | enter | escape | button I | wait MS | idle\n"
    "      console | readouts | params | line | journal | report FILE\n"
    "      job [technician|order|serial TEXT] | quit\n"
    "  --help                          show this text\n"
    "  --version                       show the version\n";

}  // namespace

bool CliOptions::has(const std::string& flag) const
{
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::string CliOptions::value(const std::string& option) const
{
    for (auto v = values.rbegin(); v != values.rend(); ++v)
        if (v->first == option)
            return v->second;
    return {};
}

bool ParseOptions(const std::string& command, const std::vector<std::string>& args,
                  const std::vector<std::string>& allowed, CliOptions& opt,
                  const std::vector<std::string>& allowedFlags)
{
    std::string reason;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            opt.positional.push_back(a);
            continue;
        }
        if (std::find(allowedFlags.begin(), allowedFlags.end(), a) != allowedFlags.end()) {
            opt.flags.push_back(a);
            continue;
        }
        if (std::find(allowed.begin(), allowed.end(), a) == allowed.end()) {
            reason = "unknown option " + a;
            break;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            reason = "option " + a + " needs a value";
            break;
        }
        const std::string& v = args[++i];
        opt.values.emplace_back(a, v);
        if (a == "--device")
            opt.device = v;
        else if (a == "--out")
            opt.out = v;
        else if (a == "--in")
            opt.in = v;
    }
    if (reason.empty())
        return true;
    std::cerr << "dorvel-adj-cli " << command << ": " << reason << std::endl;
    return false;
}

int main(int argc, char** argv)
{
    // A session and a run can write a report, whose text needs the fonts of
    // a GUI application; they never show a window, so they run on the
    // offscreen window system and need no display.
    const bool session = argc >= 2 && (std::strcmp(argv[1], "session") == 0 || std::strcmp(argv[1], "run") == 0);
    if (session)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> qapp = session ? std::make_unique<QGuiApplication>(argc, argv)
                                                     : std::make_unique<QCoreApplication>(argc, argv);
    if (argc < 2) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string cmd = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::cout << kUsage;
        return 0;
    }
    if (cmd == "--version") {
        std::cout << "dorvel-adj-cli " DORVEL_VERSION << std::endl;
        return 0;
    }
    if (cmd == "read")
        return CliRead(args);
    if (cmd == "params")
        return CliParams(args);
    if (cmd == "session")
        return CliSession(args);
    if (cmd == "ports")
        return CliPorts(args);
    if (cmd == "write")
        return CliWrite(args);
    if (cmd == "diff")
        return CliDiff(args);
    if (cmd == "backups")
        return CliBackups(args);
    if (cmd == "history")
        return CliHistory(args);
    if (cmd == "doctor")
        return CliDoctor(args);
    if (cmd == "check-procedure")
        return CliCheckProcedure(args);
    if (cmd == "run")
        return CliRun(args);
    std::cerr << "dorvel-adj-cli: unknown command " << cmd << " (try --help)" << std::endl;
    return 2;
}
