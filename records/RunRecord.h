#pragma once
// The record of one run of an alignment procedure on one radio: who, what,
// when, the verdict and why, and every step with its measurements. It is
// written as one JSON document (its schema ships beside the procedures).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/ServiceJournal.h"
#include "records/Procedure.h"

enum class RunOutcome { Running, Pass, Fail, Error, Aborted };

// One value judged against a step's limits, from one attempt.
struct RunMeasurement {
    int attempt = 1;
    double value = 0;
    std::string unit;
    std::string outcome;   // "pass", "marginal" or "fail"
};

struct RunStep {
    ProcedureStep step;
    std::string outcome = "not run";   // "pass", "fail", "error", "aborted", "not run"
    bool marginal = false;
    std::vector<RunMeasurement> measurements;
    std::optional<int> itemValue;      // set, adjust, item: the item's value at the step's end
    std::vector<JournalPoint> pairs;   // auto: the readings of the adjustment, as the journal has them
    std::string note;                  // what happened, in words
    int64_t start = 0, end = 0;        // calendar seconds
};

struct RunRecord {
    std::string id;   // a random UUID
    std::string serial, operatorName, station, toolVersion;
    std::string mainCode, subCode;
    std::string procedureTitle, procedureVersion, procedureSha256;
    std::string device;
    std::string backupPath;
    int64_t start = 0, end = 0;
    RunOutcome outcome = RunOutcome::Running;
    int firstFailingStep = -1;   // index into steps, -1 for none
    std::string failureCode;
    std::string message;         // ERROR and ABORTED: why
    std::vector<RunStep> steps;
};

// "PASS", "FAIL", "ERROR", "ABORTED" or "RUNNING".
const char* RunOutcomeText(RunOutcome outcome);
// Judges a value against a step's limits: "pass", "marginal" (within the
// marginal band inside a limit) or "fail".
std::string JudgeValue(const ProcedureStep& step, double value);
std::string RunRecordJson(const RunRecord& record);
// Where run records go unless told otherwise:
// $XDG_DATA_HOME/dorvel-adj/runs (~/.local/share/dorvel-adj/runs).
std::string DefaultRunsFolder();
// Writes the record whole: to path, or when path is "" to a new file in the
// runs folder named by serial, time and outcome. Never replaces a file.
// True with the path written, false with the reason.
bool WriteRunRecord(const RunRecord& record, const std::string& path, std::string& pathOrReason);
// A new random UUID (version 4), from the kernel's random source.
std::string NewRunId();
// The name of the machine, for the record's station.
std::string StationName();
