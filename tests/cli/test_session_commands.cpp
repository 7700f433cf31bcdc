// The session's command reader on the whole program over in-memory parts:
// what each line prints, and what it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "tests/support/ManualRunner.h"

TEST(SessionCommands, EachLineAnswersOrSaysWhatIsWrong)
{
    const std::pair<const char*, const char*> cases[] = {
        {"frobnicate\n\n   \n", "error: unknown command\n"},
        {"connect now\n", "error: connect takes no argument\n"},
        {"wait\nwait 1.5\n", "error: wait needs one number\nerror: wait needs one number\n"},
        {"wait 3000000000\n", "error: wait needs one number\n"},   // cut to an int, a wait without end
        {"select 18\nbutton 3\n", "error: no console line 18\nerror: no button 3\n"},
        {"idle\n", "ok\n"},   // not connected: nothing to wait for
        {"connect\r\nselect 1\r\nstep 3\r\nidle\r\nquit\r\nstep 1\r\n", "ok\nok\n"},   // nothing after quit
        {"connect\nidle", "ok\nok\n"},   // a last line without its end
        {"line\nline 1\n", "line: break 0, framing 0, overrun 0, buffer 0, parity 0\nerror: line takes no argument\n"},
    };
    for (const auto& [input, output] : cases) {
        ModelBench b;
        ManualRunner runner(b, 120000);
        std::ostringstream out;
        Session session(b.app, b.win, runner, out);
        SessionReader reader(session);
        if (reader.feed(input, std::char_traits<char>::length(input)))
            reader.end();
        EXPECT_EQ(out.str(), output) << input;
        const bool stepped = std::string(input).find("step 3") != std::string::npos;
        EXPECT_EQ(b.con.Value(1), stepped ? 3 : 0) << input;
        EXPECT_EQ(!b.trx.commands.empty() && b.trx.commands.back().sub == 0x09, stepped) << "the step went out last";
    }
}

// `quit`, the end of input and `escape` during a sweep end it and put T1's
// value from before it back on the radio; the session's end says so on
// standard error.
TEST(SessionCommands, TheEndOrEscapeDuringASweepPutsItsValueBack)
{
    const std::string start = "connect\nselect 11\nstep 50\nidle\nenter\nwait 2000\n";
    const std::string warning =
        "warning: the session ended during an automatic adjustment: BPF T1 sweep interrupted, restored to 50\n";
    const std::pair<std::string, std::string> cases[] = {
        {"quit\n", warning}, {"", warning}, {"escape\nidle\nescape 1\n", ""}};
    for (const auto& [tail, err] : cases) {
        ModelBench b;
        ManualRunner runner(b, 120000);
        std::ostringstream out, errOut;
        Session session(b.app, b.win, runner, out);
        session.setErrorStream(&errOut);
        SessionReader reader(session);
        const std::string input = start + tail;
        if (reader.feed(input.data(), input.size()))
            reader.end();
        b.ticks(5);   // the line carries what was written last
        const bool escape = tail.rfind("escape", 0) == 0;
        EXPECT_EQ(out.str(), escape ? "ok\nok\nok\nerror: escape takes no argument\n" : "ok\nok\n") << tail;
        EXPECT_EQ(errOut.str(), err) << tail;
        const auto& cmds = b.trx.commands;
        EXPECT_GT(std::count_if(cmds.begin(), cmds.end(), [](const auto& c) { return c.sub == 0x13; }), 10)
            << tail << ": the sweep ran";
        EXPECT_EQ(b.lastValue(0x13), 50) << tail;
    }
}
