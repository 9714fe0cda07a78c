// A generated fleet end to end: every PC of it reports as a valid document,
// a PC is named as people name it, and the fleet list and queries export
// what strict parsers read back.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/FleetIndex.h"
#include "tests/ReportSchema.h"
#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

class SampleFleet : public GeneratedFleet<1000, 7> {
protected:
    static void Exec(const std::string& sql) {
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(Db()).c_str());
        connection.m_database.ExecuteSQL(sql.c_str());
    }
    static ProcessResult Report(const std::string& pc) {
        return RunConsole({"report", "--db", Db(), "--pc", pc, "--format", "text"});
    }
};

// The report files in `dir`, beside the index.
std::vector<std::string> ReportFiles(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d))
            if (strncmp(entry->d_name, "pc-", 3) == 0) names.emplace_back(entry->d_name);
        closedir(d);
    }
    return names;
}

TEST_F(SampleFleet, EveryPcReportsAsAValidDocument) {
    testdb::TempDir dir;
    const std::string out = dir.File("xml");
    ProcessResult batch = RunConsole(
        {"batch", "--db", Db(), "--all", "--format", "xml", "--jobs", "2", "--out-dir", out});
    ASSERT_EQ(batch.exitCode, 0) << batch.err;

    const std::vector<std::string> files = ReportFiles(out);
    ASSERT_EQ(files.size(), 1000u);
    int invalid = 0;
    for (const std::string& name : files) {
        std::string problem;
        if (!report_schema::IsValidReport(testdb::ReadText(out + "/" + name), problem) &&
            ++invalid <= 3)
            ADD_FAILURE() << name << ": " << problem;
    }
    EXPECT_EQ(invalid, 0);
}

TEST_F(SampleFleet, APcIsNamedByHostNameSerialNumberOrAssetTag) {
    // A PC whose serial number and asset tag are its own.
    const std::string id =
        Sql("SELECT MIN(ID) FROM PCIdentity i WHERE AssetTag LIKE 'BR-%' AND ID > 3 AND "
            "(SELECT COUNT(*) FROM PCIdentity j WHERE j.SerialNumber = i.SerialNumber) = 1");
    ASSERT_FALSE(id.empty());
    const std::string host = Sql("SELECT HostName FROM PCIdentity WHERE ID = " + id);
    const ProcessResult byId = Report(id);
    ASSERT_EQ(byId.exitCode, 0) << byId.err;
    std::string lowerHost = host;
    for (char& ch : lowerHost) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    for (const std::string& name :
         {host, lowerHost, Sql("SELECT SerialNumber FROM PCIdentity WHERE ID = " + id),
          Sql("SELECT AssetTag FROM PCIdentity WHERE ID = " + id)}) {
        const ProcessResult r = Report(name);
        EXPECT_EQ(r.exitCode, 0) << name << ": " << r.err;
        EXPECT_EQ(r.out, byId.out) << name;
    }

    // Many white-box PCs report the firmware's placeholder as serial number.
    ProcessResult shared = Report("System Serial Number");
    EXPECT_EQ(shared.exitCode, 2);
    EXPECT_TRUE(shared.out.empty());
    EXPECT_NE(shared.err.find("'System Serial Number' could be any of these PCs; name one by its "
                              "ID:\n  ID "),
              std::string::npos)
        << shared.err;
    EXPECT_NE(shared.err.find("  System Serial Number  "), std::string::npos) << shared.err;

    testdb::TempDir dir;
    ProcessResult batch = RunConsole(
        {"batch", "--db", Db(), "--pcs", "1," + host + "," + id, "--out-dir", dir.Path()});
    EXPECT_EQ(batch.exitCode, 0) << batch.err;
    EXPECT_EQ(ReportFiles(dir.Path()).size(), 2u) << "a PC named twice is reported once";
    ProcessResult ambiguous = RunConsole(
        {"batch", "--db", Db(), "--pcs", "1,System Serial Number", "--out-dir", dir.File("no")});
    EXPECT_EQ(ambiguous.exitCode, 2) << ambiguous.err;
    EXPECT_TRUE(ReportFiles(dir.File("no")).empty());

    // A number is an ID, unless only another PC carries it as a name; one
    // that is both is ambiguous.
    Exec("UPDATE PCIdentity SET AssetTag = '424242' WHERE ID = " + id);
    EXPECT_EQ(Report("424242").out, byId.out);
    Exec("UPDATE PCIdentity SET AssetTag = '3' WHERE ID = " + id);
    ProcessResult both = Report("3");
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_NE(both.err.find("  ID 3  "), std::string::npos) << both.err;
    EXPECT_NE(both.err.find("  ID " + id + "  " + host), std::string::npos) << both.err;
}

