// Real databases for the tests: a fresh SQLite file built from the shipped
// schema, or the PostgreSQL server that the `pg` test fixture started; and
// the fixture that runs a case once on each.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "HardwareList.h"
#include "host/SqlScript.h"

namespace testdb {

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteText(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// How often `what` occurs in `text`.
inline size_t CountOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Runs every statement of an SQL file.
inline void RunSqlFile(CDatabase& db, const std::string& path) {
    std::vector<std::string> statements;
    ASSERT_TRUE(ReadSqlScript(path, statements) && !statements.empty()) << "cannot read " << path;
    for (const std::string& sql : statements) db.ExecuteSQL(sql.c_str());
}

// A temporary folder removed with everything in it.
class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/hwtest-XXXXXX";
        m_path = mkdtemp(name);
    }
    ~TempDir() {
        std::error_code ignored;  // leftovers in /tmp are harmless
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline std::string SqliteConnect(const std::string& file) {
    return "Driver=SQLite3;Database=" + file;
}

// Creates `file` with the hardware schema and the given data files.
inline void CreateSqliteDatabase(const std::string& file,
                                 std::initializer_list<std::string> dataFiles) {
    CDataConnection connection;
    connection.Open(SqliteConnect(file).c_str());
    RunSqlFile(connection.m_database, HW_SOURCE_DIR "/schema/sqlite.sql");
    for (const std::string& data : dataFiles) RunSqlFile(connection.m_database, data);
}

// The connection string the test server wrote (pg-server start DIR writes
// DIR/connect.txt), or "" when the `pg` test fixture did not start one.
inline std::string PostgresConnect(const std::string& file = HW_PG_CONNECT_FILE) {
    std::string text = ReadText(file);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// The test server's role that may only read dbo (DIR/reader-connect.txt).
inline std::string PostgresReaderConnect() {
    std::string file = HW_PG_CONNECT_FILE;
    return PostgresConnect(file.insert(file.rfind('/') + 1, "reader-"));
}

// A SQLite fleet of the hand-written PCs in report-pcs.sql, made once per
// test program.
inline const std::string& SampleFleet() {
    static TempDir dir;
    static const std::string file = [] {
        CreateSqliteDatabase(dir.File("fleet.db"), {HW_TEST_DATA "/report-pcs.sql"});
        return dir.File("fleet.db");
    }();
    return file;
}

// A fresh copy of that fleet in `dir` without `table`: a database fault.
inline std::string FleetWithout(const TempDir& dir, const std::string& table) {
    const std::string file = dir.File("broken.db");
    CreateSqliteDatabase(file, {HW_TEST_DATA "/report-pcs.sql"});
    CDataConnection connection;
    connection.Open(SqliteConnect(file).c_str());
    connection.m_database.ExecuteSQL(("DROP TABLE " + table).c_str());
    return file;
}

#define HW_NO_POSTGRES                                 \
    "PostgreSQL is not available: " HW_PG_CONNECT_FILE \
    " is missing; the pg_start test "                  \
    "(tests/pg/pg-server) must run first and its output says why"

// The first column of the first row of a query, as text.
inline std::string QueryText(CDatabase& db, const std::string& sql) {
    struct Text : CRecordset {
        explicit Text(CDatabase* pDb) : CRecordset(pDb) {}
        void DoFieldExchange(CFieldExchange* pFX) override {
            pFX->SetFieldType(CFieldExchange::outputColumn);
            RFX_Text(pFX, "t", m_value, 4096);
        }
        CString m_value;
    } query(&db);
    query.Open(CRecordset::forwardOnly, sql.c_str());
    return query.m_value.str();
}

// One number from a query, e.g. "SELECT COUNT(*) AS n ...".
inline long QueryNumber(CDatabase& db, const std::string& sql) {
    const std::string text = QueryText(db, sql);
    return text.empty() ? 0 : std::stol(text);
}

// A digest of every row of every table of PostgreSQL schema dbo except those
// in `skip` (a quoted list), rows in a fixed order: equal digests before and
// after mean nothing was written.
inline std::string PostgresDigest(CDatabase& db, const std::string& skip = "''") {
    return QueryText(
        db,
        "SELECT md5(string_agg(x, '' ORDER BY x)) FROM (SELECT relname || query_to_xml(format("
        "'SELECT md5(string_agg(t::text, '','' ORDER BY t::text)) AS h FROM dbo.%I t', relname), "
        "false, false, '')::text AS x FROM pg_class c JOIN pg_namespace n ON n.oid = "
        "c.relnamespace WHERE n.nspname = 'dbo' AND c.relkind = 'r' AND relname NOT IN (" +
            skip + ")) s");
}

enum class Backend { SQLite, PostgreSQL };

inline void PrintTo(Backend backend, std::ostream* os) {
    *os << (backend == Backend::SQLite ? "SQLite" : "PostgreSQL");
}
inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
}

// A case written once and run on a fresh SQLite file and on the PostgreSQL
// server (instantiate with HW_ON_BOTH_BACKENDS).
class DatabaseTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        static TempDir scratch;
        static int counter = 0;
        const std::string connect =
            IsPostgres() ? PostgresConnect()
                         : SqliteConnect(scratch.File("test" + std::to_string(++counter) + ".db"));
        ASSERT_FALSE(connect.empty()) << HW_NO_POSTGRES;
        m_connect = connect;
        m_connection.Open(connect.c_str());
        if (IsPostgres()) Exec("CREATE SCHEMA IF NOT EXISTS dbo");
    }
    void Exec(const std::string& sql) { m_connection.m_database.ExecuteSQL(sql.c_str()); }
    // Drops and creates [dbo].[name] with the given column definitions.
    void CreateTable(const std::string& name, const std::string& columns) {
        Exec("DROP TABLE IF EXISTS [dbo].[" + name + "]");
        Exec("CREATE TABLE [dbo].[" + name + "] (" + columns + ")");
    }
    bool IsPostgres() const { return GetParam() == Backend::PostgreSQL; }

    std::string m_connect;  // what m_connection was opened with
    CDataConnection m_connection;
};

// The same, on an empty copy of the shipped hardware schema.
class HardwareDbTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) return;
        if (IsPostgres()) Exec("DROP SCHEMA dbo CASCADE");
        RunSqlFile(
            m_connection.m_database,
            HW_SOURCE_DIR "/schema/" + std::string(IsPostgres() ? "postgresql.sql" : "sqlite.sql"));
    }
};

}  // namespace testdb

#define HW_ON_BOTH_BACKENDS(Fixture)                                             \
    INSTANTIATE_TEST_SUITE_P(                                                    \
        Backends, Fixture,                                                       \
        ::testing::Values(testdb::Backend::SQLite, testdb::Backend::PostgreSQL), \
        testdb::BackendName)
