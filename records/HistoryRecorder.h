#pragma once
// Puts every job into the history without ever holding up the radio work.
// The program's tick hands the recorder the job as it stands now (cheap:
// a copy of the journal's adjustments and sequences, at most once a
// second and at each moment that matters); a worker thread then writes
// the job file whole, puts the job into the bench's SQLite file and, when
// the shop names a server, copies it there. Whatever cannot be stored now
// (a locked, corrupt, full or missing database, a server that does not
// answer) waits and goes at the next chance; the front end is told in a
// warning, and the radio work goes on.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "records/History.h"
#include "records/JobRecord.h"

#include "model/ModelListener.h"
#include "platform/TickClock.h"

class ServiceJournal;
class ProcedureRunner;
class JobRecord;

struct HistorySettings {
    std::string localFile;    // the bench's SQLite file; "" for DefaultHistoryFile()
    std::string jobsFolder;   // "" for DefaultJobsFolder()
    std::string server;       // the shop's PostgreSQL conninfo; "" for none
    bool enabled = true;      // false: no history at all (no recorder is made)
};

// The store the history's views read: the shop server when one is named,
// else the bench's file; source says which ("shop server: ..." or "this
// bench: ...").
std::unique_ptr<HistoryStore> HistoryViewStore(const HistorySettings& settings, std::string& source);

class HistoryRecorder : public ModelListener {
public:
    HistoryRecorder(const ServiceJournal& journal, const JobRecord& job, const platform::TickClock& clock,
                    HistorySettings settings);
    // Gives the worker a few seconds to store what is waiting.
    ~HistoryRecorder();
    HistoryRecorder(const HistoryRecorder&) = delete;
    HistoryRecorder& operator=(const HistoryRecorder&) = delete;

    // From the program's tick: hands over the job when it has changed, and
    // passes on the worker's warnings.
    void tick();
    // Where warnings go (the status line beside the window, stderr headless).
    void setWarn(std::function<void(const std::string&)> warn) { warnTo_ = std::move(warn); }
    // A file of this job was written whole ("backup", "report", "run",
    // "image"); its SHA-256 is taken by the worker.
    void fileWritten(const std::string& kind, const std::string& path);
    // A procedure run of this job ended (or was updated).
    void runRecorded(const RunRecord& record);
    // The runner whose runs the tick records as they go (null: none).
    void setRunner(const ProcedureRunner* runner) { runner_ = runner; }

    // A warning for the operator since the last call ("" when none): the
    // history could not be stored, or could be again.
    std::string takeWarning();
    // Waits until everything handed over is stored locally (and on the
    // server, when it answers) or the time is up; true when nothing waits.
    bool flush(int timeoutMs);

    const HistorySettings& settings() const { return settings_; }
    // The current job's id ("" before the first "Connect").
    std::string jobId() const { return current_.id; }

    // "Connect" is about to clear the job: it is handed over as it ends, so
    // that nothing done in its last second is left out.
    void jobEnding() override { handOver(); }

    // For the benchmark: the job as it stands now, as the tick hands it over.
    HistoryJob snapshot() const;

private:
    void handOver();
    void work();
    bool storeLocally(const HistoryJob& job, std::string& reason);
    void sendToServer(std::string& problem);
    void warn(const std::string& text);

    const ServiceJournal& journal_;
    const JobRecord& job_;
    const platform::TickClock& clock_;
    HistorySettings settings_;
    std::function<void(const std::string&)> warnTo_;
    const ProcedureRunner* runner_ = nullptr;
    uint64_t runnerRevision_ = 0;

    // The tick's side.
    HistoryJob current_;
    int jobNumber_ = 0;
    uint64_t revision_ = 0;
    bool dirty_ = false;
    uint32_t lastHandOver_ = 0;
    bool urgent_ = false;
    std::string lastJson_;   // the job as last handed over
    JobDetails details_;     // as last seen

    // Shared with the worker.
    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::map<std::string, HistoryJob> waiting_;   // by id, the latest of each
    std::map<std::string, HistoryJob> retry_;     // not stored yet; tried again
    bool busy_ = false;
    bool serverBehind_ = false;
    bool stop_ = false;
    std::vector<std::string> warnings_;
    std::string lastProblem_;

    // The worker's own.
    std::unique_ptr<HistoryStore> local_, server_;
    std::thread worker_;
};
