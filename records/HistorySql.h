#pragma once
// The two database engines behind the history store, reduced to what the
// store needs: connect, run one statement with bound parameters, read its
// rows as text. The store's SQL is one dialect both engines take; its
// parameters are written $1, $2, ... and are only ever bound, never pasted
// into the text.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/History.h"

// A value bound to one parameter.
struct SqlValue {
    enum class Type { Null, Int, Real, Text };
    Type type = Type::Null;
    int64_t i = 0;
    double r = 0;
    std::string s;

    static SqlValue of(int64_t v) { return {Type::Int, v, 0, {}}; }
    static SqlValue of(int v) { return of(static_cast<int64_t>(v)); }
    static SqlValue of(double v) { return {Type::Real, 0, v, {}}; }
    static SqlValue of(const std::string& v) { return {Type::Text, 0, 0, v}; }
    static SqlValue of(const char* v) { return of(std::string(v)); }
    static SqlValue of(const std::optional<double>& v) { return v ? of(*v) : SqlValue{}; }
};

// One row of a result: each column's text, nullopt for NULL.
using SqlRow = std::vector<std::optional<std::string>>;

class SqlConnection {
public:
    virtual ~SqlConnection() = default;
    // False with the reason in words (the engine's own message, one line).
    virtual bool connect(std::string& reason) = 0;
    // False once the connection is gone (the server went away): the store
    // then connects again at its next call.
    virtual bool connected() const = 0;
    virtual void disconnect() = 0;
    // "SQLite FILE" or "PostgreSQL host H, database D".
    virtual std::string where() const = 0;
    virtual bool isPostgres() const = 0;
    // One statement with parameters $1..$n bound in order; rows (may be
    // null) get what it returns.
    virtual bool run(const std::string& sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows,
                     std::string& reason) = 0;
};

std::unique_ptr<SqlConnection> MakeSqliteConnection(const std::string& path);
std::unique_ptr<SqlConnection> MakePostgresConnection(const std::string& conninfo);
// The store over either engine.
std::unique_ptr<HistoryStore> MakeSqlHistory(std::unique_ptr<SqlConnection> connection);
