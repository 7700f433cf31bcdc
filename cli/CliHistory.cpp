// dorvel-adj-cli history: the jobs of the history, newest first, one job in
// full, and the bench's database built afresh from the files.
#include <cstdio>
#include <ctime>
#include <iostream>

#include "cli/Commands.h"
#include "cli/HeadlessApp.h"
#include "records/BackupStore.h"
#include "records/History.h"
#include "records/JsonWriter.h"
#include "records/TimeText.h"

namespace {

const char kUsage[] =
    "dorvel-adj-cli history: usage: history [--serial S] [--model CODE] [--since DATE] [--until DATE] "
    "[--failed] [--limit N] [--json] | history show ID [--json] | history rebuild";

// YYYY-MM-DD as the local day's first second; false for anything else.
bool dayStart(const std::string& text, int64_t& seconds)
{
    std::tm t{};
    char end = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &t.tm_year, &t.tm_mon, &t.tm_mday, &end) != 3 || t.tm_mon < 1 ||
        t.tm_mon > 12 || t.tm_mday < 1 || t.tm_mday > 31)
        return false;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    t.tm_isdst = -1;
    const std::time_t s = std::mktime(&t);
    seconds = static_cast<int64_t>(s);
    return s != -1;
}

std::string entryJson(const HistoryEntry& e)
{
    return Obj()
        .str("id", e.id)
        .date("start", e.start)
        .optStr("serial", e.serial)
        .optStr("main_code", e.mainCode)
        .optStr("sub_code", e.subCode)
        .optStr("technician", e.technician)
        .optStr("work_order", e.order)
        .optStr("station", e.station)
        .optStr("device", e.device)
        .optStr("outcome", e.outcome)
        .num("adjustments", e.adjustments)
        .num("automatic", e.autos)
        .num("runs", e.runs)
        .optStr("backup", e.backupPath)
        .optStr("report", e.reportPath)
        .done();
}

int rebuild(const HistorySettings& settings)
{
    auto store = MakeSqliteHistory(settings.localFile.empty() ? DefaultHistoryFile() : settings.localFile);
    int jobs = 0;
    std::vector<std::string> skipped;
    std::string reason;
    const std::string jobsFolder = settings.jobsFolder.empty() ? DefaultJobsFolder() : settings.jobsFolder;
    if (!RebuildHistory(*store, jobsFolder, DefaultBackupFolder(), jobs, skipped, reason)) {
        std::cerr << "dorvel-adj-cli history rebuild: " << reason << std::endl;
        return 1;
    }
    for (const std::string& s : skipped)
        std::cerr << "dorvel-adj-cli history rebuild: skipped " << s << std::endl;
    std::cout << "Rebuilt " << store->where() << " from " << jobsFolder << " and " << DefaultBackupFolder() << ": "
              << jobs << " jobs" << std::endl;
    return 0;
}

}  // namespace

int CliHistory(const std::vector<std::string>& args)
{
    CliOptions opt;
    if (!ParseOptions("history", args, {"--serial", "--model", "--since", "--until", "--limit"}, opt,
                      {"--failed", "--json"}))
        return 2;
    const std::string what = opt.positional.empty() ? "" : opt.positional[0];
    if (!(opt.positional.empty() || (what == "show" && opt.positional.size() == 2) ||
          (what == "rebuild" && opt.positional.size() == 1))) {
        std::cerr << kUsage << std::endl;
        return 2;
    }
    HistorySettings settings = CliHistorySettings();
    if (settings.localFile.empty())
        settings.localFile = DefaultHistoryFile();
    if (what == "rebuild")
        return rebuild(settings);
    // The views read what the whole shop sees when a server is named.
    std::string source, reason;
    const std::unique_ptr<HistoryStore> view = HistoryViewStore(settings, source);
    const bool json = opt.has("--json");
    if (what == "show") {
        HistoryJob job;
        if (!view->get(opt.positional[1], job, reason)) {
            std::cerr << "dorvel-adj-cli history show: "
                      << (reason.empty() ? "no job " + opt.positional[1] + " in " + source : reason) << std::endl;
            return 1;
        }
        if (json) {
            std::cout << HistoryJobJson(job);
            return 0;
        }
        std::cout << "From " << source << std::endl;
        for (const std::string& line : HistoryJobText(job))
            std::cout << line << std::endl;
        return 0;
    }
    HistoryFilter filter;
    filter.serial = opt.value("--serial");
    filter.model = opt.value("--model");
    filter.failed = opt.has("--failed");
    const std::pair<const char*, int64_t*> days[] = {{"--since", &filter.since}, {"--until", &filter.until}};
    for (const auto& [name, to] : days)
        if (const std::string v = opt.value(name); !v.empty() && !dayStart(v, *to)) {
            std::cerr << "dorvel-adj-cli history: " << name << " takes a date as YYYY-MM-DD, not " << v << std::endl;
            return 2;
        }
    if (filter.until != 0)
        filter.until += 24 * 3600;   // the whole last day
    if (const std::string v = opt.value("--limit"); !v.empty()) {
        char* end = nullptr;
        const long n = std::strtol(v.c_str(), &end, 10);
        if (end == v.c_str() || *end != '\0' || n < 1 || n > 1000000000) {
            std::cerr << "dorvel-adj-cli history: --limit takes a number from 1, not " << v << std::endl;
            return 2;
        }
        filter.limit = static_cast<int>(n);
    }
    std::vector<HistoryEntry> jobs;
    if (!view->list(filter, jobs, reason)) {
        std::cerr << "dorvel-adj-cli history: " << reason << std::endl;
        return 1;
    }
    if (json) {
        std::vector<std::string> items;
        for (const HistoryEntry& e : jobs)
            items.push_back(entryJson(e));
        std::cout << Obj().str("source", source).raw("jobs", JsonArray(items)).done() << std::endl;
        return 0;
    }
    std::cout << "From " << source << ": " << jobs.size() << (jobs.size() == 1 ? " job" : " jobs") << std::endl;
    for (const HistoryEntry& e : jobs) {
        char line[512];
        std::snprintf(line, sizeof line, "%-8.8s  %-25s  %-14s  %-9s  %-7s  %4d adj  %s", e.id.c_str(),
                      e.start != 0 ? LocalDateText(e.start).c_str() : "unknown",
                      e.serial.empty() ? "-" : e.serial.c_str(),
                      e.mainCode.empty() ? "-" : (e.mainCode + "/" + e.subCode).c_str(),
                      e.outcome.empty() ? "-" : e.outcome.c_str(), e.adjustments,
                      e.technician.empty() ? "" : e.technician.c_str());
        std::cout << line << std::endl;
    }
    return 0;
}
