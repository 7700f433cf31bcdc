#include "tests/support/PgTestServer.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        throw std::runtime_error(std::string(name) +
                                 " is not set: this test needs the test PostgreSQL server; run it through ctest, "
                                 "which starts the server (fixture pg)");
    return value;
}

// A word for the shell, in single quotes.
std::string shellWord(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// A value in a connection string, in single quotes.
std::string conninfoValue(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "'";
}

void runScript(const std::string& action)
{
    const std::string command = shellWord(DORVEL_SOURCE_DIR "/scripts/pg-test-server") + " " + action + " " +
                                shellWord(environment("DORVEL_TEST_PG_DIR"));
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("pg-test-server " + action + " failed");
}

}  // namespace

std::string PgTestConninfo()
{
    return environment("DORVEL_TEST_PG");
}

std::string FreshPgDatabase(const std::string& name)
{
    std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(PgTestConninfo().c_str()), &PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK)
        throw std::runtime_error(std::string("test PostgreSQL server: ") + PQerrorMessage(conn.get()));
    PQsetNoticeProcessor(conn.get(), [](void*, const char*) {}, nullptr);   // "does not exist, skipping"
    // A database's name cannot be a bound parameter: libpq quotes it.
    std::unique_ptr<char, decltype(&PQfreemem)> identifier(PQescapeIdentifier(conn.get(), name.c_str(), name.size()),
                                                           &PQfreemem);
    if (!identifier)
        throw std::runtime_error("no database can be named " + name);
    const std::string quotedName = identifier.get();
    for (const std::string& sql : {"DROP DATABASE IF EXISTS " + quotedName + " WITH (FORCE)",
                                   "CREATE DATABASE " + quotedName}) {
        std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn.get(), sql.c_str()), &PQclear);
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
            throw std::runtime_error(sql + ": " + PQresultErrorMessage(result.get()));
    }
    return PgTestConninfo() + " dbname=" + conninfoValue(name);
}

void PgTestServerHalt()
{
    runScript("halt");
}

void PgTestServerResume()
{
    runScript("resume");
}
