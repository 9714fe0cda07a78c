// Importing inventories as a user does it: the real hwconsole and the real
// component's report, public inventories of Windows, macOS and Linux
// machines, this machine's own through the Debian agents, real SQLite and
// PostgreSQL. And the library's matching and transactions, in process.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "import/ImportRun.h"
#include "import/InventoryMapping.h"
#include "import/Placeholders.h"
#include "import/XmlInventoryReader.h"
#include "platform/Statement.h"
#include "tests/ReportSchema.h"
#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

const std::string kInventories = HW_TEST_DATA "/inventories/";

ProcessResult Import(std::vector<std::string> args) {
    args.insert(args.begin(), "import");
    return RunConsole(args);
}

// The report document of one PC; `database` is {"--db", FILE} or {"--connect", STRING}.
std::string ReportOf(const std::vector<std::string>& database, int pc) {
    std::vector<std::string> args{"report"};
    args.insert(args.end(), database.begin(), database.end());
    args.insert(args.end(), {"--pc", std::to_string(pc), "--format", "xml"});
    const ProcessResult r = RunConsole(args);
    EXPECT_EQ(r.exitCode, 0) << "report of PC " << pc << ": " << r.err;
    std::string errors;
    EXPECT_TRUE(report_schema::IsValidReport(r.out, errors)) << "PC " << pc << ": " << errors;
    return r.out;
}

// The PC an `import` run reported for `file`, or 0.
int PcOf(const std::string& out, const std::string& file) {
    const std::string line = "imported " + file + " as PC ";
    const size_t at = out.find(line);
    return at == std::string::npos ? 0 : std::stoi(out.substr(at + line.size()));
}

// The text after `label` on its line, blanks and a ':' trimmed; "" when absent.
std::string ValueAfter(const std::string& text, const std::string& label) {
    size_t at = text.find(label);
    if (at == std::string::npos) return "";
    at = text.find_first_not_of(" \t:", at + label.size());
    return text.substr(at, text.find('\n', at) - at);
}

// What each real inventory must show in its report, line for line as the
// document writes it.
struct Sample {
    const char* file;
    std::vector<const char*> shows;
};

const std::vector<Sample>& Samples() {
    static const std::vector<Sample> samples = {
        {"windows-8.1.xml",
         {"<SystemName>pc-arg-23</SystemName>",
          "<OperatingSystem>Microsoft Windows 8.1 Professionnel</OperatingSystem>",
          "<BIOSVersion>68CSU Ver. F.06</BIOSVersion>", "<SerialNumber>CZC0479792</SerialNumber>",
          "<Manufacturer>Hewlett-Packard</Manufacturer>\n<Model>HP EliteBook 2540p</Model>",
          "<Name>Intel(R) Core(TM) i5 CPU M 540 @ 2.53GHz</Name>",
          "<Name>Bottom-Slot 1(left)</Name>\n<Capacity>2048 MB</Capacity>",
          "<Name>Bottom-Slot 2(right)</Name>\n<Capacity>2048 MB</Capacity>",
          "<MacAddress>68:B5:99:E6:84:EB</MacAddress>",
          "<MacAddress>00:22:10:D4:3E:74</MacAddress>",
          "<DeviceID>C:</DeviceID>\n<Size>112.42 GB</Size>", "<DeviceID>D:</DeviceID>",
          "<Name>DELL 1707FP</Name>\n<Resolution>1280x1024</Resolution>",
          "<Name>Asset tag</Name>\n<Value>3923</Value>", "<Value>10800 mV</Value>"}},
        {"macos-10.13.xml",
         {"<SystemName>iMac de Marie</SystemName>", "<OperatingSystem>macOS</OperatingSystem>",
          "<BIOSVersion>IM151.0217.B00</BIOSVersion>", "<SerialNumber>C02NG5A5FY11</SerialNumber>",
          "<Manufacturer>Apple Inc.</Manufacturer>\n<Model>iMac15,1</Model>",
          "<Name>Intel(R) Core(TM) i5-4690 CPU @ 3.50GHz</Name>",
          "<Name>Status: OK</Name>\n<Capacity>4096 MB</Capacity>",
          "<Name>Status: Empty</Name>\n<Capacity>0 MB</Capacity>",
          "<MacAddress>0C:4D:E9:CD:A4:C8</MacAddress>",
          "<DeviceID>/</DeviceID>\n<Size>1032.55 GB</Size>", "<Name>iMac</Name>"}},
        {"fedora-31.json",
         {"<SystemName>glpixps</SystemName>",
          "<OperatingSystem>Fedora 31 (Workstation Edition)</OperatingSystem>",
          "<BIOSVersion>1.4.3</BIOSVersion>", "<SerialNumber>640HP72</SerialNumber>",
          "<Manufacturer>Dell Inc.</Manufacturer>\n<Model>XPS 13 9350</Model>",
          "<Name>Intel(R) Core(TM) i5-6200U CPU @ 2.30GHz</Name>",
          "<Name>System Board Memory</Name>\n<Capacity>4096 MB</Capacity>",
          "<MacAddress>00:E0:4C:68:01:DB</MacAddress>",
          "<MacAddress>44:85:00:2B:90:BC</MacAddress>", "<DeviceID>/var/lib/mysql</DeviceID>",
          "<DeviceID>/boot/efi</DeviceID>", "<Name>DJCP6</Name>"}},
        {"computer_3.json.gz",
         {"<SystemName>LF014</SystemName>", "<Name>DIMM0</Name>\n<Capacity>2048 MB</Capacity>",
          "<Name>PL2480H</Name>", "<Name>N133BGE-EAA CMN N133BGE-EAA</Name>",
          "<DeviceID>/</DeviceID>\n<Size>49.09 GB</Size>"}},
    };
    return samples;
}

