#pragma once
// An alignment procedure: the steps a test engineer wrote down for one radio
// model, each with the limits its result must meet, read from a YAML file.
//
//   procedure: Quick check          # the title
//   version: "1.0"
//   models: ["5314-0100"]           # main code - sub code, as the radio reports them
//   serial: "^SN[0-9]{4}$"          # optional: what a serial number must look like
//   steps:
//     - prompt: Connect the dummy load.
//     - measure: TX power, high
//       unit: W
//       low: 4.5
//       high: 5.5
//       marginal: 0.1               # within 0.1 of a limit: passes, marked marginal
//       tries: 2
//       on_fail: continue           # or stop (the default)
//     - set: Power(Hi)
//       value: 180                  # or step: -2
//     - adjust: Power(Hi)
//       instruction: Bring the power to 5 W.
//       unit: W
//       low: 4.9
//       high: 5.1
//     - auto: BPF T1                # judge: peak (default for BPF), result, or target (LVA);
//                                   # instruction: what the operator does first (RSSI: before each level)
//       low: 150
//     - readout: VIN                # the shown value (volts, 'C, %), or raw: true for the byte
//       low: 7.0
//       high: 8.4
//     - item: SQL
//       low: 100
//       high: 140
//     - write-verify: true
//
// Every step may have name (its title in the record), code (its failure
// code; "S" and the step's number by default) and on_fail. Unknown keys are
// errors, as are items, readouts and judges the radio does not have.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class StepKind { Prompt, Measure, Set, Adjust, Auto, Readout, Item, WriteVerify };

// What an automatic step judges: the highest detector reading of a BPF
// sweep, the value the adjustment wrote, or whether an LVA search reached
// its target level.
enum class AutoJudge { Peak, Result, Target };

struct ProcedureStep {
    StepKind kind = StepKind::Prompt;
    int line = 0;              // in the file
    std::string name;          // its title in the record
    std::string code;          // the failure code
    std::string text;          // prompt: the instruction; adjust: the instruction
    std::string target;        // set, adjust, auto, item: the item; readout: the line; measure: what is measured
    std::string unit;          // measure, adjust
    std::optional<double> low, high;
    double marginal = 0;       // the band inside each limit where a pass is marked marginal
    int tries = 1;
    bool stopOnFail = true;
    std::optional<int> value;  // set: the value
    std::optional<int> step;   // set: the step
    AutoJudge judge = AutoJudge::Result;
    bool raw = false;          // readout: judge the byte, not the shown value
};

struct Procedure {
    std::string title;
    std::string version;
    std::vector<std::string> models;   // "5314-0100"
    std::string serialPattern;         // "" for any
    std::vector<ProcedureStep> steps;
};

// Reads a procedure from its text. False with "NAME:LINE: reason" (NAME the
// file's name as given) when the text is not a procedure this program can
// run; nothing of it is used then.
bool ParseProcedure(const std::string& text, const std::string& name, Procedure& out, std::string& error);
// The same from a file.
bool LoadProcedure(const std::string& path, Procedure& out, std::string& error);

// The step's kind as written in the file ("measure", "write-verify").
const char* StepKindName(StepKind kind);
// A step's limits as the operator reads them: "4.5 to 5.5 W", "at least
// 150", "at most 40 'C"; "" when it has none.
std::string LimitsText(const ProcedureStep& step);
// A number as a procedure's texts write it: the C locale, no trailing zeros.
std::string NumberText(double v);
// One line per step: its number, kind, title and limits.
std::string ProcedureSummary(const Procedure& p);
// Whether a serial number fits the procedure's pattern (any when none).
bool SerialFits(const Procedure& p, const std::string& serial);
