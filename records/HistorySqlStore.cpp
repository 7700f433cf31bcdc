// The history's tables and every statement on them, in the one dialect
// that both SQLite and PostgreSQL take. Values are always bound.
#include <algorithm>

#include "records/HistorySql.h"

const std::vector<std::string>& HistorySchemaSteps(int version)
{
    static const std::vector<std::vector<std::string>> steps = {
        // 1: jobs and what they did.
        {"CREATE TABLE IF NOT EXISTS history_schema (version INTEGER NOT NULL)",
         "CREATE TABLE IF NOT EXISTS jobs (id TEXT PRIMARY KEY, start_time BIGINT NOT NULL, station TEXT, "
         "operator_name TEXT, program_version TEXT, port TEXT, device TEXT, main_code TEXT, sub_code TEXT, "
         "technician TEXT, work_order TEXT, serial TEXT, backup_path TEXT, sent INTEGER NOT NULL DEFAULT 0)",
         "CREATE TABLE IF NOT EXISTS adjustments (job_id TEXT NOT NULL, seq INTEGER NOT NULL, ms BIGINT, "
         "item TEXT, old_value INTEGER, new_value INTEGER, cause TEXT, PRIMARY KEY (job_id, seq))",
         "CREATE TABLE IF NOT EXISTS automatics (job_id TEXT NOT NULL, seq INTEGER NOT NULL, ms BIGINT, kind TEXT, "
         "item TEXT, before_value INTEGER, result INTEGER, outcome TEXT, detail TEXT, PRIMARY KEY (job_id, seq))",
         "CREATE TABLE IF NOT EXISTS runs (id TEXT PRIMARY KEY, job_id TEXT NOT NULL, procedure_title TEXT, "
         "procedure_version TEXT, procedure_sha256 TEXT, serial TEXT, operator_name TEXT, station TEXT, outcome TEXT, "
         "failure_code TEXT, first_failing_step TEXT, start_time BIGINT, end_time BIGINT)",
         "CREATE TABLE IF NOT EXISTS run_steps (run_id TEXT NOT NULL, seq INTEGER NOT NULL, kind TEXT, name TEXT, "
         "outcome TEXT, marginal INTEGER, PRIMARY KEY (run_id, seq))",
         "CREATE TABLE IF NOT EXISTS measurements (run_id TEXT NOT NULL, seq INTEGER NOT NULL, step INTEGER, "
         "attempt INTEGER, value DOUBLE PRECISION, unit TEXT, low DOUBLE PRECISION, high DOUBLE PRECISION, "
         "outcome TEXT, PRIMARY KEY (run_id, seq))",
         "CREATE TABLE IF NOT EXISTS files (job_id TEXT NOT NULL, seq INTEGER NOT NULL, kind TEXT, path TEXT, "
         "sha256 TEXT, file_time BIGINT, PRIMARY KEY (job_id, seq))",
         "CREATE INDEX IF NOT EXISTS jobs_serial ON jobs (serial, start_time)",
         "CREATE INDEX IF NOT EXISTS runs_job ON runs (job_id)"},
        // 2: the USB adapter of the bench, and lookups by model and by date.
        {"ALTER TABLE jobs ADD COLUMN adapter TEXT",
         "CREATE INDEX IF NOT EXISTS jobs_model ON jobs (main_code, start_time)",
         "CREATE INDEX IF NOT EXISTS jobs_start ON jobs (start_time)",
         "CREATE INDEX IF NOT EXISTS jobs_unsent ON jobs (sent)"},
    };
    static const std::vector<std::string> none;
    return version >= 1 && static_cast<size_t>(version) <= steps.size() ? steps[static_cast<size_t>(version) - 1]
                                                                        : none;
}

namespace {

using V = SqlValue;

class SqlHistoryStore : public HistoryStore {
public:
    explicit SqlHistoryStore(std::unique_ptr<SqlConnection> c) : db_(std::move(c)) {}

    bool open(std::string& reason) override
    {
        if (isOpen())
            return true;
        open_ = false;
        if (!db_->connect(reason))
            return false;
        if (!transaction([&] { return upgrade(reason); }, reason)) {
            db_->disconnect();
            return false;
        }
        open_ = true;
        return true;
    }
    bool isOpen() const override { return open_ && db_->connected(); }
    void close() override
    {
        db_->disconnect();
        open_ = false;
    }
    std::string where() const override { return db_->where(); }

