// Procedure files: the shipped ones are read whole; a file that is not a
// procedure this program can run is refused with its line and the reason.
#include <gtest/gtest.h>

#include <string>

#include "records/Procedure.h"

namespace {

const std::string kHead = "procedure: T\nversion: \"1\"\nmodels: [\"5314-0100\"]\nsteps:\n";

}  // namespace

TEST(Procedures, TheShippedOnesAreReadWhole)
{
    Procedure full, quick;
    std::string error;
    ASSERT_TRUE(LoadProcedure(DORVEL_SOURCE_DIR "/procedures/full-alignment.yaml", full, error)) << error;
    ASSERT_TRUE(LoadProcedure(DORVEL_SOURCE_DIR "/procedures/quick-check.yaml", quick, error)) << error;
    std::string kinds;
    for (const ProcedureStep& s : full.steps)
        if (kinds.find(StepKindName(s.kind)) == std::string::npos)
            kinds += std::string(StepKindName(s.kind)) + " ";
    EXPECT_EQ(kinds, "prompt readout item set adjust measure auto write-verify ");
    for (const ProcedureStep& s : quick.steps)
        EXPECT_TRUE(s.kind == StepKind::Auto || s.kind == StepKind::Readout) << s.line;

    const ProcedureStep& adjust = full.steps[5];
    EXPECT_EQ(std::make_tuple(adjust.target, adjust.tries, adjust.code, adjust.low, adjust.marginal),
              std::make_tuple(std::string("Power(Hi)"), 2, std::string("F-POWHI"), std::optional(4.8), 0.05));
    EXPECT_EQ(full.steps[1].code, "F-VIN");
    EXPECT_EQ(full.steps[2].code, "S03") << "a step without a code gets its number";
    EXPECT_FALSE(full.steps[10].stopOnFail);
    EXPECT_EQ(full.steps[7].judge, AutoJudge::Peak);
    EXPECT_EQ(full.steps[9].judge, AutoJudge::Target);
    EXPECT_EQ(ProcedureSummary(quick).substr(0, ProcedureSummary(quick).find('\n', 60) + 1),
              "Quick check, version 1.0, for 5314-0100\n1. readout Supply voltage: 6.5 to 8.4 [S01]\n");

    EXPECT_TRUE(SerialFits(full, "SN12345"));
    for (const char* bad : {"", "SN12", "XX12345", "SN12345 "})
        EXPECT_FALSE(SerialFits(full, bad)) << bad;
    EXPECT_TRUE(SerialFits(quick, "anything")) << "no pattern: any serial but none";
    EXPECT_FALSE(SerialFits(quick, ""));
}

TEST(Procedures, AFileThatIsNoProcedureIsRefusedWithItsLine)
{
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"procedure: [unclosed\n", "p.yaml:2: end of sequence flow not found"},
        {"- a list\n", "p.yaml:1: the file must be a mapping"},
        {kHead + "  - prompt: x\ncolour: red\n", "p.yaml:6: no key \"colour\" here"},
        {"procedure: T\nprocedure: U\n", "p.yaml:2: procedure is given twice"},
        {"procedure: T\nversion: \"1\"\nsteps:\n  - prompt: x\n", "p.yaml:1: the procedure needs the models"},
        {"procedure: T\nversion: \"1\"\nmodels: [\"53140100\"]\n", "p.yaml:3: \"53140100\" is no model code"},
        {kHead, "p.yaml:4: steps must be a list"},
        {kHead + "  - prompt: x\n    low: 1\n", "p.yaml:6: a prompt step has no key \"low\""},
        {kHead + "  - prompt: x\n    \"lo\\nw\": 1\n", "p.yaml:6: a prompt step has no key \"lo\\nw\"; it may"},
        {kHead + "  - measure: power\n    unit: W\n    lo: 1\n", "p.yaml:7: a measure step has no key \"lo\"; it may have"},
        {kHead + "  - measure: power\n    unit: W\n", "p.yaml:5: a measure step needs a limit"},
        {kHead + "  - measure: power\n    low: 1\n", "p.yaml:5: a measure step needs its unit"},
        {kHead + "  - measure: power\n    unit: W\n    low: 5\n    high: 4\n", "p.yaml:5: low is above high"},
        {kHead + "  - measure: power\n    unit: W\n    low: five\n", "p.yaml:7: low must be a number"},
        {kHead + "  - measure: p\n    unit: W\n    low: 1\n    tries: 0\n", "p.yaml:8: tries must be a whole number"},
        {kHead + "  - measure: p\n    unit: W\n    low: 1\n    high: 2\n    marginal: 0.6\n",
         "p.yaml:5: the marginal bands cover the whole range"},
        {kHead + "  - set: Power(Max)\n    value: 1\n", "p.yaml:5: no item with a value is called \"Power(Max)\""},
        {kHead + "  - set: SQL\n", "p.yaml:5: a set step needs either value or step"},
        {kHead + "  - set: SQL\n    value: 1\n    step: 2\n", "p.yaml:5: a set step needs either value or step"},
        {kHead + "  - item: RSSI\n    low: 1\n", "p.yaml:5: no item with a value is called \"RSSI\""},
        {kHead + "  - auto: SQL\n", "p.yaml:5: \"SQL\" has no automatic adjustment"},
        {kHead + "  - auto: BPF ALL\n    judge: result\n", "p.yaml:6: judge of BPF ALL must be peak"},
        {kHead + "  - readout: VOUT\n    low: 1\n", "p.yaml:5: no readout line is called \"VOUT\""},
        {kHead + "  - adjust: SQL\n    unit: V\n    low: 1\n", "p.yaml:5: an adjust step needs its instruction"},
        {kHead + "  - prompt: x\n    measure: y\n", "p.yaml:6: a step has one kind"},
        {kHead + "  - name: nothing\n", "p.yaml:5: the step has no kind"},
        {kHead + "  - prompt: x\n    on_fail: retry\n", "p.yaml:6: on_fail must be stop or continue"},
        {kHead + "  - write-verify: true\n  - prompt: x\n", "p.yaml:5: write-verify can only be the last step"},
        {"procedure: T\nserial: \"[A-\"\n", "p.yaml:2: serial is no valid pattern"},
        {std::string(5000, '['), "p.yaml:"},
    };
    for (const auto& c : cases) {
        Procedure p;
        p.title = "untouched";
        std::string error;
        EXPECT_FALSE(ParseProcedure(c.text, "p.yaml", p, error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << "\n" << error;
        EXPECT_EQ(p.title, "untouched") << "nothing of a refused file is used";
    }
    Procedure p;
    std::string error;
    EXPECT_FALSE(LoadProcedure("/nonexistent/p.yaml", p, error));
    EXPECT_EQ(error, "/nonexistent/p.yaml: cannot be read");
}