// Runs python3 on `script` with `files` as its arguments.
ProcessResult Python(const std::string& script, std::vector<std::string> files) {
    files.insert(files.begin(), {HW_PYTHON, "-c", script});
    return RunProcess(files);
}

TEST_F(SampleFleet, ExportsReadBackThroughStrictParsers) {
    // Values with the characters CSV quotes, and text a spreadsheet must keep.
    const std::string odd = "Comma, \"quote\"\nnew line Ünïcode 日本";
    {
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(Db()).c_str());
        connection.m_database.ExecuteSQL(
            ("UPDATE SystemOverview SET Name = '" + odd + "' WHERE ID = 3").c_str());
        RefreshFleetIndex(connection.m_database, 3, 3);
    }
    testdb::TempDir dir;
    const std::vector<std::vector<std::string>> exports = {
        {"list", "--sort", "id", "--limit", "5"},
        {"list", "--q", "ÜNÏCODE 日"},  // any case, any script
        {"query", "--sql", "SELECT ID, Name, Memory FROM SystemOverview WHERE ID < 6 ORDER BY ID"},
    };
    std::vector<std::string> files;
    for (size_t i = 0; i < exports.size(); ++i)
        for (const char* format : {"csv", "json"}) {
            files.push_back(dir.File(std::to_string(i) + "." + format));
            std::vector<std::string> args = exports[i];
            args.insert(args.begin() + 1, {"--db", Db()});
            args.insert(args.end(), {"--format", format, "--out", files.back()});
            ProcessResult r = RunConsole(args);
            ASSERT_EQ(r.exitCode, 0) << r.err;
        }
    // Each CSV file as Python's strict reader sees it must equal its JSON
    // twin; printed as one JSON line of the records.
    ProcessResult python = Python(R"(
import csv, json, sys
out = []
for name in sys.argv[1:]:
    if name.endswith('.json'):
        continue
    with open(name, newline='', encoding='utf-8') as f:
        records = list(csv.reader(f, strict=True))
    with open(name[:-3] + 'json', encoding='utf-8') as f:
        objects = json.load(f)
    assert records[0] == list(objects[0].keys()), (records[0], objects[0])
    for record, obj in zip(records[1:], objects):
        assert record == ['' if v is None else str(v) for v in obj.values()], (record, obj)
    out.append(records)
print(json.dumps(out, ensure_ascii=False))
)",
                                  files);
    ASSERT_EQ(python.exitCode, 0) << python.err;
    const std::string quoted = "\"Comma, \\\"quote\\\"\\nnew line Ünïcode 日本\"";
    EXPECT_NE(python.out.find("[\"3\", " + quoted), std::string::npos) << python.out;
    EXPECT_NE(python.out.find("[[\"ID\", \"Name\", \"Manufacturer\", \"Model\", \"OS\", \"CPU\", "
                              "\"MemoryMB\", \"LastInventory\"], [\"3\", " +
                              quoted),
              std::string::npos)
        << "the search found PC 3 alone\n"
        << python.out;
    EXPECT_NE(python.out.find("[\"3\", \"Comma, \\\"quote\\\"new line Ünïcode 日本\", "),
              std::string::npos)
        << "a query carries what its page shows: line breaks are dropped\n"
        << python.out;

    const std::string csv = testdb::ReadText(files[0]);
    EXPECT_EQ(csv.rfind("ID,Name,Manufacturer,Model,OS,CPU,MemoryMB,LastInventory\r\n1,", 0), 0u)
        << csv;
    EXPECT_NE(csv.find("\r\n3,\"Comma, \"\"quote\"\"\nnew line"), std::string::npos) << csv;
}

}  // namespace
