// Operator messages: one text per failure, the checklist that goes with it,
// and the line-break expansion of the message box procedure.
#include <gtest/gtest.h>

#include "app/CloneErrorText.h"
#include "app/start.h"

namespace {

const std::string kHead = "\r\n\r\nCheck the following:\r\n";
const std::string kSCP = "- The COM port settings.\r\n- Cloning cable connections.\r\n- Transceiver power is ON.";
const std::string kCP = "- Cloning cable connections.\r\n- Transceiver power is ON.";

// A failure the driver or the sequencer reports by its code.
CloneFailure link(int16_t driverError, int16_t sequencerError = 0)
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
    CloneFailure overflow;
    overflow.errOverflow = true;
    struct Case { CloneFailure f; std::string text; };
    const Case cases[] = {
        {cannotOpen, "Cannot access COM 3." + kHead + kSCP},
        {overflow, "COM buffer overflow." + kHead + kSCP},
        {link(1), "Cannot access COM port" + kHead + kSCP},
        {link(2), "No answer from transceiver." + kHead + kSCP},
        {link(3), "Illegal data." + kHead + kSCP},
        {link(4), "Data counter error." + kHead + kSCP},
        {link(5), "Data overflow." + kHead + kSCP},
        {link(6), "Cannot write cloning data." + kHead + kCP},
        {link(7), "Cannot write cloning data." + kHead + kCP},
        {link(8), "Cannot Clone." + kHead + "\r\n" + kSCP},
        {link(0, 1), "Cannot Clone." + kHead + kSCP},
        {link(0, 2), "Version number does not match\r\nfor this transceiver."},
        {link(0, 3),
         "Connected transceiver is not compatible model." + kHead +
             "- Appropriate cloning software for the transceiver is being used.\r\n"
             "- The revision number of the transceiver."},
        {link(0, 4), "Cannot Clone." + kHead + kSCP},
        {CloneFailure{}, "Communication failed." + kHead + kCP},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CloneErrorMessage(c.f), c.text) << c.text;
}

TEST(CloneErrorMessage, PortFailuresComeBeforeLinkCodes)
{
    CloneFailure f = link(2, 4);
    f.errOverflow = true;
    EXPECT_EQ(CloneErrorMessage(f).substr(0, 20), "COM buffer overflow.");
    f.errOverflow = false;
    EXPECT_EQ(CloneErrorMessage(f).substr(0, 27), "No answer from transceiver.");
}

TEST(MessageBoxProcedure, ExpandNewLineTurnsBackslashNIntoALineBreak)
{
    EXPECT_EQ(ExpandNewLine("a\\nb\\n"), "a\r\nb\r\n");
    EXPECT_EQ(ExpandNewLine("plain"), "plain");
    EXPECT_EQ(ExpandNewLine("ends\\"), "ends\\");
    EXPECT_EQ(ExpandNewLine("\\t\\n"), "\\t\r\n");
}
