// Shared set-up of the database tests: each case runs once on SQLite (a fresh
// database file through the SQLite3 driver) and once on the PostgreSQL server
// that the "pg" test fixture starts.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <ostream>
#include <string>

#include "HardwareList.h"

namespace hwtest {

enum class Backend { SQLite, PostgreSQL };

inline void PrintTo(Backend backend, std::ostream* os) {
    *os << (backend == Backend::SQLite ? "SQLite" : "PostgreSQL");
}

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
}

// A private folder for this test process, removed at exit. It also holds the
// user DSN file (ODBCINI) that defines the default data source "VarnelVYN";
// the variable is set before the first ODBC call, which unixODBC requires.
class Scratch {
public:
    static Scratch& Get() {
        static Scratch scratch;
        return scratch;
    }
    const std::string& Dir() const { return m_dir; }
    std::string DsnDatabase() const { return m_dir + "/dsn.db"; }

private:
    Scratch() {
        char pattern[] = "/tmp/hwodbc-test.XXXXXX";
        const char* dir = mkdtemp(pattern);
        if (dir == nullptr) throw std::runtime_error("cannot create a scratch folder in /tmp");
        m_dir = dir;
        std::ofstream ini(m_dir + "/odbc.ini");
        ini << "[VarnelVYN]\nDriver=SQLite3\nDatabase=" << DsnDatabase() << "\n";
        setenv("ODBCINI", (m_dir + "/odbc.ini").c_str(), 1);
    }
    ~Scratch() {
        const std::string command = "rm -rf '" + m_dir + "'";
        if (std::system(command.c_str()) != 0) {
            // Leftovers in /tmp are harmless.
        }
    }
    std::string m_dir;
};

// Set before any test touches ODBC.
inline const bool kScratchReady = (Scratch::Get(), true);

// The connection string of a backend; on PostgreSQL it comes from the file the
// pg_start fixture writes. Fails the test with the reason when it cannot.
inline std::string ConnectString(Backend backend, const std::string& sqliteFile) {
    if (backend == Backend::SQLite) return "Driver=SQLite3;Database=" + sqliteFile + ";";
    std::ifstream in(HW_PG_CONNECT_FILE);
    std::string line;
    if (!in || !std::getline(in, line) || line.empty()) {
        ADD_FAILURE() << "PostgreSQL is not available: " << HW_PG_CONNECT_FILE
                      << " is missing; the pg_start test (tests/pg/pg-server) must run first and "
                         "its output says why it could not start the server";
    }
    return line;
}

// Opens a CDataConnection on the backend and runs statements on it.
class DatabaseTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        static int counter = 0;
        m_sqliteFile = Scratch::Get().Dir() + "/test" + std::to_string(++counter) + ".db";
        const std::string connect = ConnectString(GetParam(), m_sqliteFile);
        if (connect.empty()) GTEST_FAIL() << "no connection string";
        m_connection.Open(connect.c_str());
        if (GetParam() == Backend::PostgreSQL) Exec("CREATE SCHEMA IF NOT EXISTS dbo");
    }

    void Exec(const std::string& sql) { m_connection.m_database.ExecuteSQL(sql.c_str()); }

    // Drops and creates [dbo].[name] with the given column definitions.
    void CreateTable(const std::string& name, const std::string& columns) {
        Exec("DROP TABLE IF EXISTS [dbo].[" + name + "]");
        Exec("CREATE TABLE [dbo].[" + name + "] (" + columns + ")");
    }

    bool IsPostgres() const { return GetParam() == Backend::PostgreSQL; }

    CDataConnection m_connection;
    std::string m_sqliteFile;
};

}  // namespace hwtest
