// The bench's own history: one SQLite file in write-ahead-log mode, so that
// a window and a command line on the same bench read while the other writes.
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/AtomicFile.h"
#include "records/HistorySql.h"

namespace {

class SqliteConnection : public SqlConnection {
public:
    explicit SqliteConnection(std::string path) : path_(std::move(path)) {}
    ~SqliteConnection() override { disconnect(); }

    bool connect(std::string& reason) override
    {
        disconnect();
        const size_t slash = path_.rfind('/');
        if (slash != std::string::npos && slash > 0)
            if (const int e = MakeFolders(path_.substr(0, slash)); e != 0)
                return fail("cannot create its folder: " + std::string(std::strerror(e)), reason);
        if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            const std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
            disconnect();
            return fail(why, reason);
        }
        // Another program on the bench may hold the file for a moment.
        sqlite3_busy_timeout(db_, 2000);
        if (!run("PRAGMA journal_mode=WAL", {}, nullptr, reason) || !run("PRAGMA synchronous=NORMAL", {}, nullptr, reason)) {
            disconnect();
            return false;
        }
        return true;
    }
    bool connected() const override { return db_ != nullptr; }
    void disconnect() override
    {
        if (db_ != nullptr)
            sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    std::string where() const override { return "SQLite " + path_; }
    bool isPostgres() const override { return false; }

    bool run(const std::string& sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows,
             std::string& reason) override
    {
        if (db_ == nullptr)
            return fail("not open", reason);
        // $N is SQLite's ?N: the same numbered parameter.
        std::string text = sql;
        std::replace(text.begin(), text.end(), '$', '?');
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, text.c_str(), -1, &st, nullptr) != SQLITE_OK)
            return fail(sqlite3_errmsg(db_), reason);
        for (size_t i = 0; i < params.size(); ++i) {
            const SqlValue& v = params[i];
            const int at = static_cast<int>(i + 1);
            switch (v.type) {
            case SqlValue::Type::Null: sqlite3_bind_null(st, at); break;
            case SqlValue::Type::Int: sqlite3_bind_int64(st, at, v.i); break;
            case SqlValue::Type::Real: sqlite3_bind_double(st, at, v.r); break;
            case SqlValue::Type::Text:
                sqlite3_bind_text(st, at, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
                break;
            }
        }
        if (rows != nullptr)
            rows->clear();
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            if (rows == nullptr)
                continue;
            SqlRow row;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                row.push_back(t != nullptr ? std::optional<std::string>(t) : std::nullopt);
            }
            rows->push_back(std::move(row));
        }
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            return fail(sqlite3_errmsg(db_), reason);
        return true;
    }

private:
    bool fail(const std::string& why, std::string& reason) const
    {
        reason = where() + ": " + why;
        return false;
    }

    std::string path_;
    sqlite3* db_ = nullptr;
};

}  // namespace

std::unique_ptr<SqlConnection> MakeSqliteConnection(const std::string& path)
{
    return std::make_unique<SqliteConnection>(path);
}
