// The report document, byte for byte, for hand-written PCs in a real SQLite
// database and on PostgreSQL. Database failures: database_faults_test.
//
// Run with HW_UPDATE_EXPECTED=1 to rewrite tests/data/expected/ after a
// deliberate change of the document.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "report/ReportGenerator.h"
#include "tests/ReportSchema.h"
#include "tests/TestDatabase.h"
#include "tests/TestReport.h"

namespace {

const std::string kExpectedDir = HW_TEST_DATA "/expected/";

struct ReportCase {
    int32_t pcId;
    const char* company;
    const char* user;
    const char* expectedFile;
};

std::string BuildDocument(CDataConnection& connection, const ReportCase& c) {
    const DisplayRequest request = testreport::Request(connection, c.pcId, c.company, c.user);
    CString document;
    EXPECT_TRUE(ReportGenerator("").BuildDocument(&request, document));
    return document.str();
}

void CompareWithExpected(const std::string& document, const std::string& name) {
    const std::string path = kExpectedDir + name;
    if (getenv("HW_UPDATE_EXPECTED")) {
        std::ofstream(path, std::ios::binary) << document;
        return;
    }
    const std::string expected = testdb::ReadText(path);
    ASSERT_FALSE(expected.empty())
        << "no expected document " << path << " (run with HW_UPDATE_EXPECTED=1 to create it)";
    EXPECT_EQ(document, expected) << "document differs from " << path;
}

const ReportCase kCases[] = {
    {1, "Müller & Söhne <GmbH> \"Nord\"", "o'neil\tand\r\nfriends", "pc1-frame-only.xml"},
    {2, "Acme Corp", "admin", "pc2-full-desktop.xml"},
    {3, "", "", "pc3-bios-summary-only.xml"},
    {4, "Acme Corp", "admin", "pc4-bios-rows-without-row-0.xml"},
    {5, "Acme Corp", "admin", "pc5-additional-instances.xml"},
    {6, "Acme Corp", "admin", "pc6-additional-boxes.xml"},
};

TEST(ReportDocument, MatchesTheExpectedDocumentsByteForByte) {
    CDataConnection connection;
    connection.Open(testdb::SqliteConnect(testdb::SampleFleet()).c_str());
    for (const ReportCase& c : kCases) {
        SCOPED_TRACE(c.expectedFile);
        const std::string document = BuildDocument(connection, c);
        CompareWithExpected(document, c.expectedFile);
        std::string problem;
        EXPECT_TRUE(report_schema::IsValidReport(document, problem)) << problem;
    }
}

TEST(ReportDocument, PostgresGivesTheSameBytesAsSqlite) {
    const std::string connect = testdb::PostgresConnect();
    ASSERT_FALSE(connect.empty()) << HW_NO_POSTGRES;
    CDataConnection connection;
    connection.Open(connect.c_str());
    connection.m_database.ExecuteSQL("DROP SCHEMA IF EXISTS dbo CASCADE");
    testdb::RunSqlFile(connection.m_database, HW_SOURCE_DIR "/schema/postgresql.sql");
    testdb::RunSqlFile(connection.m_database, HW_TEST_DATA "/report-pcs.sql");
    for (const ReportCase& c : kCases) {
        SCOPED_TRACE(c.expectedFile);
        EXPECT_EQ(BuildDocument(connection, c), testdb::ReadText(kExpectedDir + c.expectedFile));
    }
}

}  // namespace
