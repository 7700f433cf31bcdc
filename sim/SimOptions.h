#pragma once
// The command line of dorvel-sim and the control lines it reads on stdin.
#include <string>

#include "sim/SimAdapter.h"
#include "sim/SimCodec.h"
#include "sim/SimRadio.h"

namespace dsim {

struct Options {
    bool help = false;
    bool version = false;
    bool fast = false;       // no pacing at all
    long baud = 9600;
    std::string logPath;     // one line per complete frame
    std::string linkPath;    // symbolic link to the device
    std::string imagePath;   // start from this image file
    std::string writeImagePath;  // write the built-in image here and exit
    bool mid = false;
    unsigned faults = 0;
    Identity identity;
    int signal = 100;
    bool noise = false;
    AdapterProfile adapter;   // between the line and the PC
};

// Parses the arguments after the program name. On failure the result is
// false and err holds a one-line reason.
bool parseOptions(int argc, const char* const* argv, Options& opt, std::string& err);

// The --help text, every option on its own line.
std::string usageText();

// The image the options ask for: the file given by --image or the built-in
// image; --mid sets the Mid flag in either.
bool startImage(const Options& opt, Bytes& image, std::string& err);

// One control line from stdin: "signal N", "fault NAME", "fault off",
// "noise on", "noise off" or "write-image FILE" (the image as the radio holds
// it now). Blank lines are accepted and do nothing. On a bad line the result
// is false and err says why; nothing changes.
bool applyControlLine(Radio& radio, const std::string& line, std::string& err);

}  // namespace dsim
