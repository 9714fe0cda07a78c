#include "TestDatabase.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

const char* const kTables[] = {
    "BIOS",
    "CPU",
    "DiskDrive",
    "Keyboard",
    "LogicalDisk",
    "Monitor",
    "MotherBoard",
    "NetworkAdapter",
    "NetworkIPAddress",
    "PeripheralDevice",
    "PhysicalMemory",
    "PointingDevice",
    "Printer",
    "SoundCard",
    "SystemOverview",
    "SystemSlot",
    "VideoAdapter",
    "AdditionalHardware",
};

// The schema file's statements: comment lines dropped, split at ";".
std::vector<std::string> SchemaStatements(const std::string& path) {
    std::ifstream in(path);
    std::string line, text;
    while (std::getline(in, line))
        if (line.rfind("--", 0) != 0) text += line + "\n";
    std::vector<std::string> statements;
    std::istringstream parts(text);
    std::string statement;
    while (std::getline(parts, statement, ';'))
        if (statement.find_first_not_of(" \r\n\t") != std::string::npos)
            statements.push_back(statement);
    return statements;
}

}  // namespace

std::string TestBackendName(TestBackend backend) {
    return backend == TestBackend::SQLite ? "SQLite" : "PostgreSQL";
}

TestDatabase::TestDatabase(TestBackend backend) {
    try {
        if (backend == TestBackend::SQLite) {
            static int s_nCount = 0;
            m_file = std::string(HW_BUILD_DIR) + "/hwtest-" + std::to_string(getpid()) + "-" +
                     std::to_string(++s_nCount) + ".db";
            std::remove(m_file.c_str());
            m_connection.Open(("Driver=SQLite3;Database=" + m_file).c_str());
            for (const std::string& statement :
                 SchemaStatements(std::string(HW_SOURCE_DIR) + "/schema/sqlite.sql"))
                m_connection.m_database.ExecuteSQL(statement.c_str());
        } else {
            const char* pszConnect = std::getenv("HW_PG_CONNECT");
            if (!pszConnect || !*pszConnect) {
                m_reason = "HW_PG_CONNECT is not set (run through ctest's pg fixture)";
                return;
            }
            m_connection.Open(pszConnect);
        }
        m_bAvailable = true;
    } catch (const CDBException& e) {
        m_reason = std::string("cannot open the test database: ") + e.what();
    }
}

TestDatabase::~TestDatabase() {
    m_connection.Close();
    if (!m_file.empty()) std::remove(m_file.c_str());
}

void TestDatabase::Exec(const char* format, ...) {
    CString sql;
    va_list args;
    va_start(args, format);
    sql.FormatV(format, args);
    va_end(args);
    m_connection.m_database.ExecuteSQL(sql);
}

LONG TestDatabase::PcBase() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    uint32_t hash = 2166136261u;
    for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
    const LONG base = static_cast<LONG>(100000 + (hash % 200000) * 100);
    for (const char* table : kTables)
        Exec("DELETE FROM dbo.%s WHERE ID >= %d AND ID < %d", table, base, base + 100);
    return base;
}
