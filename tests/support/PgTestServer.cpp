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

// The text between quotes, with a backslash before each of the special
// characters: a word for the shell ('"'), a value in a connection string ('\'').
std::string quoted(const std::string& text, char quote, const std::string& special)
{
    std::string out(1, quote);
    for (char c : text) {
        if (special.find(c) != std::string::npos)
            out += '\\';
        out += c;
    }
    return out + quote;
}

void runScript(const std::string& action)
{
    const std::string special = "\"\\$`";
    const std::string command = quoted(DORVEL_SOURCE_DIR "/scripts/pg-test-server", '"', special) + " " +
                                action + " " + quoted(environment("DORVEL_TEST_PG_DIR"), '"', special);
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
    return PgTestConninfo() + " dbname=" + quoted(name, '\'', "'\\");
}

void PgTestServerHalt()
{
    runScript("halt");
}

void PgTestServerResume()
{
    runScript("resume");
}
