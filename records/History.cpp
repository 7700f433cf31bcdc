#include "records/History.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/SettingsLocation.h"
#include "records/ImageFile.h"
#include "records/JsonWriter.h"
#include "records/RunRecord.h"
#include "records/Sha256.h"
#include "records/TimeText.h"

std::string DefaultHistoryFile()
{
    return platform::UserFolder("XDG_DATA_HOME", ".local/share") + "/history.sqlite";
}

std::string DefaultJobsFolder()
{
    return platform::UserFolder("XDG_DATA_HOME", ".local/share") + "/jobs";
}

// ---- The job file ----

std::string HistoryJobJson(const HistoryJob& j)
{
    std::vector<std::string> adjustments, autos, runs, files;
    for (const HistoryAdjustment& a : j.adjustments)
        adjustments.push_back(Obj().num("ms", a.ms).str("item", a.item).num("old", a.oldValue).num("new", a.newValue)
                                  .str("cause", a.cause).done());
    for (const HistoryAuto& a : j.autos)
        autos.push_back(Obj().num("ms", a.ms).str("kind", a.kind).str("item", a.item).num("before", a.before)
                            .num("result", a.result).str("outcome", a.outcome).str("detail", a.detail).done());
    for (const HistoryRun& r : j.runs) {
        std::vector<std::string> steps, ms;
        for (const HistoryStep& s : r.steps)
            steps.push_back(Obj().str("kind", s.kind).str("name", s.name).str("outcome", s.outcome)
                                .flag("marginal", s.marginal).done());
        for (const HistoryMeasurement& m : r.measurements)
            ms.push_back(Obj().num("step", m.step).num("attempt", m.attempt).real("value", m.value).str("unit", m.unit)
                             .optReal("low", m.low).optReal("high", m.high).str("outcome", m.outcome).done());
        runs.push_back(Obj().str("id", r.id).str("procedure", r.procedure).str("procedure_version", r.procedureVersion)
                           .str("procedure_sha256", r.procedureSha256).str("serial", r.serial)
                           .str("operator", r.operatorName).str("station", r.station).str("outcome", r.outcome)
                           .str("failure_code", r.failureCode).str("first_failing_step", r.firstFailingStep)
                           .num("start", r.start).num("end", r.end).raw("steps", JsonArray(steps))
                           .raw("measurements", JsonArray(ms)).done());
    }
    for (const HistoryFile& f : j.files)
        files.push_back(Obj().str("kind", f.kind).str("path", f.path).str("sha256", f.sha256).num("time", f.time).done());
    return Obj()
               .str("record", "Dorvel ADJ job")
               .num("version", 1)
               .str("id", j.id)
               .num("start", j.start)
               .str("station", j.station)
               .str("operator", j.operatorName)
               .str("program_version", j.version)
               .str("port", j.port)
               .str("device", j.device)
               .str("adapter", j.adapter)
               .str("main_code", j.mainCode)
               .str("sub_code", j.subCode)
               .str("technician", j.technician)
               .str("work_order", j.order)
               .str("serial", j.serial)
               .str("backup", j.backupPath)
               .raw("adjustments", JsonArray(adjustments))
               .raw("automatic", JsonArray(autos))
               .raw("runs", JsonArray(runs))
               .raw("files", JsonArray(files))
               .done() +
           "\n";
}

namespace {

// Fields of a parsed document; a missing field reads as empty or 0, a field
// of the wrong kind throws (the whole file is then refused).
std::string text(const YAML::Node& n, const char* key)
{
    const YAML::Node v = n[key];
    return v && !v.IsNull() ? v.as<std::string>() : std::string();
}
int64_t number(const YAML::Node& n, const char* key)
{
    const YAML::Node v = n[key];
    return v && !v.IsNull() ? v.as<int64_t>() : 0;
}
std::optional<double> optReal(const YAML::Node& n, const char* key)
{
    const YAML::Node v = n[key];
    if (!v || v.IsNull())
        return std::nullopt;
    const double d = v.as<double>();
    if (!std::isfinite(d))
        throw YAML::Exception(YAML::Mark::null_mark(), std::string(key) + " is not a number");
    return d;
}
const YAML::Node list(const YAML::Node& n, const char* key)
{
    const YAML::Node v = n[key];
    if (v && !v.IsNull() && !v.IsSequence())
        throw YAML::Exception(YAML::Mark::null_mark(), std::string(key) + " is not a list");
    return v;
}

}  // namespace

