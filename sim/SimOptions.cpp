#include "sim/SimOptions.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "sim/SimImage.h"
#include "sim/SimPhysics.h"

namespace dsim {

namespace {

bool parseLong(const std::string& text, long lo, long hi, long& value)
{
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    value = v;
    return true;
}

// Hexadecimal digits into bytes; none of them may be a frame delimiter.
bool parseHexBytes(const std::string& text, size_t count, uint8_t* out)
{
    if (text.size() != count * 2) return false;
    for (size_t i = 0; i < count; ++i) {
        const int hi = hexDigit(static_cast<uint8_t>(text[2 * i]));
        const int lo = hexDigit(static_cast<uint8_t>(text[2 * i + 1]));
        if (hi < 0 || lo < 0) return false;
        const uint8_t b = static_cast<uint8_t>(hi * 16 + lo);
        if (b == kPreamble || b == kEndOfFrame) return false;
        out[i] = b;
    }
    return true;
}

}  // namespace

std::string usageText()
{
    return "Usage: dorvel-sim [options]\n"
           "A simulated transceiver on a pseudo-terminal; prints the device path, then serves\n"
           "until SIGINT or SIGTERM.\n"
           "\n"
           "  --help               show this text and exit\n"
           "  --version            show the version and exit\n"
           "  --fast               no pacing: answer at once (for tests)\n"
           "  --baud N             line rate in bit/s for pacing (default 9600)\n"
           "  --adapter NAME       a USB serial adapter between the line and the PC: " + adapterNames() + "\n"
           "                       (default none: every byte reaches the PC as it leaves the line)\n"
           "  --link PATH          also make PATH a symbolic link to the device (removed at exit)\n"
           "  --log FILE           log every complete frame: milliseconds, pc or radio, hex bytes\n"
           "  --image FILE         start from this image file (exactly 8160 bytes)\n"
           "  --write-image FILE   write the starting image (built-in unless --image, after --mid)\n"
           "                       to FILE and exit\n"
           "  --mid                the Mid variant (sets bit 7 of EEPROM byte 0x140)\n"
           "  --main-code NNNN     main model code, 4 hex digits (default 5314)\n"
           "  --sub-code NNNN      sub model code, 4 hex digits (default 0100)\n"
           "  --model-byte HH      byte 43 of the model answer, 2 hex digits (default 01)\n"
           "  --signal N           signal level at the detector, 0..255 (default 100)\n"
           "  --noise              add +-1 count of noise to A/D readings\n"
           "  --fault NAME         inject a fault (repeatable): " +
           faultNames() +
           "\n"
           "\n"
           "Control lines on stdin: signal N | fault NAME | fault off | noise on | noise off | write-image FILE\n";
}

bool parseOptions(int argc, const char* const* argv, Options& opt, std::string& err)
{
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= argc) {
                err = "option " + arg + " needs a value";
                return false;
            }
            v = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            opt.help = true;
        } else if (arg == "--version") {
            opt.version = true;
        } else if (arg == "--fast") {
            opt.fast = true;
        } else if (arg == "--mid") {
            opt.mid = true;
        } else if (arg == "--noise") {
            opt.noise = true;
        } else if (arg == "--baud") {
            if (!value(v)) return false;
            if (!parseLong(v, 50, 4000000, opt.baud)) {
                err = "--baud needs a rate from 50 to 4000000 bit/s, not '" + v + "'";
                return false;
            }
        } else if (arg == "--adapter") {
            if (!value(v)) return false;
            if (!adapterProfile(v, opt.adapter)) {
                err = "unknown adapter '" + v + "' (known: " + adapterNames() + ")";
                return false;
            }
        } else if (arg == "--signal") {
            if (!value(v)) return false;
            long s = 0;
            if (!parseLong(v, 0, physics::kMaxSignal, s)) {
                err = "--signal needs a level from 0 to 255, not '" + v + "'";
                return false;
            }
            opt.signal = static_cast<int>(s);
        } else if (arg == "--log") {
            if (!value(opt.logPath)) return false;
        } else if (arg == "--link") {
            if (!value(opt.linkPath)) return false;
        } else if (arg == "--image") {
            if (!value(opt.imagePath)) return false;
        } else if (arg == "--write-image") {
            if (!value(opt.writeImagePath)) return false;
        } else if (arg == "--main-code" || arg == "--sub-code") {
            if (!value(v)) return false;
            uint8_t* code = arg == "--main-code" ? opt.identity.mainCode : opt.identity.subCode;
            if (!parseHexBytes(v, 2, code)) {
                err = arg + " needs 4 hexadecimal digits (no FE or FD byte), not '" + v + "'";
                return false;
            }
        } else if (arg == "--model-byte") {
            if (!value(v)) return false;
            if (!parseHexBytes(v, 1, &opt.identity.modelByte)) {
                err = "--model-byte needs 2 hexadecimal digits (not FE or FD), not '" + v + "'";
                return false;
            }
        } else if (arg == "--fault") {
            if (!value(v)) return false;
            const unsigned bit = faultBit(v);
            if (bit == 0) {
                err = "unknown fault '" + v + "' (known: " + faultNames() + ")";
                return false;
            }
            opt.faults |= bit;
        } else {
            err = "unknown option '" + arg + "' (see --help)";
            return false;
        }
    }
    return true;
}

bool startImage(const Options& opt, Bytes& image, std::string& err)
{
    if (opt.imagePath.empty()) {
        image = builtInImage(opt.mid);
        return true;
    }
    if (!loadImageFile(opt.imagePath, image, err)) return false;
    if (opt.mid) setMid(image, true);
    return true;
}

bool applyControlLine(Radio& radio, const std::string& line, std::string& err)
{
    std::istringstream in(line);
    std::string word, arg, extra;
    if (!(in >> word)) return true;
    in >> arg;
    if (in >> extra) {
        err = "too many words in control line '" + line + "'";
        return false;
    }
    if (word == "signal") {
        long s = 0;
        if (!parseLong(arg, 0, physics::kMaxSignal, s)) {
            err = "signal needs a level from 0 to 255, not '" + arg + "'";
            return false;
        }
        radio.setSignal(static_cast<int>(s));
        return true;
    }
    if (word == "fault") {
        if (arg == "off") {
            radio.clearFaults();
            return true;
        }
        const unsigned bit = faultBit(arg);
        if (bit == 0) {
            err = "unknown fault '" + arg + "' (known: " + faultNames() + ", or off)";
            return false;
        }
        radio.setFault(bit, true);
        return true;
    }
    if (word == "write-image" && !arg.empty())
        return saveImageFile(arg, radio.image(), err);
    if (word == "noise" && (arg == "on" || arg == "off")) {
        radio.setNoise(arg == "on");
        return true;
    }
    err = "unknown control line '" + line + "'";
    return false;
}

}  // namespace dsim
