#include "records/ProcedureRunner.h"

#include <algorithm>
#include <cstdlib>

#include "link/clsCmcRadio.h"
#include "model/clsIndOp_RigTavik.h"
#include "records/ImageFile.h"
#include "records/ImageKeeper.h"
#include "records/ImageRestore.h"
#include "records/JobRecord.h"
#include "records/JournalJson.h"
#include "records/Sha256.h"

namespace {

// Quiet for this long (two ticks and a little): every change has gone out
// and the edit cycle has come round with nothing to do.
constexpr uint32_t kSettleMs = 120;

// The number a readout line shows after its last colon, and its unit
// ("7.41V" -> 7.41 and "V").
bool shownNumber(const std::string& line, double& value, std::string& unit)
{
    const size_t colon = line.rfind(':');
    if (colon == std::string::npos)
        return false;
    const std::string field = line.substr(colon + 1);
    const char* begin = field.c_str();
    char* end = nullptr;
    value = std::strtod(begin, &end);
    unit = std::string(end);
    unit = unit.substr(0, unit.find_last_not_of(' ') + 1);
    return end != begin;
}

}  // namespace

ProcedureRunner::ProcedureRunner(clsIndOp_RigTavik& model, clsCmcRadio& radio, JobRecord& job,
                                 const platform::TickClock& clock, const platform::WallClock& wall)
    : model_(model), radio_(radio), job_(job), clock_(clock), wall_(wall)
{
}

bool ProcedureRunner::start(const Procedure& procedure, const std::string& text, const std::string& serial,
                            const std::string& operatorName, const std::string& toolVersion, std::string& reason)
{
    if (running()) {
        reason = "a procedure is running";
        return false;
    }
    if (!SerialFits(procedure, serial)) {
        reason = procedure.serialPattern.empty()
                     ? "the serial number is needed (64 characters at most)"
                     : "the serial number \"" + serial + "\" does not fit the procedure's pattern " +
                           procedure.serialPattern;
        return false;
    }
    procedure_ = procedure;
    record_ = RunRecord();
    record_.id = NewRunId();
    record_.serial = serial;
    record_.operatorName = operatorName;
    record_.station = StationName();
    record_.toolVersion = toolVersion;
    record_.procedureTitle = procedure.title;
    record_.procedureVersion = procedure.version;
    record_.procedureSha256 = Sha256Hex(text);
    record_.start = wall_.UnixSeconds();
    for (const ProcedureStep& s : procedure.steps) {
        RunStep r;
        r.step = s;
        record_.steps.push_back(r);
    }
    // The job the Connect starts carries the serial and the operator.
    job_.setDetail("serial", serial);
    if (!operatorName.empty())
        job_.setDetail("technician", operatorName);
    connectFailed_ = false;
    index_ = 0;
    attempt_ = 1;
    need_ = Need::Nothing;
    phase_ = Phase::Connecting;
    model_.RigOpFunc_ClickCmd00(0);
    jobNumber_ = job_.jobNumber();
    ++revision_;
    return true;
}

const ProcedureStep* ProcedureRunner::current() const
{
    return phase_ == Phase::Step && index_ < procedure_.steps.size() ? &procedure_.steps[index_] : nullptr;
}

bool ProcedureRunner::settled()
{
    if (!model_.RigTavikProp_AtRest()) {
        quiet_ = false;
        return false;
    }
    if (!quiet_) {
        quiet_ = true;
        quietSince_ = clock_.GetTickCount();
    }
    return clock_.GetTickCount() - quietSince_ >= kSettleMs;
}

int16_t ProcedureRunner::itemIndex(const std::string& name) const
{
    for (int16_t i = 0; i < model_.myConsole.ListCount(); ++i)
        if (TrimmedTitle(model_.myConsole.Title(i)) == name)
            return i;
    return -1;
}

std::string ProcedureRunner::lastFailure() const
{
    const JournalEvent* f = model_.myJournal.last(JournalEvent::Kind::Failure);
    if (f == nullptr)
        return "the link to the radio failed";
    const std::string& m = f->message;
    const size_t cut = m.find_first_of("\r\n");
    return cut == std::string::npos ? m : m.substr(0, cut);
}