bool ParseHistoryJob(const std::string& textIn, HistoryJob& job, std::string& reason)
{
    try {
        const YAML::Node d = YAML::Load(textIn);
        if (!d.IsMap() || text(d, "record") != "Dorvel ADJ job" || text(d, "id").empty()) {
            reason = "not a job file";
            return false;
        }
        if (number(d, "version") != 1) {
            reason = "job file version " + text(d, "version") + " is not one this program reads";
            return false;
        }
        HistoryJob j;
        j.id = text(d, "id");
        j.start = number(d, "start");
        j.station = text(d, "station");
        j.operatorName = text(d, "operator");
        j.version = text(d, "program_version");
        j.port = text(d, "port");
        j.device = text(d, "device");
        j.adapter = text(d, "adapter");
        j.mainCode = text(d, "main_code");
        j.subCode = text(d, "sub_code");
        j.technician = text(d, "technician");
        j.order = text(d, "work_order");
        j.serial = text(d, "serial");
        j.backupPath = text(d, "backup");
        for (const YAML::Node& a : list(d, "adjustments"))
            j.adjustments.push_back({number(a, "ms"), text(a, "item"), static_cast<int>(number(a, "old")),
                                     static_cast<int>(number(a, "new")), text(a, "cause")});
        for (const YAML::Node& a : list(d, "automatic"))
            j.autos.push_back({number(a, "ms"), text(a, "kind"), text(a, "item"), static_cast<int>(number(a, "before")),
                               static_cast<int>(number(a, "result")), text(a, "outcome"), text(a, "detail")});
        for (const YAML::Node& r : list(d, "runs")) {
            HistoryRun run;
            run.id = text(r, "id");
            run.procedure = text(r, "procedure");
            run.procedureVersion = text(r, "procedure_version");
            run.procedureSha256 = text(r, "procedure_sha256");
            run.serial = text(r, "serial");
            run.operatorName = text(r, "operator");
            run.station = text(r, "station");
            run.outcome = text(r, "outcome");
            run.failureCode = text(r, "failure_code");
            run.firstFailingStep = text(r, "first_failing_step");
            run.start = number(r, "start");
            run.end = number(r, "end");
            for (const YAML::Node& s : list(r, "steps"))
                run.steps.push_back({text(s, "kind"), text(s, "name"), text(s, "outcome"),
                                     s["marginal"] && s["marginal"].as<bool>()});
            for (const YAML::Node& m : list(r, "measurements"))
                run.measurements.push_back({static_cast<int>(number(m, "step")), static_cast<int>(number(m, "attempt")),
                                            optReal(m, "value").value_or(0), text(m, "unit"), optReal(m, "low"),
                                            optReal(m, "high"), text(m, "outcome")});
            if (run.id.empty())
                throw YAML::Exception(YAML::Mark::null_mark(), "a run without its id");
            j.runs.push_back(std::move(run));
        }
        for (const YAML::Node& f : list(d, "files"))
            j.files.push_back({text(f, "kind"), text(f, "path"), text(f, "sha256"), number(f, "time")});
        job = std::move(j);
        return true;
    } catch (const YAML::Exception& e) {
        reason = "not a readable job file: " + e.msg;
        return false;
    }
}

HistoryRun HistoryRunOf(const RunRecord& r)
{
    HistoryRun h;
    h.id = r.id;
    h.procedure = r.procedureTitle;
    h.procedureVersion = r.procedureVersion;
    h.procedureSha256 = r.procedureSha256;
    h.serial = r.serial;
    h.operatorName = r.operatorName;
    h.station = r.station;
    h.outcome = RunOutcomeText(r.outcome);
    h.failureCode = r.failureCode;
    if (r.firstFailingStep >= 0 && static_cast<size_t>(r.firstFailingStep) < r.steps.size())
        h.firstFailingStep = r.steps[static_cast<size_t>(r.firstFailingStep)].step.name;
    h.start = r.start;
    h.end = r.end;
    for (size_t i = 0; i < r.steps.size(); ++i) {
        const RunStep& s = r.steps[i];
        h.steps.push_back({StepKindName(s.step.kind), s.step.name, s.outcome, s.marginal});
        for (const RunMeasurement& m : s.measurements)
            h.measurements.push_back({static_cast<int>(i), m.attempt, m.value, m.unit, s.step.low, s.step.high,
                                      m.outcome});
    }
    return h;
}

// ---- In words ----

namespace {

std::string numberText(double v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%g", v);
    return b;
}

}  // namespace