    bool put(const HistoryJob& j, std::string& reason) override
    {
        return ready(reason) && transaction([&] { return putRows(j, reason); }, reason);
    }

    bool list(const HistoryFilter& f, std::vector<HistoryEntry>& out, std::string& reason) override
    {
        if (!ready(reason))
            return false;
        static const std::string lastOutcome =
            "(SELECT r.outcome FROM runs r WHERE r.job_id = j.id ORDER BY r.start_time DESC, r.id DESC LIMIT 1)";
        const std::string sql =
            "SELECT j.id, j.start_time, j.serial, j.main_code, j.sub_code, j.technician, j.work_order, j.station, "
            "j.device, j.backup_path, " + lastOutcome + ", "
            "(SELECT COUNT(*) FROM adjustments a WHERE a.job_id = j.id), "
            "(SELECT COUNT(*) FROM automatics a WHERE a.job_id = j.id), "
            "(SELECT COUNT(*) FROM runs r WHERE r.job_id = j.id), "
            "(SELECT f.path FROM files f WHERE f.job_id = j.id AND f.kind = 'report' ORDER BY f.seq DESC LIMIT 1) "
            "FROM jobs j WHERE 1 = 1";
        // Only the filters given become conditions (each value bound), so
        // that the engine can use the index of the one that narrows most.
        std::string where;
        std::vector<V> params;
        const auto cond = [&](const std::string& text, const V& value) {
            params.push_back(value);
            const std::string n = "$" + std::to_string(params.size());
            std::string c = text;
            for (size_t at; (at = c.find('?')) != std::string::npos;)
                c.replace(at, 1, n);
            where += " AND " + c;
        };
        if (!f.serial.empty())
            cond("j.serial = ?", V::of(f.serial));
        if (!f.model.empty())
            cond("(j.main_code = ? OR j.sub_code = ?)", V::of(f.model));
        if (f.since != 0)
            cond("j.start_time >= ?", V::of(f.since));
        if (f.until != 0)
            cond("j.start_time < ?", V::of(f.until));
        if (f.failed)
            where += " AND EXISTS (SELECT 1 FROM runs r WHERE r.job_id = j.id AND r.outcome IN ('FAIL', 'ERROR', "
                     "'ABORTED'))";
        if (f.outcome == "none")
            where += " AND NOT EXISTS (SELECT 1 FROM runs r WHERE r.job_id = j.id)";
        else if (!f.outcome.empty())
            cond(lastOutcome + " = ?", V::of(f.outcome));
        params.push_back(V::of(static_cast<int64_t>(f.limit > 0 ? f.limit : 1000000000)));
        std::vector<SqlRow> rows;
        if (!db_->run(sql + where + " ORDER BY j.start_time DESC, j.id DESC LIMIT $" + std::to_string(params.size()),
                      params, &rows, reason))
            return failed(reason);
        out.clear();
        for (const SqlRow& r : rows) {
            HistoryEntry e;
            e.id = s(r, 0);
            e.start = n(r, 1);
            e.serial = s(r, 2);
            e.mainCode = s(r, 3);
            e.subCode = s(r, 4);
            e.technician = s(r, 5);
            e.order = s(r, 6);
            e.station = s(r, 7);
            e.device = s(r, 8);
            e.backupPath = s(r, 9);
            e.outcome = s(r, 10);
            e.adjustments = static_cast<int>(n(r, 11));
            e.autos = static_cast<int>(n(r, 12));
            e.runs = static_cast<int>(n(r, 13));
            e.reportPath = s(r, 14);
            out.push_back(std::move(e));
        }
        return true;
    }