void ProcedureRunner::task()
{
    if (phase_ == Phase::Connecting) {
        if (connectFailed_) {
            finish(RunOutcome::Error, "Connect failed: " + lastFailure());
            return;
        }
        if (!model_.RigTavikProp_EditEnabled() || !settled())
            return;
        record_.mainCode = radio_.radioNameM();
        record_.subCode = radio_.radionameS();
        record_.device = model_.myJournal.identity() != nullptr ? model_.myJournal.identity()->device : "";
        record_.backupPath = job_.info().backupPath;
        const std::string model = ModelText(record_.mainCode, record_.subCode);
        if (std::find(procedure_.models.begin(), procedure_.models.end(), model) == procedure_.models.end()) {
            finish(RunOutcome::Error, "the procedure is not for this radio (model " + model + ")");
            return;
        }
        phase_ = Phase::Step;
        beginStep();
        return;
    }
    if (phase_ != Phase::Step)
        return;
    if (stepPhase_ == StepPhase::Writing) {
        writing();
        return;
    }
    // A failure of the link resets the model: the radio is out of reach.
    if (!model_.RigTavikProp_EditEnabled()) {
        finish(RunOutcome::Error, "the link to the radio failed: " + lastFailure());
        return;
    }
    const ProcedureStep& s = procedure_.steps[index_];
    switch (stepPhase_) {
    case StepPhase::Begin:
    case StepPhase::Operator:
    case StepPhase::Writing:
        return;
    case StepPhase::Settle:
        if (!model_.RigTavikProp_Reloading() && settled())
            afterSettle();
        return;
    case StepPhase::Sequence: {
        // The RSSI capture stores a level at each Enter: the operator feeds
        // the radio that level's signal first.
        const int level = model_.RigTavikProp_RssiLevelWaiting();
        if (level != 0 && level != rssiAsked_ && need_ == Need::Nothing) {
            rssiAsked_ = level;
            question_ = s.text.empty() ? "Feed the radio the signal of the RSSI S" + std::to_string(level) +
                                             " level, then OK."
                                       : s.text + " (S" + std::to_string(level) + ")";
            need_ = Need::Confirm;
            ++revision_;
            return;
        }
        if (!settled())
            return;
        // The adjustment's records since its Enter: BPF ALL has one per filter.
        std::vector<const JournalEvent*> runs;
        const auto& events = model_.myJournal.events();
        for (size_t k = eventsBefore_; k < events.size(); ++k)
            if (events[k].kind == JournalEvent::Kind::Bpf || events[k].kind == JournalEvent::Kind::Lva ||
                events[k].kind == JournalEvent::Kind::Rssi)
                runs.push_back(&events[k]);
        if (runs.empty()) {
            stepEnds("error", "the automatic adjustment did not start");
            finish(RunOutcome::Error, "the automatic adjustment of " + s.target + " did not start");
            return;
        }
        RunStep& r = record_.steps[index_];
        bool done = true;
        int worst = 256;
        for (const JournalEvent* e : runs) {
            r.pairs.insert(r.pairs.end(), e->points.begin(), e->points.end());
            done = done && e->outcome == JournalEvent::Outcome::Done;
            worst = std::min(worst, s.judge == AutoJudge::Peak ? e->highest : e->result);
        }
        const int16_t item = itemIndex(s.target);
        if (item >= 0 && s.target != "BPF ALL" && s.target != "RSSI")
            r.itemValue = model_.myConsole.Value(item);
        r.note = runs.back()->kind == JournalEvent::Kind::Rssi ? "RSSI: " + SequenceEndText(*runs.back())
                                                                : TrimmedTitle(runs.back()->title) + ": " +
                                                                      SequenceEndText(*runs.back());
        if (!done) {
            stepEnds("fail", r.note);
        } else if (s.judge == AutoJudge::Target || s.target == "RSSI" || (!s.low && !s.high)) {
            stepEnds("pass", r.note);
        } else {
            judgeValue(worst);
        }
        return;
    }
    }
}

