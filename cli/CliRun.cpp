// dorvel-adj-cli run: an alignment procedure on one radio, headless. The
// operator's OKs and values come from the terminal, or from an answers
// file (one value per attempt of a measure or adjust step, in order; its
// prompts are confirmed as they come). One line per step, then the verdict
// and the record's path.
#include <QCoreApplication>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iostream>
#include <sstream>

#include "DorvelVersion.h"
#include "cli/CliRun.h"
#include "cli/Commands.h"
#include "cli/HeadlessApp.h"
#include "platform/WallClock.h"
#include "records/ProcedureRunner.h"
#include "report/ServiceReport.h"

namespace {

constexpr int kExitPass = 0, kExitFail = 1, kExitUsage = 2, kExitError = 3;

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
}

// The values of an answers file: numbers, one per line; blank lines and
// lines starting with # are skipped.
bool readAnswers(const std::string& path, std::vector<double>& values, std::string& reason)
{
    std::ifstream in(path);
    if (!in) {
        reason = path + ": cannot be read";
        return false;
    }
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        const size_t a = line.find_first_not_of(" \t\r");
        if (a == std::string::npos || line[a] == '#')
            continue;
        std::istringstream field(line);
        field.imbue(std::locale::classic());
        double v = 0;
        std::string rest;
        if (!(field >> v) || (field >> rest)) {
            reason = path + ":" + std::to_string(n) + ": \"" + line + "\" is no number";
            return false;
        }
        values.push_back(v);
    }
    return true;
}

// A line typed on the terminal, without blocking the tick: true once a
// whole line has arrived (eof set when the input has ended).
class TerminalLines {
public:
    TerminalLines() { fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK); }
    bool next(std::string& line, bool& eof)
    {
        char buf[256];
        for (;;) {
            const size_t nl = pending_.find('\n');
            if (nl != std::string::npos) {
                line = pending_.substr(0, nl);
                pending_.erase(0, nl + 1);
                return true;
            }
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n > 0) {
                pending_.append(buf, static_cast<size_t>(n));
                continue;
            }
            eof = n == 0;
            return false;
        }
    }

private:
    std::string pending_;
};

void printStep(size_t index, size_t count, const RunStep& r)
{
    std::ostringstream o;
    o.imbue(std::locale::classic());
    o << "step " << index + 1 << "/" << count << " " << StepKindName(r.step.kind) << " " << r.step.name << ": "
      << r.outcome;
    if (r.marginal)
        o << " (marginal)";
    if (!r.measurements.empty()) {
        const RunMeasurement& m = r.measurements.back();
        o << ", " << m.value << (m.unit.empty() ? "" : " " + m.unit) << " [" << LimitsText(r.step) << "]";
        if (m.attempt > 1)
            o << ", attempt " << m.attempt;
    }
    if (!r.note.empty())
        o << " - " << r.note;
    std::cout << o.str() << std::endl;
}

}  // namespace

