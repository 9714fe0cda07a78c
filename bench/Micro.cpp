// Micro benchmarks of the report's inner loops, registered with Google
// Benchmark: the escaping helper, each table's writer on a typical row, and
// CDynamicQuery handing out 10,000 rows.
#include "bench/Micro.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "db/DynamicQuery.h"
#include "db/HardwareTables.h"
#include "text/XmlText.h"

namespace bench {

namespace {

constexpr int kQueryRows = 10000;

// ~4 KiB of text as inventories hold it: names, versions, serial numbers.
std::string PlainText() {
    std::string text;
    while (text.size() < 4096) text += "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz, SN 4CE0460D0G; ";
    return text;
}

// The same length with an entity or a dropped control byte every few bytes.
std::string EntityHeavyText() {
    std::string text;
    while (text.size() < 4096) text += "R&D <lab> \"A\" 'B'\tx\r\n";
    return text;
}

void EscapeBenchmark(benchmark::State& state, const std::string& value) {
    CString out;
    out.Reserve(4 * value.size());
    for (auto _ : state) {
        out.Empty();
        AppendEscapedText(out, value.c_str());
        benchmark::DoNotOptimize(out.str().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(value.size()));
}

// One writer on its table's typical row: `fill` sets the members once.
template <class TTable>
void WriterBenchmark(benchmark::State& state, const std::function<void(TTable&)>& fill) {
    TTable table(nullptr);
    fill(table);
    CString out;
    out.Reserve(4096);
    const CReportDefaults defaults;
    for (auto _ : state) {
        out.Empty();
        table.WriteXml(out, 0, &defaults);
        benchmark::DoNotOptimize(out.str().data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

template <class TTable>
void RegisterWriter(const char* name, std::function<void(TTable&)> fill) {
    benchmark::RegisterBenchmark(
        (std::string("WriteXml/") + name).c_str(),
        [fill](benchmark::State& state) { WriterBenchmark<TTable>(state, fill); });
}

void RegisterWriters() {
    RegisterWriter<CDataSystemOverview>("CDataSystemOverview", [](CDataSystemOverview& t) {
        t.m_Name = "PC-ACC-0042";
        t.m_OSName = "Microsoft Windows 10 Pro";
        t.m_Version = "10.0.19045";
        t.m_UserName = "J. Smith";
        t.m_Memory = 16384;
        t.m_ServicePack = "";
        t.m_SerialNumber = "00330-80000-00000-AA123";
        t.m_TimeZone = "(UTC+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna";
        t.m_Organisation = "Example Ltd";
        t.m_LoggedOnUser = "EXAMPLE\\jsmith";
        t.m_WorkGroup = "EXAMPLE";
        t.m_SystemLanguage = "English (United Kingdom)";
        t.m_DirectXVersion = "12";
        t.m_SystemEnclosure = "Desktop";
    });
    RegisterWriter<CDataBIOS>("CDataBIOS", [](CDataBIOS& t) {
        t.m_Version = "1.21.0";
        t.m_InstallDate = "2023-04-12";
        t.m_AssetTag = "AT-00042";
        t.m_Manufacturer = "Dell Inc.";
        t.m_SerialNumber = "4CE0460D0G";
    });
    RegisterWriter<CDataCPU>("CDataCPU", [](CDataCPU& t) {
        t.m_Name = "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz";
        t.m_Manufacturer = "GenuineIntel";
        t.m_Speed = 3192;
    });
    RegisterWriter<CDataMotherBoard>("CDataMotherBoard", [](CDataMotherBoard& t) {
        t.m_Name = "Base Board";
        t.m_Version = "A01";
        t.m_Product = "0H4D4F";
    });
    RegisterWriter<CDataPhysicalMemoryDevice>("CDataPhysicalMemoryDevice",
                                              [](CDataPhysicalMemoryDevice& t) {
                                                  t.m_DeviceLocator = "DIMM1";
                                                  t.m_Capacity = 8192;
                                              });
    RegisterWriter<CDataSystemSlot>("CDataSystemSlot", [](CDataSystemSlot& t) {
        t.m_Name = "PCI-Express x16 Slot 1";
        t.m_InUse = "In Use";
    });
    RegisterWriter<CDataNetworkAdapter>("CDataNetworkAdapter", [](CDataNetworkAdapter& t) {
        t.m_Name = "Intel(R) Ethernet Connection (7) I219-LM";
        t.m_MacAddress = "3C:52:82:4A:1B:7E";
        t.m_IPAddress = "10.20.4.117";  // its own address: no address rows to read
        t.m_IPSubnet = "255.255.255.0";
        t.m_DNSServer = "10.20.0.2";
        t.m_DefaultIPGateway = "10.20.4.1";
        t.m_DHCPServer = "10.20.0.3";
        t.m_AdapterType = "Ethernet 802.3";
        t.m_WINSPrimaryServer = "";
    });
    RegisterWriter<CDataVideoAdapter>("CDataVideoAdapter", [](CDataVideoAdapter& t) {
        t.m_Name = "NVIDIA Quadro P620";
        t.m_RAM = 2048;
        t.m_DACType = "Integrated RAMDAC";
    });
    RegisterWriter<CDataMonitor>("CDataMonitor", [](CDataMonitor& t) {
        t.m_Name = "DELL P2419H";
        t.m_Resolution = "1920 x 1080";
        t.m_RefreshRate = 60;
    });
    RegisterWriter<CDataDiskDrive>("CDataDiskDrive", [](CDataDiskDrive& t) {
        t.m_Name = "SAMSUNG MZVLB512HBJQ-000L7";
        t.m_Capacity = 476.94;
        t.m_Drive = "C:  ";
    });
    RegisterWriter<CDataLogicalDisk>("CDataLogicalDisk", [](CDataLogicalDisk& t) {
        t.m_Name = "C:";
        t.m_FileSystem = "NTFS";
        t.m_Capacity = 475.83;
        t.m_FreeSpace = 212.4;
    });
    RegisterWriter<CDataPrinter>("CDataPrinter", [](CDataPrinter& t) {
        t.m_Name = "HP LaserJet M607 (3rd floor)";
        t.m_PortName = "IP_10.20.8.31";
        t.m_State = 1;
    });
    RegisterWriter<CDataSoundCard>(
        "CDataSoundCard", [](CDataSoundCard& t) { t.m_Name = "Realtek High Definition Audio"; });
    RegisterWriter<CDataKeyboard>("CDataKeyboard",
                                  [](CDataKeyboard& t) { t.m_Name = "Standard PS/2 Keyboard"; });
    RegisterWriter<CDataPointingDevice>(
        "CDataPointingDevice", [](CDataPointingDevice& t) { t.m_Name = "HID-compliant mouse"; });
    RegisterWriter<CDataPeripheralDevice>("CDataPeripheralDevice", [](CDataPeripheralDevice& t) {
        t.m_Name = "USB Root Hub (USB 3.0)";
    });
}

// Creates `file` with table Rows of kQueryRows rows unless it is there.
void EnsureQueryDatabase(const std::string& file) {
    if (access(file.c_str(), R_OK) == 0) return;
    const std::string partial = file + ".partial";
    unlink(partial.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open(partial.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot create " + partial);
    }
    std::string sql =
        "CREATE TABLE Rows (ID INTEGER PRIMARY KEY, Name VARCHAR(255), Value VARCHAR(255), "
        "Number INTEGER);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(kQueryRows) +
        ") INSERT INTO Rows SELECT i, 'Property ' || i, 'Value of row ' || i || ' & more', i * 7 "
        "FROM n;";
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        const std::string text = message ? message : "?";
        sqlite3_free(message);
        throw std::runtime_error("cannot fill " + partial + ": " + text);
    }
    if (rename(partial.c_str(), file.c_str()) != 0)
        throw std::runtime_error("cannot rename " + partial);
}

class RowsQuery : public CDynamicQuery {
public:
    explicit RowsQuery(CDataConnection* pConnection) : CDynamicQuery(pConnection) {
        AddLong(&m_nID);
        AddText(&m_strName);
        AddText(&m_strValue);
        AddLong(&m_nNumber);
    }
    CString BuildSQL() override { return "SELECT ID, Name, Value, Number FROM Rows ORDER BY ID"; }

    LONG m_nID = 0;
    CString m_strName;
    CString m_strValue;
    LONG m_nNumber = 0;
};

void QueryBenchmark(benchmark::State& state, const std::string& file) {
    CDataConnection connection;
    connection.Open(("Driver=SQLite3;Database=" + file).c_str());
    int64_t rows = 0;
    for (auto _ : state) {
        RowsQuery query(&connection);
        int64_t delivered = 0;
        if (query.Execute(0, 0) > 0) {
            do {
                ++delivered;
                benchmark::DoNotOptimize(query.m_strValue.str().data());
            } while (query.FetchNext());
        }
        if (delivered != kQueryRows) {
            state.SkipWithError("the query did not deliver every row");
            break;
        }
        rows += delivered;
    }
    state.SetItemsProcessed(rows);
}

}  // namespace

void RegisterMicroBenchmarks(const std::string& queryDatabase) {
    static const std::string plain = PlainText();
    static const std::string entities = EntityHeavyText();
    benchmark::RegisterBenchmark("AppendEscapedText/plain",
                                 [](benchmark::State& s) { EscapeBenchmark(s, plain); });
    benchmark::RegisterBenchmark("AppendEscapedText/entity-heavy",
                                 [](benchmark::State& s) { EscapeBenchmark(s, entities); });
    RegisterWriters();
    EnsureQueryDatabase(queryDatabase);
    benchmark::RegisterBenchmark("CDynamicQuery/10000-rows", [queryDatabase](benchmark::State& s) {
        QueryBenchmark(s, queryDatabase);
    })->Unit(benchmark::kMillisecond);
}

}  // namespace bench
