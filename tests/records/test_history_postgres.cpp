// The shop server's engine against a real PostgreSQL server (the test
// server that ctest starts): bound parameters of every type, what a failed
// statement or a refused connection says, and where it names.
#include <gtest/gtest.h>

#include <cstdlib>

#include "records/HistorySql.h"
#include "tests/integration/Processes.h"
#include "tests/support/PgTestServer.h"

namespace {

std::vector<SqlRow> query(SqlConnection& db, const std::string& sql, const std::vector<SqlValue>& params = {})
{
    std::vector<SqlRow> rows;
    std::string reason;
    EXPECT_TRUE(db.run(sql, params, &rows, reason)) << sql << ": " << reason;
    return rows;
}

TEST(HistoryPostgres, ItNamesTheServerReachedBindsValuesExactlyAndAFailedStatementSaysWhyOnOneLine)
{
    auto db = MakePostgresConnection(FreshPgDatabase("history_values"));
    std::string why;
    ASSERT_TRUE(db->connect(why)) << why;
    const std::string conninfo = PgTestConninfo();   // the server's socket folder first
    const std::string socket = conninfo.substr(5, conninfo.find(' ') - 5);
    EXPECT_EQ(db->where(), "PostgreSQL host " + socket + ", database history_values");
    query(*db, "CREATE TABLE t (k INTEGER PRIMARY KEY, s TEXT, i BIGINT, r DOUBLE PRECISION)");

    struct Case {
        std::string text;
        int64_t i;
        double r;
    };
    const std::vector<Case> cases = {
        {"O'Brien \"quoted\" \\ back", -1, 0.1},
        {"'); DROP TABLE t; --", INT64_MAX, -1e-300},
        {"$1 ?; 'Ω µ' \t tab", INT64_MIN, 1.7976931348623157e308},
        {"", 0, 12345.678901234567},
    };
    for (size_t k = 0; k < cases.size(); ++k)
        query(*db, "INSERT INTO t (k, s, i, r) VALUES ($1, $2, $3, $4)",
              {SqlValue::of(static_cast<int>(k)), SqlValue::of(cases[k].text), SqlValue::of(cases[k].i),
               SqlValue::of(cases[k].r)});
    query(*db, "INSERT INTO t (k, s, i, r) VALUES ($1, $2, $3, $4)",
          {SqlValue::of(99), SqlValue{}, SqlValue{}, SqlValue::of(std::optional<double>())});

    // A failed statement says why on one line, and the connection stays (the
    // rows read below).
    const std::vector<std::pair<std::string, std::string>> failures = {
        {"SELEC 1", "syntax error"},
        {"INSERT INTO t (k) VALUES (1)", "duplicate key"},
        {"SELECT * FROM missing", "\"missing\" does not exist"},
    };
    for (const auto& [sql, words] : failures) {
        std::string reason;
        EXPECT_FALSE(db->run(sql, {}, nullptr, reason)) << sql;
        EXPECT_EQ(reason.rfind("PostgreSQL: ", 0), 0u) << reason;
        EXPECT_NE(reason.find(words), std::string::npos) << reason;
        EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
        EXPECT_TRUE(db->connected());
    }
    const auto rows = query(*db, "SELECT s, i, r FROM t ORDER BY k");
    ASSERT_EQ(rows.size(), cases.size() + 1);
    for (size_t k = 0; k < cases.size(); ++k) {
        SCOPED_TRACE(cases[k].text);
        ASSERT_EQ(rows[k].size(), 3u);
        EXPECT_EQ(rows[k][0], cases[k].text);
        EXPECT_EQ(rows[k][1], std::to_string(cases[k].i));
        ASSERT_TRUE(rows[k][2]);
        EXPECT_EQ(std::strtod(rows[k][2]->c_str(), nullptr), cases[k].r);
    }
    EXPECT_EQ(rows.back(), (SqlRow{std::nullopt, std::nullopt, std::nullopt}));
    // Only warnings and worse reach the program.
    EXPECT_EQ(query(*db, "SHOW client_min_messages"), (std::vector<SqlRow>{{"warning"}}));
}

TEST(HistoryPostgres, WhereNamesHostAndDatabase)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"host=/run/shop dbname=history", "PostgreSQL host /run/shop, database history"},
        {"postgresql://db.shop.example:5433/jobs", "PostgreSQL host db.shop.example, database jobs"},
        {"hostaddr=127.0.0.1", "PostgreSQL host 127.0.0.1, database (default)"},
        {"service=shop", "PostgreSQL service shop"},
        {"host=", "PostgreSQL host (default), database (default)"},
        {"host='unterminated", "PostgreSQL (unreadable connection string)"},
    };
    for (const auto& [conninfo, where] : cases)
        EXPECT_EQ(MakePostgresConnection(conninfo)->where(), where) << conninfo;
}

TEST(HistoryPostgres, ARefusedConnectionSaysWhyAndNothingRuns)
{
    const TempDir folder;   // no server's socket in it
    const std::string& empty = folder.path();
    struct Case {
        std::string conninfo, words;
    };
    const std::vector<Case> cases = {
        {"host=" + empty + " user=dorvel", empty + "/.s.PGSQL.5432"},
        {PgTestConninfo() + " dbname=no_such_database", "\"no_such_database\" does not exist"},
        // The connection string's own timeout wins over the default one.
        {PgTestConninfo() + " connect_timeout=soon", "connect_timeout"},
    };
    for (const auto& c : cases) {
        auto db = MakePostgresConnection(c.conninfo);
        std::string reason;
        EXPECT_FALSE(db->connect(reason)) << c.conninfo;
        EXPECT_EQ(reason.rfind("PostgreSQL: ", 0), 0u) << reason;
        EXPECT_NE(reason.find(c.words), std::string::npos) << reason;
        EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
        EXPECT_FALSE(db->connected());
        EXPECT_FALSE(db->run("SELECT 1", {}, nullptr, reason));
        EXPECT_EQ(reason, "PostgreSQL: not connected");
        db->disconnect();
        db->disconnect();
    }
}

}  // namespace
