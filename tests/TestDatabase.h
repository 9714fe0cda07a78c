// A real database holding the hardware schema, for tests that read through
// the component's recordsets: a fresh SQLite file per test, or the PostgreSQL
// server that the `pg` test fixture runs.
#pragma once

#include <ostream>
#include <string>

#include "HardwareList.h"

enum class TestBackend { SQLite, PostgreSQL };

// "SQLite" / "PostgreSQL", for parameterised test names.
std::string TestBackendName(TestBackend backend);
inline void PrintTo(TestBackend backend, std::ostream* os) {
    *os << TestBackendName(backend);
}

class TestDatabase {
public:
    // Connects; for SQLite creates the file and loads schema/sqlite.sql. When
    // the backend cannot be reached, Available() is false and Reason() says why.
    explicit TestDatabase(TestBackend backend);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    bool Available() const { return m_bAvailable; }
    const std::string& Reason() const { return m_reason; }
    CDataConnection& Connection() { return m_connection; }

    // Runs one statement without a result; names without brackets work on both.
    void Exec(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // First of 100 PC identifiers that belong to the running test alone, with
    // every row under them removed: tests sharing the server stay apart.
    LONG PcBase();

private:
    CDataConnection m_connection;
    std::string m_file;  // the SQLite database file
    bool m_bAvailable = false;
    std::string m_reason;
};
