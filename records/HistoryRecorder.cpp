#include "records/HistoryRecorder.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "model/ServiceJournal.h"
#include "platform/AtomicFile.h"
#include "records/JobRecord.h"
#include "records/JournalJson.h"
#include "records/ProcedureRunner.h"
#include "records/RunRecord.h"
#include "records/Sha256.h"

namespace {

// How often a changing job is handed over at most, and how long what could
// not be stored waits before the next try.
constexpr uint32_t kHandOverMs = 1000;
constexpr auto kRetry = std::chrono::seconds(3);

const char* kindName(JournalEvent::Kind k)
{
    switch (k) {
    case JournalEvent::Kind::Rssi: return "rssi";
    case JournalEvent::Kind::Bpf: return "bpf";
    case JournalEvent::Kind::Lva: return "lva";
    default: return "";
    }
}

const char* outcomeName(JournalEvent::Outcome o)
{
    switch (o) {
    case JournalEvent::Outcome::Done: return "done";
    case JournalEvent::Outcome::Failed: return "failed";
    case JournalEvent::Outcome::Interrupted: return "interrupted";
    default: return "running";
    }
}

}  // namespace

HistoryRecorder::HistoryRecorder(const ServiceJournal& journal, const JobRecord& job,
                                 const platform::TickClock& clock, HistorySettings settings)
    : journal_(journal), job_(job), clock_(clock), settings_(std::move(settings))
{
    if (settings_.localFile.empty())
        settings_.localFile = DefaultHistoryFile();
    if (settings_.jobsFolder.empty())
        settings_.jobsFolder = DefaultJobsFolder();
    worker_ = std::thread([this] { work(); });
}

HistoryRecorder::~HistoryRecorder()
{
    handOver();
    flush(3000);
    if (warnTo_)
        if (const std::string w = takeWarning(); !w.empty())
            warnTo_(w);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

HistoryJob HistoryRecorder::snapshot() const
{
    HistoryJob j = current_;
    j.version = job_.version();
    j.backupPath = job_.backupPath();
    j.technician = job_.details().technician;
    j.order = job_.details().order;
    j.serial = job_.details().serial;
    if (!j.backupPath.empty())
        j.files.insert(j.files.begin(), {"backup", j.backupPath, "", j.start});
    for (const HistoryRun& r : j.runs) {
        if (j.serial.empty())
            j.serial = r.serial;
        if (!r.operatorName.empty())
            j.operatorName = r.operatorName;
    }
    for (const JournalEvent& e : journal_.events()) {
        switch (e.kind) {
        case JournalEvent::Kind::Connect:
            j.port = "COM " + std::to_string(e.port);
            if (e.date != 0)
                j.start = e.date;
            break;
        case JournalEvent::Kind::CloneRead:
            j.device = e.device;
            j.adapter = e.adapter;
            j.mainCode = e.mainCode;
            j.subCode = e.subCode;
            break;
        case JournalEvent::Kind::Adjust:
            j.adjustments.push_back({e.ms, TrimmedTitle(e.title), e.oldValue, e.newValue, e.cause});
            break;
        case JournalEvent::Kind::Rssi:
        case JournalEvent::Kind::Bpf:
        case JournalEvent::Kind::Lva:
            j.autos.push_back({e.ms, kindName(e.kind), TrimmedTitle(e.title), e.before, e.result,
                               outcomeName(e.outcome), SequenceEndText(e)});
            break;
        default:
            break;
        }
    }
    return j;
}

void HistoryRecorder::tick()
{
    if (warnTo_)
        if (const std::string w = takeWarning(); !w.empty())
            warnTo_(w);
    const uint32_t nowMs = clock_.GetTickCount();
    if (job_.jobNumber() != jobNumber_) {
        // "Connect": the next job. The last one was handed over as it
        // ended (jobEnding); by now "Connect" has cleared its journal and
        // details.
        jobNumber_ = job_.jobNumber();
        current_ = HistoryJob{};
        current_.id = NewRunId();
        current_.start = static_cast<int64_t>(std::time(nullptr));
        current_.station = StationName();
        revision_ = 0;
        urgent_ = true;
    }
    if (current_.id.empty())
        return;
    if (runner_ != nullptr && runner_->revision() != runnerRevision_) {
        runnerRevision_ = runner_->revision();
        if (!runner_->record().id.empty())
            runRecorded(runner_->record());
    }
    const JobDetails& d = job_.details();
    if (journal_.revision() != revision_ || d.serial != details_.serial || d.technician != details_.technician ||
        d.order != details_.order) {
        details_ = d;
        dirty_ = true;
    }
    if ((dirty_ || urgent_) && (urgent_ || nowMs - lastHandOver_ >= kHandOverMs)) {
        lastHandOver_ = nowMs;
        handOver();
    }
}

void HistoryRecorder::handOver()
{
    if (current_.id.empty())
        return;
    revision_ = journal_.revision();
    dirty_ = urgent_ = false;
    HistoryJob j = snapshot();
    // The job file is rewritten only when the job has changed, not at each
    // readout of an idle console.
    std::string json = HistoryJobJson(j);
    if (json == lastJson_)
        return;
    lastJson_ = std::move(json);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_[j.id] = std::move(j);
    }
    wake_.notify_all();
}