// Real inventories into a new SQLite file, then the same files again (no
// change), an updated inventory (old rows gone) and an older one (skipped).
TEST(ImportSqlite, RealInventoriesShowInTheReportAndReplaceTheirPcsRows) {
    testdb::TempDir dir;
    const std::string db = dir.File("new.db");
    const std::string broken = dir.File("broken.json");
    testdb::WriteText(broken, "{\"deviceid\": \"x\", \"content\": {");
    std::vector<std::string> args{"--db", db, "--jobs", "2"};
    for (const Sample& s : Samples()) args.push_back(kInventories + s.file);
    args.push_back(broken);

    ProcessResult r = Import(args);
    EXPECT_EQ(r.exitCode, 1) << "one inventory failed";
    EXPECT_NE(r.err.find(broken + ": the JSON is not valid"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("4 new, 0 updated, 0 unchanged, 0 skipped as older, 1 failed"),
              std::string::npos)
        << r.out;
    int computer3 = 0;
    for (const Sample& s : Samples()) {
        const int pc = PcOf(r.out, kInventories + s.file);
        ASSERT_GT(pc, 0) << s.file << " not imported: " << r.out << r.err;
        const std::string report = ReportOf({"--db", db}, pc);
        for (const char* line : s.shows)
            EXPECT_NE(report.find(line), std::string::npos) << s.file << ": " << line;
        computer3 = pc;
    }
    EXPECT_EQ(testdb::CountOf(ReportOf({"--db", db}, computer3), "<Monitor>"), 2u);

    // The same files again: nothing to write, and the file stays as it was.
    const std::string before = SqliteDump(db);
    args.pop_back();
    r = Import(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(testdb::CountOf(r.out, "(unchanged)"), Samples().size()) << r.out;
    EXPECT_EQ(SqliteDump(db), before);

    // The same machine months later: one monitor fewer, more memory.
    r = Import({"--db", db, kInventories + "computer_3_updated.json.gz"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(PcOf(r.out, kInventories + "computer_3_updated.json.gz"), computer3) << r.out;
    EXPECT_NE(r.out.find("(updated)"), std::string::npos) << r.out;
    const std::string updated = ReportOf({"--db", db}, computer3);
    EXPECT_EQ(testdb::CountOf(updated, "<Monitor>"), 1u) << "the removed monitor is gone";
    EXPECT_NE(updated.find("<Name>DIMM0</Name>\n<Capacity>4096 MB</Capacity>"), std::string::npos);
    EXPECT_EQ(updated.find("2048 MB"), std::string::npos) << "no stale memory row";

    // The older inventory is skipped, with a message, and writes nothing.
    const std::string afterUpdate = SqliteDump(db);
    r = Import({"--db", db, kInventories + "computer_3.json.gz"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("is older than the one stored for PC " + std::to_string(computer3)),
              std::string::npos)
        << r.out;
    EXPECT_EQ(SqliteDump(db), afterUpdate);

    // The fleet list and a batch's index show the imported PCs as they are now.
    const ProcessResult list = RunConsole({"list", "--db", db, "--q", "lf014", "--format", "csv"});
    EXPECT_EQ(list.out, "ID,Name,Manufacturer,Model,OS,CPU,MemoryMB,LastInventory\r\n" +
                            std::to_string(computer3) +
                            ",LF014,TOSHIBA,PORTEGE Z30-A,Fedora release 25 (Twenty Five),"
                            "Intel(R) Core(TM) i5-4210U CPU @ 1.70GHz,7908,2017-06-09T07:00:49Z\r\n")
        << list.err;
    r = RunConsole({"batch", "--db", db, "--all", "--out-dir", dir.File("pages")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string index = testdb::ReadText(dir.File("pages/index.html"));
    for (const char* name : {"pc-arg-23", "iMac de Marie", "glpixps", "LF014"})
        EXPECT_NE(index.find("\">" + std::string(name) + "</a>"), std::string::npos) << index;
}

// PostgreSQL gets the same rows: every report is byte for byte the SQLite one.
TEST(ImportPostgres, GivesTheSameReportsAsSqlite) {
    const std::string connect = testdb::PostgresConnect();
    ASSERT_FALSE(connect.empty()) << HW_NO_POSTGRES;
    {
        CDataConnection setup;
        setup.Open(connect.c_str());
        setup.m_database.ExecuteSQL("DROP SCHEMA IF EXISTS dbo CASCADE");
        testdb::RunSqlFile(setup.m_database, HW_SOURCE_DIR "/schema/postgresql.sql");
    }
    testdb::TempDir dir;
    const std::string db = dir.File("same.db");
    std::vector<std::string> files;
    for (const Sample& s : Samples()) files.push_back(kInventories + s.file);
    files.push_back(kInventories + "edge-cases.xml");
    for (const std::vector<std::string>& database :
         {std::vector<std::string>{"--db", db}, std::vector<std::string>{"--connect", connect}}) {
        std::vector<std::string> args = database;
        args.insert(args.end(), files.begin(), files.end());
        const ProcessResult r = Import(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    for (int pc = 1; pc <= static_cast<int>(files.size()); ++pc)
        EXPECT_EQ(ReportOf({"--connect", connect}, pc), ReportOf({"--db", db}, pc)) << "PC " << pc;
}

// Inputs that are not inventories: each refused with its reason, nothing
// written, and no file the input points at is ever read.
TEST(ImportSqlite, BadInputIsRefusedWithItsReasonAndChangesNothing) {
    testdb::TempDir dir;
    const std::string db = dir.File("fleet.db");
    testdb::CreateSqliteDatabase(db, {HW_TEST_DATA "/report-pcs.sql"});
    const std::string secret = dir.File("secret.txt");
    testdb::WriteText(secret, "TOP-SECRET-CONTENT");
    const std::string head = "<?xml version=\"1.0\"?>\n";
    const std::string inventory =
        "<REQUEST><CONTENT><HARDWARE><NAME>%s</NAME></HARDWARE></CONTENT>"
        "<DEVICEID>bad</DEVICEID><QUERY>INVENTORY</QUERY></REQUEST>";
    auto withName = [&](const std::string& name) {
        std::string text = head + inventory;
        return text.replace(text.find("%s"), 2, name);
    };
    auto compressed = [](const std::string& text) {
        uLongf size = compressBound(text.size());
        std::string out(size, '\0');
        compress2(reinterpret_cast<Bytef*>(&out[0]), &size,
                  reinterpret_cast<const Bytef*>(text.data()), text.size(), 9);
        out.resize(size);
        return out;
    };
    const std::string windows = testdb::ReadText(kInventories + "windows-8.1.xml");
    auto many = [](const char* format) {  // 100,000 times, numbered
        std::string text;
        char one[32];
        for (int i = 0; i < 100000; ++i) text += (snprintf(one, sizeof one, format, i), one);
        return text;
    };
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"text.txt", "Hello, world", "not an XML or JSON inventory"},
        {"empty.xml", "", "the input is empty"},
        {"html.xml", head + "<html><body/></html>", "root element is <html>"},
        {"truncated.xml", windows.substr(0, windows.size() / 2), "not well-formed (line"},
        {"truncated.json", "{\"deviceid\": \"x\", \"content\": {\"hardware\": {\"name\": \"a",
         "the JSON is not valid"},
        {"external.xml",
         head + "<!DOCTYPE REQUEST [<!ENTITY s SYSTEM \"file://" + secret + "\">]>" +
             withName("&s;"),
         "has a DOCTYPE"},
        {"laughs.xml",
         head +
             "<!DOCTYPE REQUEST [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>" +
             withName("&b;&b;&b;&b;"),
         "has a DOCTYPE"},
        {"bomb.zz", compressed("<" + std::string(65u << 20, ' ')), "inflates past the 64 MB limit"},
        {"huge.xml", withName(std::string(100u << 20, 'x')), "over the 64 MB limit"},
        {"latin1.xml", withName("Caf\xE9"), "Input is not proper UTF-8"},
        {"latin1.json",
         "{\"deviceid\": \"x\", \"content\": {\"hardware\": {\"name\": \"Caf\xE9\"}}}",
         "ill-formed UTF-8"},
        {"fffe.xml", withName("a&#xFFFE;"), "not well-formed"},
        {"fffe.json",
         "{\"deviceid\": \"x\", \"content\": {\"hardware\": {\"name\": \"a\\ufffe\"}}}",
         "HARDWARE/NAME holds the non-character U+FFFE"},
        {"twice.xml",
         head + "<REQUEST><CONTENT><BIOS/><HARDWARE/><BIOS/></CONTENT><QUERY>INVENTORY</QUERY></"
                "REQUEST>",
         "holds the section <BIOS> twice"},
        {"twice.json", "{\"content\": {\"hardware\": {}, \"hardware\": {}}}",
         "holds the key \"hardware\" twice"},
        {"prolog.xml", head + "<REQUEST><DEVICEID>x</DEVICEID><QUERY>PROLOG</QUERY></REQUEST>",
         "a PROLOG request, not an INVENTORY"},
        {"partial.json", "{\"deviceid\": \"x\", \"partial\": true, \"content\": {\"cpus\": []}}",
         "partial"},
        // Shapes that keep libxml2 busy for minutes unless refused first.
        {"attributes.xml",
         "<REQUEST><CONTENT><HARDWARE " + many(" a%d=''") + "/></CONTENT></REQUEST>",
         "more than 64 attributes"},
        {"names.xml",
         "<REQUEST><CONTENT><HARDWARE>" + many("<f%d/>") + "</HARDWARE></CONTENT></REQUEST>",
         "more than 5000 different names"},
    };
    std::vector<std::string> args{"--db", db};
    for (const auto& c : cases) {
        testdb::WriteText(dir.File(c.name), c.bytes);
        args.push_back(dir.File(c.name));
    }
    const std::string before = SqliteDump(db);
    const ProcessResult r = Import(args);
    EXPECT_EQ(r.exitCode, 1);
    for (const auto& c : cases) {
        const size_t at = r.err.find(dir.File(c.name) + ": ");
        ASSERT_NE(at, std::string::npos) << c.name << " not named: " << r.err;
        const std::string line = r.err.substr(at, r.err.find('\n', at) - at);
        EXPECT_NE(line.find(c.reason), std::string::npos) << line;
    }
    EXPECT_NE(r.out.find("0 new, 0 updated, 0 unchanged, 0 skipped as older, 19 failed"),
              std::string::npos)
        << r.out;
    const std::string after = SqliteDump(db);
    EXPECT_EQ(after, before);
    EXPECT_EQ(after.find("TOP-SECRET"), std::string::npos);
}

// The mapping's edges (hand-made) and markup in every value of a real
// inventory: the report stays well-formed and valid, values show as text,
// numbers that do not parse become 0 with a warning.
TEST(ImportSqlite, EdgeValuesAndMarkupEverywhereShowAsText) {
    testdb::TempDir dir;
    const std::string db = dir.File("edges.db");
    // Every value of the Windows sample wrapped in markup, the request's kind kept.
    const std::string windows = testdb::ReadText(kInventories + "windows-8.1.xml");
    std::string marked;
    size_t at = 0;
    for (size_t close; (close = windows.find("</", at)) != std::string::npos; at = close) {
        const size_t open = windows.rfind('>', close) + 1;  // the value runs from here to close
        const std::string value = windows.substr(open, close - open);
        const bool text = open > at && !value.empty() && value != "INVENTORY" &&
                          !isspace(static_cast<unsigned char>(value[0]));
        marked += windows.substr(at, open - at) +
                  (text ? "&lt;b&gt;" + value + " AT&amp;T&lt;/b&gt;" : value) + "</";
        close += 2;
    }
    marked += windows.substr(at);
    testdb::WriteText(dir.File("marked.xml"), marked);
    const ProcessResult r =
        Import({"--db", db, kInventories + "edge-cases.xml", dir.File("marked.xml")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* warning : {"HARDWARE/MEMORY -512 is negative: 0 stored",
                                "CPUS/SPEED \"fast\" is not a number: 0 stored",
                                "CPUS/SPEED 99999999999 is out of range: 0 stored"})
        EXPECT_NE(r.err.find(warning), std::string::npos) << warning << "\n" << r.err;

    const std::string edges = ReportOf({"--db", db}, 1);
    // The agent's TAG is the PC's asset tag, a name it goes by.
    EXPECT_EQ(RunConsole({"report", "--db", db, "--pc", "inv-0042", "--format", "xml"}).out, edges);
    {
        // An agent without its own version line is known by its provider's.
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(db).c_str());
        EXPECT_EQ(
            testdb::QueryText(connection.m_database, "SELECT Agent FROM PCIdentity WHERE ID = 1"),
            "FusionInventory 2.6");
    }
    for (const char* line :
         {"<PhysicalMemory>0 MB</PhysicalMemory>",
          "<Name>Vendor \"Quad\" &amp; &lt;Co&gt;</Name>\n<CPUManufacturer/>\n<ClockSpeed>0 MHz",
          "<ClockSpeed>2400 MHz</ClockSpeed>", "<Name>DIMM 0</Name>\n<Capacity>8192 MB</Capacity>",
          "<Name>DIMM 1</Name>\n<Capacity>0 MB</Capacity>",
          "<InUse>AT&amp;T &lt;in use&gt;</InUse>", "<InUse>In Use</InUse>",
          // Two addresses of one adapter: the address list; one: the row.
          "<Name>eth1</Name>\n<IPAddresses><NetworkIPAddress><IPAddress>10.0.0.5</IPAddress>",
          "<IPAddress>10.0.0.6</IPAddress>", "<MacAddress>AA:BB:CC:DD:EE:FF</MacAddress>",
          "<Name>wlan0</Name>\n<IPAddress>192.168.1.7</IPAddress>",
          "<DeviceID>C:</DeviceID>\n<Size>1.00 GB</Size>\n<FreeSpace>0.25 GB</FreeSpace>",
          "<CDROM>\n<Name>DVD-RW Drive</Name>", "<SerialPort>\n<Name>COM1</Name>",
          "<Name>Cost centre</Name>\n<Value>R&amp;D &lt;lab&gt;</Value>",
          "<InstallDate>2023-12-31</InstallDate>", "<Value>2023-01-31</Value>"})
        EXPECT_NE(edges.find(line), std::string::npos) << line;
    // Loopback and placeholder MACs are not adapters; a RAM disk is no drive.
    for (const char* absent : {"<Name>lo</Name>", "tun0", "zram0", "USB 1"})
        EXPECT_EQ(edges.find(absent), std::string::npos) << absent;
    // A disc drive that names no file system is never a disk running full.
    const ProcessResult lowDisk =
        RunConsole({"query", "--db", db, "--named", "low-disk", "--format", "csv"});
    EXPECT_NE(lowDisk.out.find(",F:,NTFS,"), std::string::npos) << lowDisk.out << lowDisk.err;
    EXPECT_EQ(lowDisk.out.find("E:"), std::string::npos) << lowDisk.out;
    // 254 ASCII letters and a two-byte letter: cut before the letter.
    EXPECT_NE(edges.find("<Name>" + std::string(254, 'x') + "</Name>"), std::string::npos);

    const std::string markedReport = ReportOf({"--db", db}, 2);
    EXPECT_NE(markedReport.find("<InUse>&lt;b&gt;free AT&amp;T&lt;/b&gt;</InUse>"),
              std::string::npos);
    EXPECT_NE(markedReport.find("<SystemName>&lt;b&gt;pc-arg-23 AT&amp;T&lt;/b&gt;</SystemName>"),
              std::string::npos);
}

// This machine, inventoried by both Debian agents: its host name, processor,
// memory and root file system.
TEST(ImportSqlite, ThisMachineThroughTheDebianAgents) {
    testdb::TempDir dir;
    const ProcessResult fusion = RunProcess({"/usr/bin/fusioninventory-inventory"});
    ASSERT_EQ(fusion.exitCode, 0) << "scripts/install-deps installs fusioninventory-agent: "
                                  << fusion.err;
    testdb::WriteText(dir.File("fusion.xml"), fusion.out);
    // Its own folders, so that Debian's configuration (reports under /var/lib) stays untouched.
    ASSERT_EQ(mkdir(dir.File("ocs").c_str(), 0700), 0);
    const ProcessResult ocs =
        RunProcess({"/usr/bin/ocsinventory-agent", "--local=" + dir.File("ocs"),
                    "--basevardir=" + dir.File("state"), "--nosoftware"});
    ASSERT_EQ(ocs.exitCode, 0) << "scripts/install-deps installs ocsinventory-agent: " << ocs.err;

    const std::string db = dir.File("self.db");
    const ProcessResult r = Import({"--db", db, dir.File("fusion.xml"), dir.File("ocs")});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    // One PC or two: on hardware with a real UUID the second agent's
    // inventory finds the first one's PC.
    std::vector<int> pcs;
    for (size_t at = r.out.find(" as PC "); at != std::string::npos;
         at = r.out.find(" as PC ", at + 1))
        pcs.push_back(std::stoi(r.out.substr(at + 7)));
    ASSERT_EQ(pcs.size(), 2u) << r.out;

    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const std::string model = ValueAfter(testdb::ReadText("/proc/cpuinfo"), "model name");
    ASSERT_FALSE(model.empty());
    const double totalMb =
        std::stod(ValueAfter(testdb::ReadText("/proc/meminfo"), "MemTotal")) / 1024;
    for (int pc : pcs) {
        const std::string report = ReportOf({"--db", db}, pc);
        EXPECT_NE(
            report.find("<SystemName>" + std::string(host).substr(0, std::string(host).find('.'))),
            std::string::npos)
            << "PC " << pc;
        EXPECT_NE(report.find("<Name>" + model), std::string::npos) << model << " on PC " << pc;
        EXPECT_NEAR(std::stod(ValueAfter(report, "<PhysicalMemory>")), totalMb, totalMb * 0.05)
            << "PC " << pc;
        EXPECT_NE(report.find("<DeviceID>/</DeviceID>"), std::string::npos) << "PC " << pc;
    }
}

// An inventory's local time becomes UTC, which decides whether it is older
// than the stored one; a time that is no time gives "".
TEST(ImportReader, InventoryTimesBecomeUtcAtTheirEdges) {
    const struct {
        const char *local, *offset, *utc;
    } cases[] = {
        {"2017-12-31 23:59:60", "+0100", "2017-12-31T23:00:00Z"},
        {"2017-01-01T00:00:00-05:30", "+0200", "2017-01-01T05:30:00Z"},  // its own zone wins
        {"2017-06-09 09:00:49Z", "-0300", "2017-06-09T12:00:49Z"},
        {"2017-06-09 09:00:49+02", "", "2017-06-09T07:00:49Z"},
        {"2017-13-01 00:00:00", "", ""}, {"2017-00-10 00:00:00", "", ""},
        {"2017-01-32 00:00:00", "", ""}, {"2017-01-00 00:00:00", "", ""},
        {"2017-01-01 24:00:00", "", ""}, {"2017-01-01 00:60:00", "", ""},
        {"2017-01-01 00:00:61", "", ""}, {"2017-01-01_00:00:00", "", ""},
        {"2017-01-01 00:00", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hwimport::ToUtcTimestamp(c.local, c.offset), c.utc) << c.local << " " << c.offset;
}

// The attribute guard skips quoted text: '=' and '>' there are no attributes.
// Rows are checked against their table's columns; placeholder serials are told
// from real ones.
TEST(ImportReader, QuotedEqualsSignsAreNoAttributesAndNullFitsAnyColumn) {
    std::string value;
    for (int i = 0; i < 70; ++i) value += "a=";
    const std::string xml = "<REQUEST><CONTENT><HARDWARE><NAME note='" + value +
                            " >'>pc</NAME></HARDWARE></CONTENT><DEVICEID>d</DEVICEID>"
                            "<QUERY>INVENTORY</QUERY></REQUEST>";
    EXPECT_NO_THROW(hwimport::ReadXmlInventory(xml));

    // NULL fits a column of any type; a value of another type does not.
    hwimport::Inventory inventory;
    hwimport::Row row(hwimport::TableOf(hwimport::HwTable::CPU).columns.size());
    EXPECT_NO_THROW(inventory.Add(hwimport::HwTable::CPU, row));
    row.back() = 1.5;
    EXPECT_THROW(inventory.Add(hwimport::HwTable::CPU, row), std::logic_error);
    // A firmware default is no serial number to match by; a real one is.
    for (const char* serial : {"To Be Filled By O.E.M.", "  n/a ", "0000000"})
        EXPECT_TRUE(hwimport::IsPlaceholderSerial(serial)) << serial;
    for (const char* serial : {"CZC0479792", "C02NG5A5FY11", "640HP72"})
        EXPECT_FALSE(hwimport::IsPlaceholderSerial(serial)) << serial;
    // A UUID that is no UUID matches no other PC's.
    for (const char* uuid : {"Not Settable", "4C4C4544-0034-3010-8048-B6C04F50373"})
        EXPECT_TRUE(hwimport::IsPlaceholderUuid(uuid)) << uuid;
    EXPECT_FALSE(hwimport::IsPlaceholderUuid("{4c4c4544-0034-3010-8048-b6c04f503732}"));
}

// The library in process, on SQLite and PostgreSQL.
class ImportLibrary : public testdb::HardwareDbTest {
protected:
    CDatabase& Db() { return m_connection.m_database; }

    // A minimal JSON inventory.
    static std::string Json(const std::string& device, const std::string& uuid,
                            const std::string& serial, const std::string& maker,
                            const std::string& name = "pc") {
        return "{\"deviceid\": \"" + device + "\", \"content\": {\"hardware\": {\"name\": \"" +
               name + "\", \"uuid\": \"" + uuid + "\"}, \"bios\": {\"ssn\": \"" + serial +
               "\", \"smanufacturer\": \"" + maker + "\"}}}";
    }
};

TEST_P(ImportLibrary, MatchesByDeviceIdThenRealUuidThenSerialWithMaker) {
    const std::string u1 = "4C4C4544-0034-3010-8048-B6C04F503732";
    const struct {
        std::string inventory;
        hwimport::ImportStatus status;
        int pc;
    } steps[] = {
        {Json("A", u1, "", ""), hwimport::ImportStatus::New, 1},
        {Json("A", u1, "", "", "renamed"), hwimport::ImportStatus::Updated, 1},
        // Reinstalled agent, same board: the UUID finds it (in any letter case).
        {Json("B", "4c4c4544-0034-3010-8048-b6c04f503732", "", ""), hwimport::ImportStatus::Updated,
         1},
        {Json("C", "03000200-0400-0500-0006-000700080009", "SN1", "Dell"),
         hwimport::ImportStatus::New, 2},
        // A placeholder UUID matches nothing; serial and maker do.
        {Json("D", "03000200-0400-0500-0006-000700080009", "SN1", "Dell", "other"),
         hwimport::ImportStatus::Updated, 2},
        {Json("E", "00000000-0000-0000-0000-000000000000", "SN1", "HP"),
         hwimport::ImportStatus::New, 3},
        {Json("F", "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF", "To Be Filled By O.E.M.", "X"),
         hwimport::ImportStatus::New, 4},
        {Json("G", "", "To Be Filled By O.E.M.", "X"), hwimport::ImportStatus::New, 5},
        // PC 1 goes by device id B now; A's UUID still leads there, and the
        // identity follows even though no hardware row changes.
        {Json("A", u1, "", ""), hwimport::ImportStatus::Unchanged, 1},
        {Json("G", "", "To Be Filled By O.E.M.", "X"), hwimport::ImportStatus::Unchanged, 5},
        // Only the BIOS rows, or only a value of the asset list, differ: a
        // change all the same.
        {Json("G", "", "To Be Filled By O.E.M.", "Y"), hwimport::ImportStatus::Updated, 5},
        {Json("A", "4C4C4544-0034-3010-8048-B6C04F503733", "", ""), hwimport::ImportStatus::Updated,
         1},
    };
    int step = 0;
    for (const auto& s : steps) {
        const hwimport::ImportResult r = hwimport::ImportInventory(Db(), s.inventory, {});
        EXPECT_EQ(r.status, s.status) << "step " << step << ": " << r.message;
        EXPECT_EQ(r.pcId, s.pc) << "step " << step;
        ++step;
    }
    EXPECT_EQ(testdb::QueryText(Db(), "SELECT [DeviceID] FROM [dbo].[PCIdentity] WHERE [ID] = 1"),
              "A");
}

// One batch of three where the second fails after its rows are written: it
// leaves nothing, the others and their hook writes are committed.
TEST_P(ImportLibrary, AFailedInventoryLeavesNothingAndCostsOnlyItself) {
    Exec("CREATE TABLE [dbo].[Snapshot] ([ID] INTEGER, [Changed] INTEGER)");
    hwimport::RunOptions options;
    options.jobs = 2;  // parsed in threads, written in order
    int calls = 0;
    options.import.afterWrite = [&calls](CDatabase& db, int32_t pc, bool changed) {
        CStatement insert(db, "INSERT INTO [dbo].[Snapshot] ([ID], [Changed]) VALUES (?, ?)");
        insert.BindLong(1, pc);
        insert.BindLong(2, changed);
        insert.Execute();
        if (++calls == 2) throw std::runtime_error("history is full");
    };
    std::vector<hwimport::InventorySource> sources;
    for (const char* device : {"one", "two", "three"}) {
        const std::string json = Json(device, "", "", "", device);
        sources.push_back({device, [json] { return json; }});
    }
    std::vector<hwimport::ImportResult> results;
    hwimport::ImportAll(Db(), sources, options,
                        [&](const hwimport::InventorySource&, const hwimport::ImportResult& r) {
                            results.push_back(r);
                        });
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].status, hwimport::ImportStatus::New);
    EXPECT_EQ(results[1].status, hwimport::ImportStatus::Failed);
    EXPECT_NE(results[1].message.find("history is full"), std::string::npos) << results[1].message;
    EXPECT_EQ(results[2].status, hwimport::ImportStatus::New);
    EXPECT_EQ(results[2].pcId, 2) << "the failed one's ID is free again";
    EXPECT_EQ(testdb::QueryText(Db(), "SELECT [Name] FROM [dbo].[SystemOverview] WHERE [ID] = 2"),
              "three");
    EXPECT_EQ(testdb::QueryNumber(Db(), "SELECT COUNT(*) FROM [dbo].[SystemOverview]"), 2);
    EXPECT_EQ(testdb::QueryNumber(Db(), "SELECT COUNT(*) FROM [dbo].[PCIdentity]"), 2);
    EXPECT_EQ(
        testdb::QueryNumber(Db(), "SELECT COUNT(*) FROM [dbo].[Snapshot] WHERE [Changed] = 1"), 2);

    // A connection lost in the middle of a batch cannot even undo one
    // inventory: every inventory of the batch fails, and each says so.
    if (!IsPostgres()) return;
    CDataConnection lost;
    lost.Open(testdb::PostgresConnect().c_str());
    options.import.afterWrite = [](CDatabase& db, int32_t, bool) {
        db.ExecuteSQL("SELECT pg_terminate_backend(pg_backend_pid())");
    };
    results.clear();
    hwimport::ImportAll(lost.m_database, {sources[0], sources[2]}, options,
                        [&](const hwimport::InventorySource&, const hwimport::ImportResult& r) {
                            results.push_back(r);
                        });
    ASSERT_EQ(results.size(), 2u);
    for (const hwimport::ImportResult& r : results) {
        EXPECT_EQ(r.status, hwimport::ImportStatus::Failed);
        EXPECT_NE(r.message.find("the database failed, nothing was written"), std::string::npos)
            << r.message;
    }
}

HW_ON_BOTH_BACKENDS(ImportLibrary);

}  // namespace
