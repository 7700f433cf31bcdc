#pragma once
// The throw-away PostgreSQL server that ctest starts for the tests that
// ask for it (dorvel_add_test(... PG ...)). A test run without it fails
// with the reason; it is never skipped.
#include <string>

// The server's connection string (user "dorvel", database "postgres").
std::string PgTestConninfo();
// Drops database `name` if it is there, creates it empty and gives the
// connection string naming it.
std::string FreshPgDatabase(const std::string& name);
// Takes the server away (its data kept) and brings it back, for the tests
// of a server that goes away part-way.
void PgTestServerHalt();
void PgTestServerResume();
