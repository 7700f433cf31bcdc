#include "records/RunRecord.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>

#include "platform/AtomicFile.h"
#include "platform/SettingsLocation.h"
#include "records/JsonWriter.h"
#include "records/TimeText.h"

namespace {

const char* judgeName(AutoJudge j)
{
    return j == AutoJudge::Peak ? "peak" : j == AutoJudge::Target ? "target" : "result";
}

std::string stepJson(size_t index, const RunStep& r)
{
    const ProcedureStep& s = r.step;
    Obj o;
    o.num("index", static_cast<long long>(index + 1)).str("kind", StepKindName(s.kind)).str("name", s.name);
    o.str("code", s.code).num("line", s.line).str("outcome", r.outcome).flag("marginal", r.marginal);
    if (!s.target.empty())
        o.str("target", s.target);
    if (s.kind == StepKind::Auto)
        o.str("judge", judgeName(s.judge));
    o.raw("limits", Obj().optReal("low", s.low).optReal("high", s.high).real("marginal", s.marginal).done());
    std::vector<std::string> ms;
    for (const RunMeasurement& m : r.measurements)
        ms.push_back(Obj()
                         .num("attempt", m.attempt)
                         .real("value", m.value)
                         .optStr("unit", m.unit)
                         .str("outcome", m.outcome)
                         .done());
    o.raw("measurements", JsonArray(ms));
    o.raw("item_value", r.itemValue ? std::to_string(*r.itemValue) : "null");
    std::vector<std::string> pairs;
    for (const JournalPoint& p : r.pairs)
        pairs.push_back("[" + std::to_string(p.value) + "," + std::to_string(p.reading) + "]");
    o.raw("pairs", JsonArray(pairs)).optStr("note", r.note).date("start", r.start).date("end", r.end);
    return o.done();
}

}  // namespace

const char* RunOutcomeText(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Pass:
        return "PASS";
    case RunOutcome::Fail:
        return "FAIL";
    case RunOutcome::Error:
        return "ERROR";
    case RunOutcome::Aborted:
        return "ABORTED";
    case RunOutcome::Running:
        break;
    }
    return "RUNNING";
}

std::string JudgeValue(const ProcedureStep& step, double value)
{
    if ((step.low && value < *step.low) || (step.high && value > *step.high))
        return "fail";
    if (step.marginal > 0 && ((step.low && value < *step.low + step.marginal) ||
                              (step.high && value > *step.high - step.marginal)))
        return "marginal";
    return "pass";
}

std::string RunRecordJson(const RunRecord& r)
{
    Obj doc;
    doc.str("record", "Dorvel ADJ procedure run").num("version", 1).str("run_id", r.id);
    doc.str("serial", r.serial).optStr("operator", r.operatorName).str("station", r.station);
    doc.str("tool_version", r.toolVersion);
    doc.raw("radio", Obj().optStr("main_code", r.mainCode).optStr("sub_code", r.subCode).str("device", r.device).done());
    doc.raw("procedure",
            Obj().str("title", r.procedureTitle).str("version", r.procedureVersion).str("sha256", r.procedureSha256).done());
    doc.date("start", r.start).date("end", r.end).str("outcome", RunOutcomeText(r.outcome));
    if (r.firstFailingStep >= 0)
        doc.num("first_failing_step", r.firstFailingStep + 1).str("failure_code", r.failureCode);
    else
        doc.raw("first_failing_step", "null").raw("failure_code", "null");
    doc.optStr("message", r.message).optStr("backup", r.backupPath);
    std::vector<std::string> steps;
    for (size_t i = 0; i < r.steps.size(); ++i)
        steps.push_back(stepJson(i, r.steps[i]));
    doc.raw("steps", JsonArray(steps));
    return doc.done() + "\n";
}

std::string NewRunId()
{
    unsigned char b[16] = {};
    std::ifstream random("/dev/urandom", std::ios::binary);
    if (!random.read(reinterpret_cast<char*>(b), sizeof b)) {
        std::random_device rd;
        for (unsigned char& x : b)
            x = static_cast<unsigned char>(rd());
    }
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);   // version 4
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);   // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0], b[1],
                  b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

std::string StationName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "unknown";
    return name;
}

std::string DefaultRunsFolder()
{
    return platform::UserFolder("XDG_DATA_HOME", ".local/share") + "/runs";
}

bool WriteRunRecord(const RunRecord& record, const std::string& path, std::string& pathOrReason)
{
    std::string target = path;
    if (target.empty()) {
        const std::string folder = DefaultRunsFolder();
        if (const int e = MakeFolders(folder); e != 0) {
            pathOrReason = "cannot create the folder " + folder + ": " + std::strerror(e);
            return false;
        }
        // Serial numbers are typed or scanned: only plain characters go into the name.
        std::string serial;
        for (char c : record.serial)
            serial += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' ? c : '_';
        target = folder + "/" + serial + "_" + NameTime(static_cast<std::time_t>(record.start)) + "_" +
                 RunOutcomeText(record.outcome) + "_" + record.id.substr(0, 8) + ".json";
    }
    std::string reason;
    if (WriteFileAtomically(target, RunRecordJson(record), false, reason) != 0) {
        pathOrReason = reason;
        return false;
    }
    pathOrReason = target;
    return true;
}