void ProcedureRunner::beginStep()
{
    if (index_ >= procedure_.steps.size()) {
        // Every step ran: PASS unless one failed and the run went on.
        for (size_t i = 0; i < record_.steps.size(); ++i)
            if (record_.steps[i].outcome == "fail") {
                finish(RunOutcome::Fail);
                return;
            }
        finish(RunOutcome::Pass);
        return;
    }
    const ProcedureStep& s = procedure_.steps[index_];
    RunStep& r = record_.steps[index_];
    if (attempt_ == 1)
        r.start = wall_.UnixSeconds();
    quiet_ = false;
    ++revision_;
    const int16_t item = itemIndex(s.target);
    switch (s.kind) {
    case StepKind::Prompt:
        question_ = s.text;
        need_ = Need::Confirm;
        stepPhase_ = StepPhase::Operator;
        return;
    case StepKind::Measure:
    case StepKind::Adjust:
        question_ = s.kind == StepKind::Adjust ? s.text : "Measure " + s.name + ".";
        need_ = Need::Value;
        stepPhase_ = StepPhase::Operator;
        return;
    case StepKind::Set: {
        const int current = model_.myConsole.Value(item);
        const int wanted = s.value ? *s.value : current + *s.step;
        model_.myConsole.UpDown(item, static_cast<int16_t>(wanted - current));
        stepPhase_ = StepPhase::Settle;
        return;
    }
    case StepKind::Auto:
        eventsBefore_ = model_.myJournal.events().size();
        rssiAsked_ = 0;
        model_.myConsole.EnterPushed(item);
        stepPhase_ = StepPhase::Sequence;
        return;
    case StepKind::Readout:
        // "Reload(F5)": the next edit cycle reads every readout afresh.
        model_.RigOpFunc_ClickCmd00(1);
        stepPhase_ = StepPhase::Settle;
        return;
    case StepKind::Item:
        stepPhase_ = StepPhase::Settle;
        return;
    case StepKind::WriteVerify: {
        // The program's image, with every value the run left, goes into the
        // radio's memory by a clone write that the restore reads back; the
        // restore backs the radio up first. It answers its own question.
        const ByteStr image = radio_.eepImage().bytes();
        if (restore_ == nullptr || keeper_ == nullptr) {
            stepEnds("error", "no restore to write with");
            finish(RunOutcome::Error, "the image cannot be written here");
            return;
        }
        savedView_ = restore_->view();
        restore_->setView(nullptr);
        if (!restore_->start(image, keeper_->record())) {
            restore_->setView(savedView_);
            stepEnds("error", "a restore is running");
            finish(RunOutcome::Error, "a restore is running");
            return;
        }
        stepPhase_ = StepPhase::Writing;
        return;
    }
    }
}

void ProcedureRunner::writing()
{
    if (restore_->phase() == ImageRestore::Phase::Confirming)
        restore_->answer(true);
    if (restore_->busy())
        return;
    restore_->setView(savedView_);
    switch (restore_->outcome()) {
    case ImageRestore::Outcome::Verified:
        stepEnds("pass", "written and read back whole; the backup before it: " + restore_->backupPath());
        return;
    case ImageRestore::Outcome::Mismatch:
        stepEnds("fail", restore_->message());
        return;
    case ImageRestore::Outcome::Failed: {
        std::string held = restore_->interruption();
        for (char& c : held)
            c = c == '\n' ? ' ' : c;
        stepEnds("error", held);
        finish(RunOutcome::Error, "the link to the radio failed during the write: " + held);
        return;
    }
    default:
        stepEnds("error", restore_->message());
        finish(RunOutcome::Error, restore_->message());
        return;
    }
}

void ProcedureRunner::afterSettle()
{
    const ProcedureStep& s = procedure_.steps[index_];
    RunStep& r = record_.steps[index_];
    const int16_t item = itemIndex(s.target);
    switch (s.kind) {
    case StepKind::Set: {
        r.itemValue = model_.myConsole.Value(item);
        const int wanted = s.value ? *s.value : *r.itemValue;
        if (s.value && *r.itemValue != wanted)
            stepEnds("fail", s.target + " stopped at " + std::to_string(*r.itemValue) + ", not " +
                                 std::to_string(wanted));
        else
            stepEnds("pass", s.target + " set to " + std::to_string(*r.itemValue));
        return;
    }
    case StepKind::Item:
        r.itemValue = model_.myConsole.Value(item);
        judgeValue(*r.itemValue);
        return;
    case StepKind::Adjust:
        r.itemValue = model_.myConsole.Value(item);
        judgeValue(pendingValue_);
        return;
    case StepKind::Readout:
        for (const JournalReadout& x : model_.myJournal.readouts()) {
            std::string unit;
            const std::string& text = x.latestText;
            if (TrimmedTitle(text.substr(0, text.find(':'))) != s.target)
                continue;
            double shown = 0;
            r.note = text;
            if (s.raw) {
                judgeValue(x.latestValue, "raw");
            } else if (shownNumber(text, shown, unit)) {
                judgeValue(shown, unit);
            } else {
                stepEnds("fail", "the line shows no value: " + text);
            }
            return;
        }
        stepEnds("fail", "the radio gave no " + s.target + " reading");
        return;
    default:
        return;
    }
}

