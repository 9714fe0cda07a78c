// The hardware schema of schema/, created afresh for every test on the
// backends of db_test_support.h (a new SQLite file, or the pg fixture's
// server, whose tests run one at a time).
#pragma once

#include <cstdarg>
#include <fstream>
#include <string>
#include <vector>

#include "db_test_support.h"

namespace hwtest {

class HardwareDbTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) return;
        const std::string file = IsPostgres() ? "postgresql.sql" : "sqlite.sql";
        for (const std::string& statement : SchemaStatements(HW_SOURCE_DIR "/schema/" + file)) {
            const std::string create = "CREATE TABLE ";
            const size_t at = statement.find(create);
            if (at != std::string::npos) {
                const size_t name = at + create.size();
                Exec("DROP TABLE IF EXISTS " +
                     statement.substr(name, statement.find(' ', name) - name));
            }
            Exec(statement);
        }
    }

    CDataConnection* Conn() { return &m_connection; }

    // Runs one statement built printf-style; plain names work on both backends.
    void Execf(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        CString sql;
        va_list args;
        va_start(args, format);
        sql.FormatV(format, args);
        va_end(args);
        Exec(sql.str());
    }

private:
    // The file's statements: comment lines dropped, split at ";".
    static std::vector<std::string> SchemaStatements(const std::string& path) {
        std::ifstream in(path);
        EXPECT_TRUE(in) << "cannot read " << path;
        std::string line, text;
        while (std::getline(in, line))
            if (line.rfind("--", 0) != 0) text += line + "\n";
        std::vector<std::string> statements;
        size_t start = 0, end;
        while ((end = text.find(';', start)) != std::string::npos) {
            statements.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return statements;
    }
};

}  // namespace hwtest