void HistoryRecorder::fileWritten(const std::string& kind, const std::string& path)
{
    if (current_.id.empty())
        return;
    current_.files.push_back({kind, path, "", static_cast<int64_t>(std::time(nullptr))});
    urgent_ = true;
}

void HistoryRecorder::runRecorded(const RunRecord& record)
{
    if (current_.id.empty())
        return;
    HistoryRun run = HistoryRunOf(record);
    for (HistoryRun& r : current_.runs)
        if (r.id == run.id) {
            r = std::move(run);
            urgent_ = true;
            return;
        }
    current_.runs.push_back(std::move(run));
    urgent_ = true;
}

std::string HistoryRecorder::takeWarning()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::string out;
    for (const std::string& w : warnings_)
        out += (out.empty() ? "" : "\n") + w;
    warnings_.clear();
    return out;
}

bool HistoryRecorder::flush(int timeoutMs)
{
    handOver();
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.notify_all();
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return waiting_.empty() && retry_.empty() && !busy_ && !serverBehind_; });
}

void HistoryRecorder::warn(const std::string& problem)
{
    // One warning per problem, and one when it is gone.
    std::lock_guard<std::mutex> lock(mutex_);
    if (problem == lastProblem_)
        return;
    if (!problem.empty())
        warnings_.push_back(problem);
    else if (!lastProblem_.empty())
        warnings_.push_back("History: stored again; nothing waits.");
    lastProblem_ = problem;
}

// ---- The worker ----

namespace {

std::string fileSha256(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream s;
    s << in.rdbuf();
    return Sha256Hex(s.str());
}

}  // namespace

void HistoryRecorder::work()
{
    std::map<std::string, std::string> hashes;   // path -> SHA-256, taken once
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const bool pending = !retry_.empty() || serverBehind_;
        if (pending)
            wake_.wait_for(lock, kRetry, [this] { return stop_ || !waiting_.empty(); });
        else
            wake_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
        if (stop_ && waiting_.empty())
            break;
        std::map<std::string, HistoryJob> batch;
        batch.swap(waiting_);
        for (auto& [id, job] : retry_)
            batch.emplace(id, std::move(job));   // a newer state of the same job wins
        retry_.clear();
        busy_ = true;
        lock.unlock();

        std::string problem;
        std::map<std::string, HistoryJob> failed;
        for (auto& [id, job] : batch) {
            for (HistoryFile& f : job.files) {
                if (hashes.count(f.path) == 0)
                    hashes[f.path] = fileSha256(f.path);
                f.sha256 = hashes[f.path];
            }
            // The file first: it is what the database indexes.
            std::string reason;
            if (const int e = MakeFolders(settings_.jobsFolder); e != 0 ||
                WriteFileAtomically(settings_.jobsFolder + "/" + id + ".json", HistoryJobJson(job), true, reason) != 0)
                problem = "History: the job file could not be written in " + settings_.jobsFolder +
                          (reason.empty() ? "" : ": " + reason) + ".";
            if (!storeLocally(job, reason)) {
                problem = "History: " + reason + ". The radio work goes on; the job is stored at the next chance.";
                failed.emplace(id, std::move(job));
            }
        }
        if (problem.empty() && !settings_.server.empty())
            sendToServer(problem);
        if (problem.empty() && !settings_.server.empty() && !failed.empty())
            problem = "History: the bench's database cannot be used; the jobs wait.";
        warn(problem);

        lock.lock();
        for (auto& [id, job] : failed)
            if (waiting_.count(id) == 0)
                retry_.emplace(id, std::move(job));
        busy_ = false;
        if (waiting_.empty() && retry_.empty() && !serverBehind_)
            idle_.notify_all();
    }
    lock.unlock();
    if (local_)
        local_->close();
    if (server_)
        server_->close();
}

bool HistoryRecorder::storeLocally(const HistoryJob& job, std::string& reason)
{
    if (!local_)
        local_ = MakeSqliteHistory(settings_.localFile);
    if (local_->put(job, reason))
        return true;
    local_->close();   // a file repaired or unlocked meanwhile is opened afresh
    return false;
}

void HistoryRecorder::sendToServer(std::string& problem)
{
    if (!server_)
        server_ = MakePostgresHistory(settings_.server);
    std::string reason;
    int sent = 0;
    const bool behind = !local_ || !SendUnsent(*local_, *server_, sent, reason);
    if (behind) {
        server_->close();
        problem = "History: the shop server (" + server_->where() + ") cannot take the jobs now: " + reason +
                  ". They wait on this bench and go when it answers.";
    }
    std::lock_guard<std::mutex> lock(mutex_);
    serverBehind_ = behind;
}

// ---- The views ----

std::unique_ptr<HistoryStore> HistoryViewStore(const HistorySettings& s, std::string& source)
{
    if (!s.server.empty()) {
        auto store = MakePostgresHistory(s.server);
        source = "shop server: " + store->where();
        return store;
    }
    auto store = MakeSqliteHistory(s.localFile.empty() ? DefaultHistoryFile() : s.localFile);
    source = "this bench: " + store->where();
    return store;
}