void ProcedureRunner::confirm()
{
    if (need_ != Need::Confirm)
        return;
    need_ = Need::Nothing;
    if (stepPhase_ == StepPhase::Sequence) {
        // The RSSI capture stores the level it reads now.
        model_.myConsole.EnterPushed(itemIndex("RSSI"));
        ++revision_;
        return;
    }
    stepEnds("pass");
}

void ProcedureRunner::enterValue(double value)
{
    if (need_ != Need::Value)
        return;
    need_ = Need::Nothing;
    if (procedure_.steps[index_].kind == StepKind::Adjust) {
        // The operator's key presses go out first; then the item's value is recorded.
        pendingValue_ = value;
        quiet_ = false;
        stepPhase_ = StepPhase::Settle;
        return;
    }
    judgeValue(value);
}

void ProcedureRunner::judgeValue(double value, const std::string& unit)
{
    const ProcedureStep& s = procedure_.steps[index_];
    RunStep& r = record_.steps[index_];
    const std::string outcome = JudgeValue(s, value);
    r.measurements.push_back({attempt_, value, unit.empty() ? s.unit : unit, outcome});
    if (outcome == "fail" && attempt_ < s.tries) {
        ++attempt_;
        stepPhase_ = StepPhase::Begin;
        beginStep();   // the step again
        return;
    }
    r.marginal = outcome == "marginal";
    stepEnds(outcome == "fail" ? "fail" : "pass", r.note);
}

void ProcedureRunner::stepEnds(const std::string& outcome, const std::string& note)
{
    RunStep& r = record_.steps[index_];
    r.outcome = outcome;
    if (!note.empty())
        r.note = note;
    r.end = wall_.UnixSeconds();
    ++revision_;
    if (outcome == "error" || outcome == "aborted")
        return;   // the caller ends the run
    if (outcome == "fail") {
        if (record_.firstFailingStep < 0) {
            record_.firstFailingStep = static_cast<int>(index_);
            record_.failureCode = r.step.code;
        }
        if (r.step.stopOnFail) {
            finish(RunOutcome::Fail);
            return;
        }
    }
    ++index_;
    attempt_ = 1;
    stepPhase_ = StepPhase::Begin;
    beginStep();
}

void ProcedureRunner::abort(const std::string& why)
{
    if (!running())
        return;
    if (phase_ == Phase::Step && index_ < record_.steps.size())
        stepEnds("aborted");
    // A running adjustment ends and puts back what it changed, as Escape does.
    model_.RigOpFunc_InterruptAutoSeq();
    // A write under way goes on to its end and is told as any restore's:
    // the front end's view gets it back; a question not yet answered is no.
    if (stepPhase_ == StepPhase::Writing && restore_ != nullptr) {
        if (restore_->phase() == ImageRestore::Phase::Confirming)
            restore_->answer(false);
        restore_->setView(savedView_);
    }
    finish(RunOutcome::Aborted, why);
}

void ProcedureRunner::finish(RunOutcome outcome, const std::string& message)
{
    need_ = Need::Nothing;
    phase_ = Phase::Done;
    record_.outcome = outcome;
    record_.message = message;
    record_.end = wall_.UnixSeconds();
    if (outcome == RunOutcome::Error && record_.firstFailingStep < 0 && index_ < record_.steps.size() &&
        record_.steps[index_].outcome == "not run")
        record_.steps[index_].outcome = "error";
    ++revision_;
}
