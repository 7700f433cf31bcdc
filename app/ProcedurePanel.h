#pragma once
// The window's procedure runner panel as plain logic: what its fields,
// buttons, step list, instruction and verdict banner show in each state of
// a run, and the operator's actions handed to the runner. At the end of a
// run it started it writes the run's record; a record that cannot be
// written turns the verdict into ERROR. The Qt panel only draws this.
#include <string>
#include <vector>

#include "records/Procedure.h"
#include "records/RunRecord.h"

class ProcedureRunner;
class HistoryRecorder;

class ProcedurePanel {
public:
    ProcedurePanel(ProcedureRunner& runner, std::string toolVersion);
    // The history the run records go into (null: none).
    void setHistory(HistoryRecorder* history) { history_ = history; }

    // The procedure to run, with its file's text (hashed into the record).
    void setProcedure(const Procedure& procedure, const std::string& text, const std::string& path);
    const Procedure& procedure() const { return procedure_; }
    const std::string& path() const { return path_; }

    // Start: a run for this serial number (spaces around it dropped) and
    // operator. False when the runner refuses it; the reason is the notice.
    bool start(const std::string& serial, const std::string& operatorName);
    // Retry: a new run of the procedure for the serial of the last run.
    bool retry();
    // OK: the prompt confirmed, or the value typed submitted. A value that
    // is no number is not taken; the notice says so.
    void ok(const std::string& typed);
    void abort(const std::string& why = "stopped by the operator");
    // Called on every poll. When the run this panel started has ended, its
    // record is written, once. True when what the panel shows changed.
    bool poll();

    struct View {
        bool fieldsEnabled = true;   // serial number and operator
        bool startEnabled = false;
        bool okEnabled = false;
        bool valueEnabled = false;   // the value entry of a measure or adjust step
        bool retryEnabled = false;
        bool abortEnabled = false;
        std::string instruction;     // in large type
        std::string limits;          // beside the value entry
        std::string notice;          // why a start was refused or a value not taken
        std::string banner;          // "PASS", "FAIL", "ERROR", "ABORTED"; "" until the end
        std::string bannerDetail;    // the first failing step and its code, or why; the record
    };
    View view() const;
    // One line per step: its number, title and state.
    std::vector<std::string> stepRows() const;
    // A step's state as its row shows it: "not run", "running" (", attempt
    // N"), "pass", "marginal", "fail", "error" or "aborted".
    static std::string StepState(const RunStep& step, bool current, int attempt);

    // The record of the last run once written ("" before), and its verdict
    // as told (ERROR when the record could not be written).
    // Where the file chooser starts: the procedures installed beside the
    // program (PREFIX/share/dorvel-adj/procedures), or the source tree's
    // when the program runs from its build tree; "" when neither is there.
    static std::string ShippedFolder(const std::string& programFolder, const std::string& buildTree,
                                     const std::string& sourceTree);

    const std::string& recordPath() const { return recordPath_; }
    RunOutcome outcome() const { return outcome_; }

private:
    ProcedureRunner& runner_;
    HistoryRecorder* history_ = nullptr;
    std::string toolVersion_;
    Procedure procedure_;
    std::string text_, path_;
    std::string serial_, operator_;
    bool started_ = false;    // the runner's current or last run is this panel's
    bool recorded_ = false;   // its record has been written or tried
    RunOutcome outcome_ = RunOutcome::Running;
    std::string recordPath_, recordProblem_;
    std::string notice_;
    uint64_t seen_ = ~uint64_t{0};
};