    bool get(const std::string& id, HistoryJob& j, std::string& reason) override
    {
        reason.clear();
        if (id.empty() || !ready(reason))
            return false;
        std::vector<SqlRow> rows;
        if (!db_->run("SELECT id, start_time, station, operator_name, program_version, port, device, adapter, "
                      "main_code, sub_code, technician, work_order, serial, backup_path FROM jobs "
                      "WHERE substr(id, 1, length(CAST($1 AS TEXT))) = $1 ORDER BY id LIMIT 2",
                      {V::of(id)}, &rows, reason))
            return failed(reason);
        if (rows.size() != 1) {
            reason = rows.empty() ? "" : "more than one job begins with " + id + ": give more of its id";
            return false;
        }
        const SqlRow& r = rows[0];
        j = HistoryJob{};
        j.id = s(r, 0);
        j.start = n(r, 1);
        j.station = s(r, 2);
        j.operatorName = s(r, 3);
        j.version = s(r, 4);
        j.port = s(r, 5);
        j.device = s(r, 6);
        j.adapter = s(r, 7);
        j.mainCode = s(r, 8);
        j.subCode = s(r, 9);
        j.technician = s(r, 10);
        j.order = s(r, 11);
        j.serial = s(r, 12);
        j.backupPath = s(r, 13);
        const std::vector<V> key{V::of(j.id)};
        if (!db_->run("SELECT ms, item, old_value, new_value, cause FROM adjustments WHERE job_id = $1 ORDER BY seq",
                      key, &rows, reason))
            return failed(reason);
        for (const SqlRow& a : rows)
            j.adjustments.push_back({n(a, 0), s(a, 1), static_cast<int>(n(a, 2)), static_cast<int>(n(a, 3)), s(a, 4)});
        if (!db_->run("SELECT ms, kind, item, before_value, result, outcome, detail FROM automatics "
                      "WHERE job_id = $1 ORDER BY seq",
                      key, &rows, reason))
            return failed(reason);
        for (const SqlRow& a : rows)
            j.autos.push_back({n(a, 0), s(a, 1), s(a, 2), static_cast<int>(n(a, 3)), static_cast<int>(n(a, 4)), s(a, 5),
                               s(a, 6)});
        if (!db_->run("SELECT kind, path, sha256, file_time FROM files WHERE job_id = $1 ORDER BY seq", key, &rows,
                      reason))
            return failed(reason);
        for (const SqlRow& f : rows)
            j.files.push_back({s(f, 0), s(f, 1), s(f, 2), n(f, 3)});
        if (!db_->run("SELECT id, procedure_title, procedure_version, procedure_sha256, serial, operator_name, station, "
                      "outcome, failure_code, first_failing_step, start_time, end_time FROM runs WHERE job_id = $1 "
                      "ORDER BY start_time, id",
                      key, &rows, reason))
            return failed(reason);
        for (const SqlRow& x : rows) {
            HistoryRun run{s(x, 0), s(x, 1), s(x, 2), s(x, 3), s(x, 4), s(x, 5), s(x, 6), s(x, 7), s(x, 8), s(x, 9),
                           n(x, 10), n(x, 11), {}, {}};
            std::vector<SqlRow> sub;
            if (!db_->run("SELECT kind, name, outcome, marginal FROM run_steps WHERE run_id = $1 ORDER BY seq",
                          {V::of(run.id)}, &sub, reason))
                return failed(reason);
            for (const SqlRow& st : sub)
                run.steps.push_back({s(st, 0), s(st, 1), s(st, 2), n(st, 3) != 0});
            if (!db_->run("SELECT step, attempt, value, unit, low, high, outcome FROM measurements WHERE run_id = $1 "
                          "ORDER BY seq",
                          {V::of(run.id)}, &sub, reason))
                return failed(reason);
            for (const SqlRow& m : sub)
                run.measurements.push_back({static_cast<int>(n(m, 0)), static_cast<int>(n(m, 1)), d(m, 2).value_or(0),
                                            s(m, 3), d(m, 4), d(m, 5), s(m, 6)});
            j.runs.push_back(std::move(run));
        }
        return true;
    }

