#pragma once
// The shop's history: every job (each "Connect") with what was done to the
// radio, indexed in a database so that a radio's past is found in seconds.
// The files stay the source of truth: each job is first written whole as
// a job file beside the backups (see HistoryJobJson), and the database is
// only the index over the job files, run records and backups, which
// `history rebuild` can always build again.
//
// One store, two engines: an SQLite file on each bench (the default) and
// a PostgreSQL server that a shop names for all its benches. Both hold the
// same tables and are written with bound parameters only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct RunRecord;

struct HistoryAdjustment {
    int64_t ms = 0;   // since "Connect"
    std::string item;
    int oldValue = 0, newValue = 0;
    std::string cause;   // "operator", "bpf", "lva", "restore", ...
};

// An automatic adjustment (RSSI capture, BPF sweep, LVA search) and how it ended.
struct HistoryAuto {
    int64_t ms = 0;
    std::string kind;   // "rssi", "bpf", "lva"
    std::string item;
    int before = -1, result = -1;
    std::string outcome;   // "done", "failed", "interrupted", "running"
    std::string detail;    // the result in words
};

struct HistoryMeasurement {
    int step = 0;   // index into the run's steps
    int attempt = 1;
    double value = 0;
    std::string unit;
    std::optional<double> low, high;
    std::string outcome;   // "pass", "marginal", "fail"
};

struct HistoryStep {
    std::string kind, name, outcome;
    bool marginal = false;
};

struct HistoryRun {
    std::string id;   // the run record's UUID
    std::string procedure, procedureVersion, procedureSha256;
    std::string serial, operatorName, station;
    std::string outcome;   // "PASS", "FAIL", "ERROR", "ABORTED", "RUNNING"
    std::string failureCode, firstFailingStep;
    int64_t start = 0, end = 0;
    std::vector<HistoryStep> steps;
    std::vector<HistoryMeasurement> measurements;
};

// A file the job wrote: its backup, a report, a run record, a saved image.
struct HistoryFile {
    std::string kind;   // "backup", "report", "run", "image"
    std::string path;
    std::string sha256;   // of the file as written
    int64_t time = 0;
};

struct HistoryJob {
    std::string id;      // a random UUID, the row's key everywhere
    int64_t start = 0;   // calendar seconds of "Connect"
    std::string station, operatorName, version;
    std::string port, device, adapter;
    std::string mainCode, subCode;
    std::string technician, order, serial;
    std::string backupPath;
    std::vector<HistoryAdjustment> adjustments;
    std::vector<HistoryAuto> autos;
    std::vector<HistoryRun> runs;
    std::vector<HistoryFile> files;
};

// The job as its job file holds it (JSON), and read back; false with the
// reason for a text that is no job file.
std::string HistoryJobJson(const HistoryJob& job);
bool ParseHistoryJob(const std::string& text, HistoryJob& job, std::string& reason);
// One job in words, for `history show` and the window's details: the
// job's facts, then its adjustments, automatic adjustments, runs with their
// steps and measurements, and files, one per line.
std::vector<std::string> HistoryJobText(const HistoryJob& job);
// A procedure run in the history's terms.
HistoryRun HistoryRunOf(const RunRecord& record);

// One line of a listing.
struct HistoryEntry {
    std::string id;
    int64_t start = 0;
    std::string serial, mainCode, subCode, technician, order, station, device;
    std::string outcome;   // the last run's verdict, "" when no procedure ran
    int adjustments = 0, autos = 0, runs = 0;
    std::string backupPath, reportPath;   // "" when none
};

struct HistoryFilter {
    std::string serial;       // exact, "" for any
    std::string model;        // a main or sub model code, "" for any
    int64_t since = 0;        // calendar seconds, 0 for any
    int64_t until = 0;        // calendar seconds (exclusive), 0 for any
    bool failed = false;      // only jobs with a run that did not pass
    std::string outcome;      // "PASS", "FAIL", "ERROR", "ABORTED", "none"; "" for any
    int limit = 0;            // 0 for all
};

// The database of one engine. Every call is complete in itself (its own
// transaction) and answers false with a reason in words on any failure;
// a failed call leaves the database as it was.
class HistoryStore {
public:
    virtual ~HistoryStore() = default;

    // Opens (creating or upgrading the tables as needed). A database of a
    // newer schema than this program knows is refused.
    virtual bool open(std::string& reason) = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    // "SQLite FILE" or "PostgreSQL host H, database D".
    virtual std::string where() const = 0;

    // Puts the whole job (its rows replace whatever the job had): the same
    // job put twice is stored once.
    virtual bool put(const HistoryJob& job, std::string& reason) = 0;
    virtual bool list(const HistoryFilter& filter, std::vector<HistoryEntry>& out, std::string& reason) = 0;
    // One job with all its rows; an id may be shortened to its first
    // characters when they name one job. False (reason "") when none.
    virtual bool get(const std::string& id, HistoryJob& job, std::string& reason) = 0;
    // Local stores: the jobs not yet copied to the shop server, and the mark
    // that a job reached it. The server's own store keeps no such mark.
    virtual bool unsent(std::vector<std::string>& ids, std::string& reason) = 0;
    virtual bool markSent(const std::string& id, std::string& reason) = 0;
    // Empties every table (for a rebuild).
    virtual bool clear(std::string& reason) = 0;
};

// The schema this program writes; an older one is upgraded in place.
constexpr int kHistorySchemaVersion = 2;
// The statements that take the tables from version v-1 to v (v from 1), in
// the dialect both engines share.
const std::vector<std::string>& HistorySchemaSteps(int version);

// The bench's own file: $XDG_DATA_HOME/dorvel-adj/history.sqlite.
std::string DefaultHistoryFile();
// The folder of the job files: $XDG_DATA_HOME/dorvel-adj/jobs.
std::string DefaultJobsFolder();

std::unique_ptr<HistoryStore> MakeSqliteHistory(const std::string& path);
// conninfo in libpq's terms ("host=... dbname=... user=..." or
// "service=..."); the password comes from ~/.pgpass or the service file.
std::unique_ptr<HistoryStore> MakePostgresHistory(const std::string& conninfo);

// Copies every job of a bench's store that the server has not taken yet,
// marking each one sent once the server holds it. A job put twice is stored
// once, so a copy cut off half-way is simply made again. sent: how many
// went; false with the reason when the rest must wait.
bool SendUnsent(HistoryStore& local, HistoryStore& server, int& sent, std::string& reason);

// Builds the store afresh from the files: every job file in jobsFolder, and
// every backup in backupFolder that no job file names (a job of its own,
// from the backup's record). jobs: how many jobs went in; skipped: files
// that are no job file, each with its reason. False when the store failed.
bool RebuildHistory(HistoryStore& store, const std::string& jobsFolder, const std::string& backupFolder, int& jobs,
                    std::vector<std::string>& skipped, std::string& reason);
