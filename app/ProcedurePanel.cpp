#include "app/ProcedurePanel.h"

#include <filesystem>
#include <locale>
#include <sstream>

#include "records/HistoryRecorder.h"
#include "records/JobRecord.h"
#include "records/ProcedureRunner.h"


ProcedurePanel::ProcedurePanel(ProcedureRunner& runner, std::string toolVersion)
    : runner_(runner), toolVersion_(std::move(toolVersion))
{
}

void ProcedurePanel::setProcedure(const Procedure& procedure, const std::string& text, const std::string& path)
{
    poll();   // a run that has just ended keeps its record
    procedure_ = procedure;
    text_ = text;
    path_ = path;
    started_ = recorded_ = false;
    recordPath_.clear();
    recordProblem_.clear();
    notice_.clear();
}

bool ProcedurePanel::start(const std::string& serial, const std::string& operatorName)
{
    std::string reason;
    const std::string s = TrimmedText(serial), o = TrimmedText(operatorName);
    if (!runner_.start(procedure_, text_, s, o, toolVersion_, reason)) {
        notice_ = "Not started: " + reason + ".";
        return false;
    }
    serial_ = s;
    operator_ = o;
    started_ = true;
    recorded_ = false;
    outcome_ = RunOutcome::Running;
    recordPath_.clear();
    recordProblem_.clear();
    notice_.clear();
    return true;
}

bool ProcedurePanel::retry()
{
    return start(serial_, operator_);
}

void ProcedurePanel::ok(const std::string& typed)
{
    if (!started_)
        return;
    if (runner_.need() == ProcedureRunner::Need::Confirm) {
        runner_.confirm();
        return;
    }
    if (runner_.need() != ProcedureRunner::Need::Value)
        return;
    std::istringstream field(TrimmedText(typed));
    field.imbue(std::locale::classic());
    double v = 0;
    std::string rest;
    if (!(field >> v) || (field >> rest)) {
        const ProcedureStep* s = runner_.current();
        notice_ = "\"" + TrimmedText(typed) + "\" is no number: type the value read" +
                  (s != nullptr && !s->unit.empty() ? ", in " + s->unit : std::string()) + ".";
        return;
    }
    notice_.clear();
    runner_.enterValue(v);
}

void ProcedurePanel::abort(const std::string& why)
{
    if (started_)
        runner_.abort(why);
}

std::string ProcedurePanel::ShippedFolder(const std::string& programFolder, const std::string& buildTree,
                                          const std::string& sourceTree)
{
    namespace fs = std::filesystem;
    std::error_code e;
    if (!programFolder.empty()) {
        // Installed: bin/ and share/ side by side under one prefix.
        const fs::path installed = fs::path(programFolder).parent_path() / "share/dorvel-adj/procedures";
        if (fs::is_directory(installed, e))
            return installed.string();
    }
    // Run from the build tree: the source tree's own.
    const bool inBuild = !buildTree.empty() && !programFolder.empty() &&
                         (programFolder + "/").rfind(buildTree + "/", 0) == 0;
    const fs::path source = fs::path(sourceTree) / "procedures";
    if (inBuild && !sourceTree.empty() && fs::is_directory(source, e))
        return source.string();
    return {};
}

bool ProcedurePanel::poll()
{
    bool changed = false;
    if (started_ && !recorded_ && runner_.finished()) {
        // The verdict stands only with its record: one that cannot be
        // written makes the run an ERROR.
        recorded_ = true;
        outcome_ = runner_.record().outcome;
        std::string where;
        if (WriteRunRecord(runner_.record(), "", where)) {
            recordPath_ = where;
            if (history_ != nullptr)
                history_->fileWritten("run", where);
        } else {
            recordProblem_ = where;
            outcome_ = RunOutcome::Error;
        }
        changed = true;
    }
    if (runner_.revision() != seen_) {
        seen_ = runner_.revision();
        changed = true;
    }
    return changed;
}

ProcedurePanel::View ProcedurePanel::view() const
{
    View v;
    v.notice = notice_;
    const bool running = started_ && runner_.running();
    const bool ended = started_ && recorded_;
    v.fieldsEnabled = !running;
    v.startEnabled = !running && !procedure_.steps.empty();
    v.abortEnabled = running;
    if (!running) {
        v.instruction = ended ? "Type or scan the next serial number, then Enter."
                              : "Type or scan the serial number, then Enter.";
    } else if (const ProcedureStep* s = runner_.current()) {
        const ProcedureRunner::Need need = runner_.need();
        v.okEnabled = need != ProcedureRunner::Need::Nothing;
        v.valueEnabled = need == ProcedureRunner::Need::Value;
        v.instruction = need != ProcedureRunner::Need::Nothing ? runner_.question() : s->name + "...";
        if (v.valueEnabled) {
            v.limits = "Limits: " + LimitsText(*s);
            if (s->marginal > 0)
                v.limits += ", marginal within " + NumberText(s->marginal);
            if (s->tries > 1)
                v.limits += " (attempt " + std::to_string(runner_.attempt()) + " of " + std::to_string(s->tries) + ")";
        }
    } else {
        v.instruction = "Connect: reading the radio...";
    }
    if (!ended)
        return v;
    v.retryEnabled = outcome_ == RunOutcome::Fail || outcome_ == RunOutcome::Error || outcome_ == RunOutcome::Aborted;
    v.banner = RunOutcomeText(outcome_);
    const RunRecord& r = runner_.record();
    std::vector<std::string> lines;
    if (r.firstFailingStep >= 0)
        lines.push_back("First failing step: " + std::to_string(r.firstFailingStep + 1) + " " +
                        r.steps[static_cast<size_t>(r.firstFailingStep)].step.name + ", code " + r.failureCode);
    if (!r.message.empty())
        lines.push_back(r.message);
    lines.push_back(recordPath_.empty() ? "The record could not be written: " + recordProblem_
                                        : "Record: " + recordPath_);
    for (const std::string& l : lines)
        v.bannerDetail += (v.bannerDetail.empty() ? "" : "\n") + l;
    return v;
}

std::string ProcedurePanel::StepState(const RunStep& step, bool current, int attempt)
{
    if (step.outcome == "not run")
        return !current ? "not run" : attempt > 1 ? "running, attempt " + std::to_string(attempt) : "running";
    if (step.outcome == "pass" && step.marginal)
        return "marginal";
    return step.outcome;
}

std::vector<std::string> ProcedurePanel::stepRows() const
{
    std::vector<std::string> rows;
        const RunRecord& r = runner_.record();
    for (size_t i = 0; i < procedure_.steps.size(); ++i) {
        std::string row = std::to_string(i + 1) + ". " + procedure_.steps[i].name + ": ";
        if (!started_ || i >= r.steps.size()) {
            rows.push_back(row + "not run");
            continue;
        }
        const RunStep& s = r.steps[i];
        row += StepState(s, runner_.running() && runner_.current() != nullptr && runner_.currentIndex() == i,
                         runner_.attempt());
        if (!s.measurements.empty() && s.outcome != "not run") {
            const RunMeasurement& m = s.measurements.back();
            row += ", " + NumberText(m.value) + (m.unit.empty() ? "" : " " + m.unit);
            if (m.attempt > 1)
                row += " (attempt " + std::to_string(m.attempt) + ")";
        }
        rows.push_back(row);
    }
    return rows;
}
