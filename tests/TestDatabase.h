// Real databases for the tests: a fresh SQLite file built from the shipped
// schema, or the PostgreSQL server that the `pg` test fixture started.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "HardwareList.h"

namespace testdb {

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs every statement of an SQL file; statements end with ";" at a line end.
inline void RunSqlFile(CDatabase& db, const std::string& path) {
    const std::string text = ReadText(path);
    ASSERT_FALSE(text.empty()) << "cannot read " << path;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(";\n", start);
        if (end == std::string::npos) end = text.size();
        std::string statement = text.substr(start, end - start);
        start = end + 2;
        // Drop comment lines; what is left may be blank.
        std::stringstream lines(statement);
        std::string line, sql;
        while (std::getline(lines, line))
            if (line.compare(0, 2, "--") != 0) sql += line + "\n";
        if (sql.find_first_not_of(" \t\r\n") == std::string::npos) continue;
        db.ExecuteSQL(sql.c_str());
    }
}

// A temporary folder removed with everything in it.
class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/hwtest-XXXXXX";
        m_path = mkdtemp(name);
    }
    ~TempDir() {
        std::string command = "rm -rf '" + m_path + "'";
        if (system(command.c_str()) != 0) {
        }
    }
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline std::string SqliteConnect(const std::string& file) { return "Driver=SQLite3;Database=" + file; }

// Creates `file` with the hardware schema and the given data files.
inline void CreateSqliteDatabase(const std::string& file,
                                 std::initializer_list<std::string> dataFiles) {
    CDataConnection connection;
    connection.Open(SqliteConnect(file).c_str());
    RunSqlFile(connection.m_database, HW_SOURCE_DIR "/schema/sqlite.sql");
    for (const std::string& data : dataFiles) RunSqlFile(connection.m_database, data);
}

// The connection string of the test PostgreSQL server, or "" when the `pg`
// test fixture did not start one.
inline std::string PostgresConnect() {
    std::string text = ReadText(HW_PG_CONNECT_FILE);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace testdb