int CliRun(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("run", args,
                      {"--device", "--procedure", "--serial", "--operator", "--answers", "--record", "--report"}, opt))
        return kExitUsage;
    const std::string procedurePath = opt.value("--procedure"), serial = opt.value("--serial");
    if (opt.device.empty() || procedurePath.empty() || serial.empty() || !opt.positional.empty()) {
        std::cerr << "dorvel-adj-cli run: usage: run --device PATH --procedure FILE --serial S [--operator O]"
                     " [--answers FILE] [--record FILE] [--report FILE]"
                  << std::endl;
        return kExitUsage;
    }
    Procedure procedure;
    std::string error;
    if (!LoadProcedure(procedurePath, procedure, error)) {
        std::cerr << error << std::endl;
        return kExitUsage;
    }
    // Several radios: --device, --serial and --answers pair up in order.
    std::vector<RadioJob> radios;
    std::vector<std::string> answerFiles;
    size_t serials = 0;
    for (const auto& [option, v] : opt.values) {
        if (option == "--device")
            radios.push_back({v, "", ""});
        else if (option == "--serial" && serials < radios.size())
            radios[serials++].serial = v;
        else if (option == "--answers")
            answerFiles.push_back(v);
    }
    if (radios.size() > 1) {
        if (!opt.value("--record").empty() || !opt.value("--report").empty()) {
            std::cerr << "dorvel-adj-cli run: --record and --report name one radio's files; several radios' "
                         "records go to the runs folder"
                      << std::endl;
            return kExitUsage;
        }
        if (serials != radios.size() || std::any_of(radios.begin(), radios.end(), [](const RadioJob& j) {
                return j.serial.empty();
            })) {
            std::cerr << "dorvel-adj-cli run: each --device needs its --serial after it" << std::endl;
            return kExitUsage;
        }
        const bool operatorSteps = std::any_of(procedure.steps.begin(), procedure.steps.end(), [](const ProcedureStep& s) {
            return s.kind == StepKind::Prompt || s.kind == StepKind::Measure || s.kind == StepKind::Adjust ||
                   (s.kind == StepKind::Auto && s.target == "RSSI");
        });
        if (answerFiles.size() != (operatorSteps ? radios.size() : answerFiles.size()) ||
            (!answerFiles.empty() && answerFiles.size() != radios.size())) {
            std::cerr << "dorvel-adj-cli run: with several radios, "
                      << (operatorSteps ? "this procedure's operator steps need one --answers file per radio"
                                        : "give one --answers file per radio or none")
                      << std::endl;
            return kExitUsage;
        }
        for (size_t i = 0; i < answerFiles.size(); ++i)
            radios[i].answers = answerFiles[i];
        std::vector<std::string> common{"--procedure", procedurePath};
        if (!opt.value("--operator").empty())
            common.insert(common.end(), {"--operator", opt.value("--operator")});
        return RunOnSeveralRadios(radios, common);
    }
    std::ifstream file(procedurePath, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<double> answers;
    const bool scripted = !opt.value("--answers").empty();
    if (scripted && !readAnswers(opt.value("--answers"), answers, error)) {
        std::cerr << "dorvel-adj-cli run: " << error << std::endl;
        return kExitUsage;
    }

    HeadlessApp headless(opt.device);
    ProcedureRunner& runner = headless.app.runner();
    if (!runner.start(procedure, text, serial, opt.value("--operator"), DORVEL_VERSION, error)) {
        std::cerr << "dorvel-adj-cli run: " << error << std::endl;
        return kExitUsage;
    }
    std::cout << procedure.title << ", version " << procedure.version << ": serial " << serial << std::endl;
    // Ctrl-C stops the run as the operator's Abort does.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    TerminalLines terminal;
    size_t answered = 0, printed = 0;
    const ProcedureStep* asked = nullptr;
    int askedAttempt = 0;
    std::string askedText;
    headless.runUntil([&] {
        const RunRecord& r = runner.record();
        while (printed < r.steps.size() && r.steps[printed].outcome != "not run") {
            printStep(printed, r.steps.size(), r.steps[printed]);
            ++printed;
        }
        if (interrupted) {
            runner.abort("stopped by Ctrl-C");
            interrupted = 0;
        }
        if (runner.finished())
            return true;
        const ProcedureStep* s = runner.current();
        if (runner.need() == ProcedureRunner::Need::Nothing || s == nullptr)
            return false;
        if (scripted) {
            if (runner.need() == ProcedureRunner::Need::Confirm) {
                std::cout << "prompt: " << runner.question() << std::endl;
                runner.confirm();
            } else if (answered < answers.size()) {
                runner.enterValue(answers[answered++]);
            } else {
                runner.abort("the answers file has no value for step " + std::to_string(runner.currentIndex() + 1));
            }
            return false;
        }
        if (s != asked || runner.attempt() != askedAttempt || runner.question() != askedText) {
            asked = s;
            askedAttempt = runner.attempt();
            askedText = runner.question();
            if (runner.need() == ProcedureRunner::Need::Confirm)
                std::cout << "prompt: " << runner.question() << " (Enter to go on)" << std::endl;
            else
                std::cout << runner.question() << " " << s->name << " in "
                          << (s->unit.empty() ? "its unit" : s->unit) << " [" << LimitsText(*s) << "]"
                          << (askedAttempt > 1 ? ", attempt " + std::to_string(askedAttempt) : std::string()) << ":"
                          << std::endl;
        }
        std::string line;
        bool eof = false;
        if (terminal.next(line, eof)) {
            if (runner.need() == ProcedureRunner::Need::Confirm) {
                runner.confirm();
            } else {
                std::istringstream field(line);
                field.imbue(std::locale::classic());
                double v = 0;
                if (field >> v)
                    runner.enterValue(v);
                else
                    asked = nullptr;   // ask again
            }
        } else if (eof) {
            runner.abort("the input ended");
        }
        return false;
    });

    RunRecord record = runner.record();
    std::string where;
    const bool written = WriteRunRecord(record, opt.value("--record"), where);
    if (!written) {
        std::cerr << "The run's record could not be written: " << where << std::endl;
        record.outcome = RunOutcome::Error;
    }
    std::cout << RunOutcomeText(record.outcome);
    if (record.firstFailingStep >= 0)
        std::cout << ": step " << record.firstFailingStep + 1 << " " << record.steps[record.firstFailingStep].step.name
                  << ", code " << record.failureCode;
    if (!record.message.empty())
        std::cout << ": " << record.message;
    std::cout << std::endl;
    HistoryRecorder* history = headless.app.history();
    if (history != nullptr) {
        history->runRecorded(record);
        if (written)
            history->fileWritten("run", where);
    }
    if (written)
        std::cout << "record: " << where << std::endl;
    // The job's service report, opening with the run's verdict page.
    if (const std::string report = opt.value("--report"); !report.empty()) {
        JobInfo info = headless.app.reportInfo();
        info.run = record;
        std::string reason;
        if (WriteServiceReport(headless.app.model().myJournal, info, report, platform::SystemWallClock().UnixSeconds(),
                               reason)) {
            std::cout << "report: " << report << std::endl;
            if (history != nullptr)
                history->fileWritten("report", report);
        }
        else
            std::cerr << "The report could not be written: " << reason << std::endl;
    }
    if (!record.backupPath.empty())
        std::cout << "backup: " << record.backupPath << std::endl;
    switch (record.outcome) {
    case RunOutcome::Pass:
        return kExitPass;
    case RunOutcome::Fail:
        return kExitFail;
    default:
        return kExitError;
    }
}
