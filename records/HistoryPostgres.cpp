// The shop server's engine: PostgreSQL through libpq. Every value travels
// as a bound parameter in text form and the server infers its type from
// the statement; the password is found by libpq itself (~/.pgpass or the
// service file), never by this program.
#include <libpq-fe.h>

#include <charconv>
#include <memory>
#include <string>
#include <vector>

#include "records/HistorySql.h"

namespace {

// A shop server that does not answer within this time is reported as
// unreachable, unless the connection string names its own timeout.
constexpr const char* kConnectTimeoutSeconds = "5";

// libpq's messages span lines (a hint after a tab, a trailing newline):
// the operator sees them on one.
std::string oneLine(const char* text)
{
    std::string out;
    bool space = false;
    for (const char* p = text ? text : ""; *p; ++p) {
        const bool blank = *p == '\n' || *p == '\r' || *p == '\t' || *p == ' ';
        if (blank) {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += *p;
    }
    return out;
}

// Numbers in a form the server reads back exactly, whatever the program's
// locale (a decimal comma would be read as something else).
std::string numberText(const SqlValue& v)
{
    char buffer[64];
    const auto end = v.type == SqlValue::Type::Int ? std::to_chars(buffer, buffer + sizeof buffer, v.i).ptr
                                                   : std::to_chars(buffer, buffer + sizeof buffer, v.r).ptr;
    return std::string(buffer, end);
}

void ignoreNotice(void*, const char*) {}

class PostgresConnection : public SqlConnection {
public:
    explicit PostgresConnection(std::string conninfo) : conninfo_(std::move(conninfo)) { readConninfo(); }
    ~PostgresConnection() override { disconnect(); }

    bool connect(std::string& reason) override
    {
        disconnect();
        // The string's own settings are expanded in place of "dbname" and so
        // override the defaults given before it.
        const char* keywords[] = {"connect_timeout", "options", "dbname", nullptr};
        const char* values[] = {kConnectTimeoutSeconds, "-c client_min_messages=warning", conninfo_.c_str(),
                                nullptr};
        conn_ = PQconnectdbParams(keywords, values, 1);
        if (!conn_) {
            reason = "PostgreSQL: out of memory";
            return false;
        }
        if (PQstatus(conn_) != CONNECTION_OK) {
            reason = "PostgreSQL: " + oneLine(PQerrorMessage(conn_));
            disconnect();
            return false;
        }
        PQsetNoticeProcessor(conn_, ignoreNotice, nullptr);
        if (const char* h = PQhost(conn_))
            host_ = h;
        if (const char* d = PQdb(conn_))
            database_ = d;
        return true;
    }

    // A server that went away leaves the connection broken once a statement
    // finds it so: the store then connects again at its next call.
    bool connected() const override { return conn_ && PQstatus(conn_) == CONNECTION_OK; }

    void disconnect() override
    {
        if (conn_)
            PQfinish(conn_);
        conn_ = nullptr;
    }

    std::string where() const override
    {
        if (host_.empty() && database_.empty() && !service_.empty())
            return "PostgreSQL service " + service_;
        if (!readable_)
            return "PostgreSQL (unreadable connection string)";
        return "PostgreSQL host " + (host_.empty() ? std::string("(default)") : host_) + ", database " +
               (database_.empty() ? std::string("(default)") : database_);
    }

    bool isPostgres() const override { return true; }

    bool run(const std::string& sql, const std::vector<SqlValue>& params, std::vector<SqlRow>* rows,
             std::string& reason) override
    {
        if (!connected()) {
            reason = "PostgreSQL: not connected";
            return false;
        }
        std::vector<std::string> texts(params.size());
        std::vector<const char*> values(params.size(), nullptr);
        for (size_t i = 0; i < params.size(); ++i) {
            const SqlValue& p = params[i];
            switch (p.type) {
            case SqlValue::Type::Null:
                continue;
            case SqlValue::Type::Int:
            case SqlValue::Type::Real:
                texts[i] = numberText(p);
                break;
            case SqlValue::Type::Text:
                texts[i] = p.s;
                break;
            }
            values[i] = texts[i].c_str();
        }
        using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;
        Result result(PQexecParams(conn_, sql.c_str(), static_cast<int>(params.size()), nullptr, values.data(),
                                   nullptr, nullptr, 0),
                      &PQclear);
        const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const char* message = result ? PQresultErrorMessage(result.get()) : "";
            reason = "PostgreSQL: " + oneLine(*message ? message : PQerrorMessage(conn_));
            return false;
        }
        if (rows) {
            rows->clear();
            const int count = PQntuples(result.get()), columns = PQnfields(result.get());
            rows->reserve(static_cast<size_t>(count));
            for (int r = 0; r < count; ++r) {
                SqlRow row(static_cast<size_t>(columns));
                for (int c = 0; c < columns; ++c)
                    if (!PQgetisnull(result.get(), r, c))
                        row[static_cast<size_t>(c)] =
                            std::string(PQgetvalue(result.get(), r, c),
                                        static_cast<size_t>(PQgetlength(result.get(), r, c)));
                rows->push_back(std::move(row));
            }
        }
        return true;
    }

private:
    // Where the connection goes, before it is made: the host (a Unix socket
    // folder is one too), the database and the service it names.
    void readConninfo()
    {
        char* error = nullptr;
        PQconninfoOption* options = PQconninfoParse(conninfo_.c_str(), &error);
        PQfreemem(error);
        readable_ = options != nullptr;
        for (PQconninfoOption* o = options; o && o->keyword; ++o) {
            if (!o->val || !*o->val)
                continue;
            const std::string keyword = o->keyword;
            if (keyword == "host" || (keyword == "hostaddr" && host_.empty()))
                host_ = o->val;
            else if (keyword == "dbname")
                database_ = o->val;
            else if (keyword == "service")
                service_ = o->val;
        }
        PQconninfoFree(options);
    }

    std::string conninfo_;
    PGconn* conn_ = nullptr;
    bool readable_ = true;
    std::string host_, database_, service_;
};

}  // namespace

std::unique_ptr<SqlConnection> MakePostgresConnection(const std::string& conninfo)
{
    return std::make_unique<PostgresConnection>(conninfo);
}