    bool unsent(std::vector<std::string>& ids, std::string& reason) override
    {
        std::vector<SqlRow> rows;
        if (!ready(reason) || !db_->run("SELECT id FROM jobs WHERE sent = 0 ORDER BY start_time, id", {}, &rows, reason))
            return failed(reason);
        ids.clear();
        for (const SqlRow& r : rows)
            ids.push_back(s(r, 0));
        return true;
    }
    bool markSent(const std::string& id, std::string& reason) override
    {
        return ready(reason) && (db_->run("UPDATE jobs SET sent = 1 WHERE id = $1", {V::of(id)}, nullptr, reason) ||
                                 failed(reason));
    }
    bool clear(std::string& reason) override
    {
        return ready(reason) && transaction(
                                    [&] {
                                        for (const char* t : {"measurements", "run_steps", "runs", "files",
                                                              "automatics", "adjustments", "jobs"})
                                            if (!db_->run(std::string("DELETE FROM ") + t, {}, nullptr, reason))
                                                return false;
                                        return true;
                                    },
                                    reason);
    }

private:
    static std::string s(const SqlRow& r, size_t i) { return i < r.size() && r[i] ? *r[i] : std::string(); }
    static int64_t n(const SqlRow& r, size_t i)
    {
        try {
            return i < r.size() && r[i] ? std::stoll(*r[i]) : 0;
        } catch (const std::exception&) {
            return 0;
        }
    }
    static std::optional<double> d(const SqlRow& r, size_t i)
    {
        try {
            return i < r.size() && r[i] ? std::optional<double>(std::stod(*r[i])) : std::nullopt;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }

    // Opens on demand: after a server went away, the next call connects again.
    bool ready(std::string& reason)
    {
        if (isOpen())
            return true;
        close();
        return open(reason);
    }
    bool failed(const std::string&)
    {
        if (!db_->connected())
            open_ = false;
        return false;
    }

    template <typename F>
    bool transaction(F body, std::string& reason)
    {
        if (!db_->run("BEGIN", {}, nullptr, reason))
            return failed(reason);
        if (body() && db_->run("COMMIT", {}, nullptr, reason))
            return true;
        std::string ignored;   // the first reason is the one that counts
        if (db_->connected())
            db_->run("ROLLBACK", {}, nullptr, ignored);
        return failed(reason);
    }

    // Brings the tables to this program's version; refuses a newer one.
    bool upgrade(std::string& reason)
    {
        std::vector<SqlRow> rows;
        // Several benches may meet a fresh server at once: one of them
        // creates the tables while the others wait.
        if (db_->isPostgres() && !db_->run("SELECT pg_advisory_xact_lock(7408021)", {}, nullptr, reason))
            return false;
        const char* exists = db_->isPostgres()
                                 ? "SELECT COUNT(*) FROM pg_tables WHERE tablename = 'history_schema' "
                                   "AND schemaname = current_schema()"
                                 : "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'history_schema'";
        if (!db_->run(exists, {}, &rows, reason))
            return false;
        int version = 0;
        if (!rows.empty() && n(rows[0], 0) > 0) {
            if (!db_->run("SELECT MAX(version) FROM history_schema", {}, &rows, reason))
                return false;
            version = rows.empty() ? 0 : static_cast<int>(n(rows[0], 0));
        }
        if (version > kHistorySchemaVersion) {
            reason = "the history database (" + where() + ") has schema version " + std::to_string(version) +
                     ", newer than this program's " + std::to_string(kHistorySchemaVersion) +
                     ": it was written by a newer Dorvel ADJ; use that, or name another database";
            return false;
        }
        if (version == kHistorySchemaVersion)
            return true;
        for (int v = version + 1; v <= kHistorySchemaVersion; ++v)
            for (const std::string& sql : HistorySchemaSteps(v))
                if (!db_->run(sql, {}, nullptr, reason))
                    return false;
        return db_->run("DELETE FROM history_schema", {}, nullptr, reason) &&
               db_->run("INSERT INTO history_schema (version) VALUES ($1)", {V::of(kHistorySchemaVersion)}, nullptr,
                        reason);
    }

    bool putRows(const HistoryJob& j, std::string& reason)
    {
        const V id = V::of(j.id);
        const auto run = [&](const std::string& sql, const std::vector<V>& params) {
            return db_->run(sql, params, nullptr, reason);
        };
        if (!run("INSERT INTO jobs (id, start_time, station, operator_name, program_version, port, device, adapter, "
                 "main_code, sub_code, technician, work_order, serial, backup_path, sent) "
                 "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, 0) "
                 "ON CONFLICT (id) DO UPDATE SET start_time = excluded.start_time, station = excluded.station, "
                 "operator_name = excluded.operator_name, program_version = excluded.program_version, "
                 "port = excluded.port, device = excluded.device, adapter = excluded.adapter, "
                 "main_code = excluded.main_code, sub_code = excluded.sub_code, technician = excluded.technician, "
                 "work_order = excluded.work_order, serial = excluded.serial, backup_path = excluded.backup_path, "
                 "sent = 0",
                 {id, V::of(j.start), V::of(j.station), V::of(j.operatorName), V::of(j.version), V::of(j.port),
                  V::of(j.device), V::of(j.adapter), V::of(j.mainCode), V::of(j.subCode), V::of(j.technician),
                  V::of(j.order), V::of(j.serial), V::of(j.backupPath)}))
            return false;
        // The job's rows are replaced whole, so that a job put again (a
        // retry, a later state of the same job) is stored once.
        for (const char* sql : {"DELETE FROM measurements WHERE run_id IN (SELECT id FROM runs WHERE job_id = $1)",
                                "DELETE FROM run_steps WHERE run_id IN (SELECT id FROM runs WHERE job_id = $1)",
                                "DELETE FROM runs WHERE job_id = $1", "DELETE FROM adjustments WHERE job_id = $1",
                                "DELETE FROM automatics WHERE job_id = $1", "DELETE FROM files WHERE job_id = $1"})
            if (!run(sql, {id}))
                return false;
        int seq = 0;
        for (const HistoryAdjustment& a : j.adjustments)
            if (!run("INSERT INTO adjustments (job_id, seq, ms, item, old_value, new_value, cause) "
                     "VALUES ($1, $2, $3, $4, $5, $6, $7)",
                     {id, V::of(seq++), V::of(a.ms), V::of(a.item), V::of(a.oldValue), V::of(a.newValue),
                      V::of(a.cause)}))
                return false;
        seq = 0;
        for (const HistoryAuto& a : j.autos)
            if (!run("INSERT INTO automatics (job_id, seq, ms, kind, item, before_value, result, outcome, detail) "
                     "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9)",
                     {id, V::of(seq++), V::of(a.ms), V::of(a.kind), V::of(a.item), V::of(a.before), V::of(a.result),
                      V::of(a.outcome), V::of(a.detail)}))
                return false;
        seq = 0;
        for (const HistoryFile& f : j.files)
            if (!run("INSERT INTO files (job_id, seq, kind, path, sha256, file_time) VALUES ($1, $2, $3, $4, $5, $6)",
                     {id, V::of(seq++), V::of(f.kind), V::of(f.path), V::of(f.sha256), V::of(f.time)}))
                return false;
        for (const HistoryRun& r : j.runs) {
            const V rid = V::of(r.id);
            // A run is one run wherever it is recorded: it moves to this job.
            for (const char* sql : {"DELETE FROM measurements WHERE run_id = $1", "DELETE FROM run_steps WHERE run_id = $1",
                                    "DELETE FROM runs WHERE id = $1"})
                if (!run(sql, {rid}))
                    return false;
            if (!run("INSERT INTO runs (id, job_id, procedure_title, procedure_version, procedure_sha256, serial, "
                     "operator_name, station, outcome, failure_code, first_failing_step, start_time, end_time) "
                     "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13)",
                     {rid, id, V::of(r.procedure), V::of(r.procedureVersion), V::of(r.procedureSha256), V::of(r.serial),
                      V::of(r.operatorName), V::of(r.station), V::of(r.outcome), V::of(r.failureCode),
                      V::of(r.firstFailingStep), V::of(r.start), V::of(r.end)}))
                return false;
            seq = 0;
            for (const HistoryStep& st : r.steps)
                if (!run("INSERT INTO run_steps (run_id, seq, kind, name, outcome, marginal) "
                         "VALUES ($1, $2, $3, $4, $5, $6)",
                         {rid, V::of(seq++), V::of(st.kind), V::of(st.name), V::of(st.outcome),
                          V::of(st.marginal ? 1 : 0)}))
                    return false;
            seq = 0;
            for (const HistoryMeasurement& m : r.measurements)
                if (!run("INSERT INTO measurements (run_id, seq, step, attempt, value, unit, low, high, outcome) "
                         "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9)",
                         {rid, V::of(seq++), V::of(m.step), V::of(m.attempt), V::of(m.value), V::of(m.unit),
                          V::of(m.low), V::of(m.high), V::of(m.outcome)}))
                    return false;
        }
        return true;
    }

    std::unique_ptr<SqlConnection> db_;
    bool open_ = false;
};

}  // namespace

std::unique_ptr<HistoryStore> MakeSqlHistory(std::unique_ptr<SqlConnection> connection)
{
    return std::make_unique<SqlHistoryStore>(std::move(connection));
}

bool SendUnsent(HistoryStore& local, HistoryStore& server, int& sent, std::string& reason)
{
    sent = 0;
    std::vector<std::string> ids;
    if (!local.unsent(ids, reason))
        return false;
    for (const std::string& id : ids) {
        HistoryJob j;
        if (!local.get(id, j, reason) || !server.put(j, reason) || !local.markSent(id, reason))
            return false;
        ++sent;
    }
    return true;
}

std::unique_ptr<HistoryStore> MakeSqliteHistory(const std::string& path)
{
    return MakeSqlHistory(MakeSqliteConnection(path));
}

std::unique_ptr<HistoryStore> MakePostgresHistory(const std::string& conninfo)
{
    return MakeSqlHistory(MakePostgresConnection(conninfo));
}
