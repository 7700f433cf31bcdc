#pragma once
// Runs an alignment procedure on the connected radio, one small step per
// tick like every other operation: the serial number and the operator
// first, then "Connect", then the steps in order. It drives the console as
// the keys would (a value stepped, Enter on an item, "Reload(F5)" for fresh
// readouts), asks the front end for what only the operator can give (an
// OK, a value read on an instrument), judges every result against its
// limits and ends in PASS, FAIL, ERROR or ABORTED with a record that says
// why. Nothing here waits.
#include <cstdint>
#include <string>

#include "model/ModelListener.h"
#include "platform/TickClock.h"
#include "platform/WallClock.h"
#include "records/Procedure.h"
#include "records/RunRecord.h"

class clsIndOp_RigTavik;
class clsCmcRadio;
class ImageKeeper;
class ImageRestore;
class JobRecord;
class RestoreView;

class ProcedureRunner : public ModelListener {
public:
    // What the run waits for from the operator.
    enum class Need { Nothing, Confirm, Value };

    ProcedureRunner(clsIndOp_RigTavik& model, clsCmcRadio& radio, JobRecord& job, const platform::TickClock& clock,
                    const platform::WallClock& wall);

    // What the last step, write-verify, writes the program's image with.
    void setImageWork(ImageRestore* restore, ImageKeeper* keeper)
    {
        restore_ = restore;
        keeper_ = keeper;
    }

    // Starts a run: the serial must fit the procedure. text is the file's
    // text (its SHA-256 goes into the record). False with the reason; the
    // radio is not touched then.
    bool start(const Procedure& procedure, const std::string& text, const std::string& serial,
               const std::string& operatorName, const std::string& toolVersion, std::string& reason);
    // One step of the run; the main window calls it on every tick.
    void task();

    Need need() const { return need_; }
    // The step that runs, or null.
    const ProcedureStep* current() const;
    size_t currentIndex() const { return index_; }
    int attempt() const { return attempt_; }
    // What the operator is asked: the prompt's or the adjust step's
    // instruction, or what the RSSI capture needs before each Enter.
    const std::string& question() const { return question_; }
    // The operator's OK to a prompt, or the value read for a measure or an
    // adjust step.
    void confirm();
    void enterValue(double value);
    // The operator stops the run: a running automatic adjustment is ended
    // and what it changed put back, as Escape does.
    void abort(const std::string& why = "stopped by the operator");

    bool running() const { return phase_ != Phase::Idle && phase_ != Phase::Done; }
    bool finished() const { return phase_ == Phase::Done; }
    const RunRecord& record() const { return record_; }
    // The job (JobRecord::jobNumber) the run's Connect started; 0 before any run.
    int jobNumber() const { return jobNumber_; }
    // Goes up with every change, so that a view can tell when to redraw.
    uint64_t revision() const { return revision_; }

    void connectFailed() override { connectFailed_ = true; }

private:
    enum class Phase { Idle, Connecting, Step, Done };
    enum class StepPhase { Begin, Operator, Settle, Sequence, Writing };

    void beginStep();
    void writing();
    void afterSettle();
    // unit: the measurement's when the step names none (a readout's "V").
    void judgeValue(double value, const std::string& unit = {});
    void stepEnds(const std::string& outcome, const std::string& note = {});
    void finish(RunOutcome outcome, const std::string& message = {});
    // The model has been quiet for a little while: nothing pending, nothing
    // running, no wait.
    bool settled();
    int16_t itemIndex(const std::string& name) const;
    std::string lastFailure() const;

    clsIndOp_RigTavik& model_;
    clsCmcRadio& radio_;
    JobRecord& job_;
    ImageRestore* restore_ = nullptr;
    ImageKeeper* keeper_ = nullptr;
    RestoreView* savedView_ = nullptr;
    const platform::TickClock& clock_;
    const platform::WallClock& wall_;
    Procedure procedure_;
    RunRecord record_;
    Phase phase_ = Phase::Idle;
    StepPhase stepPhase_ = StepPhase::Begin;
    Need need_ = Need::Nothing;
    size_t index_ = 0;
    int attempt_ = 1;
    bool connectFailed_ = false;
    bool quiet_ = false;
    uint32_t quietSince_ = 0;
    size_t eventsBefore_ = 0;   // the journal's events when an automatic step began
    std::string question_;
    int rssiAsked_ = 0;         // the RSSI level the operator was last asked for
    double pendingValue_ = 0;   // adjust: the value typed, judged once the keys' frames are out
    uint64_t revision_ = 0;
    int jobNumber_ = 0;
};
