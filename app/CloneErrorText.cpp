#include "app/CloneErrorText.h"

#include "link/CloneErrors.h"

namespace {

const char kCrLf[] = "\r\n";
const char kSettings[] = "- The COM port settings.";
const char kCable[] = "- Cloning cable connections.";
const char kPower[] = "- Transceiver power is ON.";
const char kSoftware[] = "- Appropriate cloning software for the transceiver is being used.";
const char kRevision[] = "- The revision number of the transceiver.";

std::string message(const std::string& first, std::initializer_list<const char*> checks, bool gap = false)
{
    std::string m = first + kCrLf + kCrLf + "Check the following:";
    if (gap)
        m += kCrLf;
    for (const char* c : checks)
        m += std::string(kCrLf) + c;
    return m;
}

}  // namespace

std::string CloneErrorMessage(const CloneFailure& f)
{
    if (f.errCannotOpen)
        return message("Cannot access COM " + std::to_string(f.comPortNum) + ".", {kSettings, kCable, kPower});
    if (f.errOverflow)
        return message("COM buffer overflow.", {kSettings, kCable, kPower});
    switch (f.driverError) {
    case drvErrNone:
        break;
    case drvErrNoEcho:
        return message("Cannot access COM port", {kSettings, kCable, kPower});
    case drvErrNoAnswer:
        return message("No answer from transceiver.", {kSettings, kCable, kPower});
    case drvErrIllegalData:
        return message("Illegal data.", {kSettings, kCable, kPower});
    case drvErrCountMismatch:
        return message("Data counter error.", {kSettings, kCable, kPower});
    case drvErrBlockBeyond:
        return message("Data overflow.", {kSettings, kCable, kPower});
    case drvErrWriteRefused:
    case drvErrWriteFailed:
        return message("Cannot write cloning data.", {kCable, kPower});
    default:
        return message("Cannot Clone.", {kSettings, kCable, kPower}, true);
    }
    if (f.sequencerError != seqErrNone)
        return SequencerErrorMessage(f.sequencerError);
    return message("Communication failed.", {kCable, kPower});
}

std::string CloneFailureDetail(const CloneFailure& f)
{
    // The port opened, but nothing came back: nothing is at its other end.
    if (!f.errCannotOpen && !f.errOverflow && f.driverError == drvErrNoEcho)
        return f.device + ": no echo: is the cable plugged into the radio, and the radio switched on?";
    return "";
}

std::string SequencerErrorMessage(int16_t sequencerError)
{
    switch (sequencerError) {
    case seqErrSubCode:
        return std::string("Version number does not match") + kCrLf + "for this transceiver.";
    case seqErrModelByte:
        return message("Connected transceiver is not compatible model.", {kSoftware, kRevision});
    default:
        return message("Cannot Clone.", {kSettings, kCable, kPower});
    }
}
