// Operator messages: one text per failure, the checklist that goes with it,
// and the line-break expansion of the message box procedure.
#include <gtest/gtest.h>

#include "app/CloneErrorText.h"
#include "app/StatusLine.h"
#include "app/start.h"

namespace {

const std::string kHead = "\r\n\r\nCheck the following:\r\n";
const std::string kSCP = "- The COM port settings.\r\n- Cloning cable connections.\r\n- Transceiver power is ON.";
const std::string kCP = "- Cloning cable connections.\r\n- Transceiver power is ON.";

// A failure the driver or the sequencer reports by its code.
CloneFailure link(int16_t driverError, int16_t sequencerError = seqErrNone)
{
    CloneFailure f;
    f.driverError = driverError;
    f.sequencerError = sequencerError;
    return f;
}

}  // namespace

TEST(CloneErrorMessage, EveryFailureHasItsText)
{
    CloneFailure cannotOpen;
    cannotOpen.errCannotOpen = true;
    cannotOpen.comPortNum = 3;
    CloneFailure overflow = link(drvErrNoAnswer, seqErrDriver);   // port failures first
    overflow.errOverflow = true;
    struct Case { CloneFailure f; std::string text; };
    const Case cases[] = {
        {cannotOpen, "Cannot access COM 3." + kHead + kSCP},
        {overflow, "COM buffer overflow." + kHead + kSCP},
        {link(drvErrNoEcho), "Cannot access COM port" + kHead + kSCP},
        {link(drvErrNoAnswer), "No answer from transceiver." + kHead + kSCP},
        {link(drvErrNoAnswer, seqErrDriver), "No answer from transceiver." + kHead + kSCP},
        {link(drvErrIllegalData), "Illegal data." + kHead + kSCP},
        {link(drvErrCountMismatch), "Data counter error." + kHead + kSCP},
        {link(drvErrBlockBeyond), "Data overflow." + kHead + kSCP},
        {link(drvErrWriteRefused), "Cannot write cloning data." + kHead + kCP},
        {link(drvErrWriteFailed), "Cannot write cloning data." + kHead + kCP},
        {link(drvErrFrameNotSent), "Cannot Clone." + kHead + "\r\n" + kSCP},
        {link(drvErrNone, seqErrMainCode), "Cannot Clone." + kHead + kSCP},
        {link(drvErrNone, seqErrSubCode), "Version number does not match\r\nfor this transceiver."},
        {link(drvErrNone, seqErrModelByte),
         "Connected transceiver is not compatible model." + kHead +
             "- Appropriate cloning software for the transceiver is being used.\r\n"
             "- The revision number of the transceiver."},
        {link(drvErrNone, seqErrDriver), "Cannot Clone." + kHead + kSCP},
        {CloneFailure{}, "Communication failed." + kHead + kCP},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CloneErrorMessage(c.f), c.text) << c.text;
}

TEST(MessageBoxProcedure, ExpandNewLineTurnsBackslashNIntoALineBreak)
{
    for (const auto& [in, out] : {std::pair<const char*, const char*>{"a\\nb\\n", "a\r\nb\r\n"}, {"plain", "plain"},
                                  {"ends\\", "ends\\"}, {"\\t\\n", "\\t\r\n"}})
        EXPECT_EQ(ExpandNewLine(in), out) << in;
}

// The time left of a clone transfer, from the bytes still to cross the line
// at 9600 bit/s: each data byte as two characters, each frame with its
// envelope and its address, length and checksum.
TEST(StatusLineTimeLeft, FromTheBytesLeftOnTheLine)
{
    struct Case { int bytes; int frameData; const char* text; };
    const Case cases[] = {
        {8160, 32, "about 21 s left"},   // a whole read: 255 frames of 78 bytes
        {8160, 16, "about 25 s left"},   // a whole write: 510 frames of 46 bytes
        {1, 16, "about 1 s left"},       // never "0 s" while a byte is left
        {0, 32, ""},
        {-5, 32, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatusLine::TimeLeft(c.bytes, c.frameData), c.text) << c.bytes << " in frames of " << c.frameData;
}