std::vector<std::string> HistoryJobText(const HistoryJob& j)
{
    std::vector<std::string> out;
    const auto add = [&](const std::string& label, const std::string& value) {
        if (!value.empty())
            out.push_back(label + ": " + value);
    };
    add("Job", j.id);
    add("Connect", j.start != 0 ? LocalDateText(j.start) : std::string("unknown"));
    add("Radio", j.mainCode.empty() ? std::string("not read") : j.mainCode + "/" + j.subCode);
    add("Serial no.", j.serial);
    add("Technician", j.technician);
    add("Work order", j.order);
    add("Operator", j.operatorName);
    add("Station", j.station);
    add("Port", j.port + (j.device.empty() ? "" : ", " + j.device));
    add("Adapter", j.adapter);
    add("Program", j.version.empty() ? "" : "Dorvel ADJ " + j.version);
    add("Backup", j.backupPath);
    out.push_back("Adjustments: " + std::to_string(j.adjustments.size()));
    for (const HistoryAdjustment& a : j.adjustments)
        out.push_back("  " + numberText(a.ms / 1000.0) + " s  " + a.item + " " + std::to_string(a.oldValue) + " -> " +
                      std::to_string(a.newValue) + " (" + a.cause + ")");
    out.push_back("Automatic adjustments: " + std::to_string(j.autos.size()));
    for (const HistoryAuto& a : j.autos)
        out.push_back("  " + a.item + " " + a.kind + ": " + a.outcome +
                      (a.result >= 0 ? ", " + std::to_string(a.before) + " -> " + std::to_string(a.result) : "") +
                      (a.detail.empty() ? "" : " (" + a.detail + ")"));
    out.push_back("Procedure runs: " + std::to_string(j.runs.size()));
    for (const HistoryRun& r : j.runs) {
        out.push_back("  " + r.outcome + "  " + r.procedure + " " + r.procedureVersion + ", serial " + r.serial +
                      (r.firstFailingStep.empty() ? "" : ", first failing step " + r.firstFailingStep) +
                      (r.failureCode.empty() ? "" : " (code " + r.failureCode + ")") + ", run " + r.id);
        for (size_t i = 0; i < r.steps.size(); ++i) {
            std::string line = "    " + std::to_string(i + 1) + ". " + r.steps[i].kind + " " + r.steps[i].name + ": " +
                               r.steps[i].outcome + (r.steps[i].marginal ? " (marginal)" : "");
            for (const HistoryMeasurement& m : r.measurements)
                if (static_cast<size_t>(m.step) == i)
                    line += "; try " + std::to_string(m.attempt) + " " + numberText(m.value) +
                            (m.unit.empty() ? "" : " " + m.unit) + " " + m.outcome;
            out.push_back(line);
        }
    }
    out.push_back("Files: " + std::to_string(j.files.size()));
    for (const HistoryFile& f : j.files)
        out.push_back("  " + f.kind + " " + f.path + (f.sha256.empty() ? "" : " sha256 " + f.sha256));
    return out;
}

// ---- Rebuild ----

namespace {

std::vector<std::string> filesEnding(const std::string& folder, const std::string& ending)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file(ec) && name.size() > ending.size() && name[0] != '.' &&
            name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
            out.push_back(e.path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A job id of its own for a backup without a job file: the same at every
// rebuild, shaped as the other ids.
std::string backupJobId(const std::string& path)
{
    const std::string h = Sha256Hex(path);
    return h.substr(0, 8) + "-" + h.substr(8, 4) + "-" + h.substr(12, 4) + "-" + h.substr(16, 4) + "-" + h.substr(20, 12);
}

}  // namespace

bool RebuildHistory(HistoryStore& store, const std::string& jobsFolder, const std::string& backupFolder, int& jobs,
                    std::vector<std::string>& skipped, std::string& reason)
{
    jobs = 0;
    skipped.clear();
    if (!store.clear(reason))
        return false;
    std::set<std::string> backups;
    for (const std::string& path : filesEnding(jobsFolder, ".json")) {
        HistoryJob j;
        std::string why;
        if (!ParseHistoryJob(fileText(path), j, why)) {
            skipped.push_back(path + ": " + why);
            continue;
        }
        for (const HistoryFile& f : j.files)
            if (f.kind == "backup")
                backups.insert(f.path);
        if (!store.put(j, reason))
            return false;
        ++jobs;
    }
    for (const std::string& path : filesEnding(backupFolder, ".bin")) {
        if (backups.count(path) != 0)
            continue;
        HistoryJob j;
        j.id = backupJobId(path);
        j.backupPath = path;
        std::error_code ec;
        const auto written = std::filesystem::last_write_time(path, ec);
        j.start = ec ? 0
                     : std::chrono::duration_cast<std::chrono::seconds>(
                           written - std::filesystem::file_time_type::clock::now() + std::chrono::system_clock::now()
                                                                                         .time_since_epoch())
                           .count();
        ImageRecord record;
        std::string why;
        if (ParseRecord(fileText(RecordPathFor(path)), record, why)) {
            j.mainCode = record.mainCode;
            j.subCode = record.subCode;
            j.port = record.port;
            j.adapter = record.adapter;
        }
        j.files.push_back({"backup", path, Sha256Hex(fileText(path)), j.start});
        if (!store.put(j, reason))
            return false;
        ++jobs;
    }
    return true;
}
