#include "bench/Floor.h"

#include <libxml/parser.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <stdexcept>

#include "db/DeviceTypes.h"

namespace bench {

namespace {

using namespace DeviceType;

// The columns each list binds, in the component's binding order.
const char kSystemOverview[] =
    "SELECT ID,OSID,Name,OSName,Version,UserName,Memory,ServicePack,SerialNumber,TimeZone,"
    "Organisation,LoggedOnUser,WorkGroup,SystemLanguage,DirectXVersion,SystemEnclosure "
    "FROM SystemOverview WHERE ID=?1";
const char kBiosColumns[] =
    "SELECT ID,BIOSID,Version,InstallDate,AssetTag,Manufacturer,SystemMod,SystemMan,SerialNumber "
    "FROM BIOS WHERE ID=?1";
const char kBiosRow0[] =
    "SELECT ID,BIOSID,Version,InstallDate,AssetTag,Manufacturer,SystemMod,SystemMan,SerialNumber "
    "FROM BIOS WHERE ID=?1 AND BIOSID=0";
const char kCpu[] = "SELECT ID,CPUID,Speed,Manufacturer,Name FROM CPU WHERE ID=?1";
const char kMotherBoard[] =
    "SELECT ID,MotherBoardID,Name,Version,Product FROM MotherBoard WHERE ID=?1";
const char kMemory[] =
    "SELECT ID,PhysicalmemoryID,DeviceLocator,Capacity FROM PhysicalMemory WHERE ID=?1";
const char kSlots[] = "SELECT ID,SystemSlotID,Name,InUse FROM SystemSlot WHERE ID=?1";
const char kAdapters[] =
    "SELECT ID,NetworkAdapterID,Name,MacAddress,IPAddress,DefaultIPGateway,DNSServer,AdapterType,"
    "IPSubnet,WINSPrimaryServer,DHCPServer FROM NetworkAdapter WHERE ID=?1";
const char kAddresses[] =
    "SELECT ID,NetworkAdapterID,IndexID,IPAddress,IPSubnet FROM NetworkIPAddress "
    "WHERE ID=?1 AND NetworkAdapterID=?2";
const char kVideo[] = "SELECT ID,VideoAdapterID,Name,RAM,DACType FROM VideoAdapter WHERE ID=?1";
const char kMonitor[] = "SELECT ID,MonitorID,Resolution,RefreshRate,Name FROM Monitor WHERE ID=?1";
const char kDiskByType[] =
    "SELECT ID,DeviceTypeID,DiskDriveID,Name,Drive,Capacity FROM DiskDrive "
    "WHERE ID=?1 AND DeviceTypeID=?2";
const char kLogicalDisk[] =
    "SELECT ID,LogicalDiskID,DeviceTypeID,DiskDriveID,Name,Capacity,FreeSpace,FileSystem "
    "FROM LogicalDisk WHERE ID=?1";
const char kPrinter[] = "SELECT ID,PrinterID,Name,PortName,State FROM Printer WHERE ID=?1";
const char kSound[] = "SELECT ID,SoundCardID,Name FROM SoundCard WHERE ID=?1";
const char kKeyboard[] = "SELECT ID,KeyboardID,Name FROM Keyboard WHERE ID=?1";
const char kPointer[] = "SELECT ID,PointingDeviceID,Name FROM PointingDevice WHERE ID=?1";
const char kPeripheralByType[] =
    "SELECT ID,DeviceTypeID,DeviceID,Name FROM PeripheralDevice WHERE ID=?1 AND DeviceTypeID=?2";
const char kDevices[] =
    "SELECT DISTINCT d.HardwareDeviceID,d.Name,d.MultipleAllowed,d.OwnBox,d.DisplayOrder "
    "FROM AdditionalHardware a, AdditionalHardwareDevice d "
    "WHERE a.ID=?1 AND a.HardwareDeviceID=d.HardwareDeviceID ORDER BY d.DisplayOrder ASC";
const char kValues[] =
    "SELECT a.IndexID,p.Name,a.DataValue,p.DoubleWidth,p.DisplayOrder "
    "FROM AdditionalHardware a, AdditionalHardwareProperty p "
    "WHERE a.ID=?1 AND a.HardwareDeviceID=?2 AND a.HardwarePropertyID=p.HardwarePropertyID "
    "AND p.HardwareDeviceID=?2 ORDER BY a.IndexID ASC, p.DisplayOrder ASC";

}  // namespace

SqliteFloor::SqliteFloor(const std::string& file) {
    if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        throw std::runtime_error("cannot open " + file + ": " + message);
    }
    try {
        m_lists = {{Prepare(kSystemOverview), -1}, {Prepare(kCpu), -1},
                   {Prepare(kBiosColumns), -1},    {Prepare(kMotherBoard), -1},
                   {Prepare(kMemory), -1},         {Prepare(kSlots), -1}};
        m_listsBeforeAdapters = m_lists.size();
        sqlite3_stmt* disks = Prepare(kDiskByType);
        sqlite3_stmt* peripherals = Prepare(kPeripheralByType);
        m_lists.insert(m_lists.end(), {{Prepare(kVideo), -1},
                                       {Prepare(kMonitor), -1},
                                       {disks, kHardDisk},
                                       {Prepare(kLogicalDisk), -1},
                                       {disks, kCDROM},
                                       {disks, kFloppy},
                                       {Prepare(kPrinter), -1},
                                       {Prepare(kSound), -1},
                                       {Prepare(kKeyboard), -1},
                                       {Prepare(kPointer), -1},
                                       {peripherals, kModem},
                                       {peripherals, kUSB},
                                       {peripherals, kInfrared},
                                       {peripherals, kParallelPort},
                                       {peripherals, kSerialPort},
                                       {peripherals, kPCMCIA}});
        m_begin = Prepare("BEGIN");
        m_commit = Prepare("COMMIT");
        m_biosRow0 = Prepare(kBiosRow0);
        m_adapters = Prepare(kAdapters);
        m_addresses = Prepare(kAddresses);
        m_devices = Prepare(kDevices);
        m_values = Prepare(kValues);
    } catch (...) {
        for (sqlite3_stmt* statement : m_statements) sqlite3_finalize(statement);
        sqlite3_close(m_db);
        throw;
    }
}

SqliteFloor::~SqliteFloor() {
    for (sqlite3_stmt* statement : m_statements) sqlite3_finalize(statement);
    sqlite3_close(m_db);
}

sqlite3_stmt* SqliteFloor::Prepare(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
        SQLITE_OK)
        throw std::runtime_error(std::string("cannot prepare: ") + sqlite3_errmsg(m_db));
    m_statements.push_back(statement);
    return statement;
}

size_t SqliteFloor::Drain(sqlite3_stmt* statement) {
    size_t rows = 0;
    const int columns = sqlite3_column_count(statement);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        ++rows;
        for (int i = 0; i < columns; ++i) {
            switch (sqlite3_column_type(statement, i)) {
                case SQLITE_INTEGER:
                    m_checksum += static_cast<uint64_t>(sqlite3_column_int(statement, i));
                    break;
                case SQLITE_FLOAT:
                    m_checksum += static_cast<uint64_t>(sqlite3_column_double(statement, i));
                    break;
                case SQLITE_NULL:
                    break;
                default: {
                    const unsigned char* text = sqlite3_column_text(statement, i);
                    m_checksum += static_cast<uint64_t>(sqlite3_column_bytes(statement, i));
                    if (text) m_checksum += text[0];
                }
            }
        }
    }
    if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(m_db));
    sqlite3_reset(statement);
    return rows;
}

size_t SqliteFloor::ReadPc(int32_t pcId) {
    size_t rows = Drain(m_begin);  // one read transaction, as the hosts read a report
    auto runList = [&](const List& list) {
        sqlite3_bind_int(list.statement, 1, pcId);
        if (list.deviceType >= 0) sqlite3_bind_int(list.statement, 2, list.deviceType);
        rows += Drain(list.statement);
    };
    runList(m_lists[0]);  // SystemOverview, then BIOS row 0
    sqlite3_bind_int(m_biosRow0, 1, pcId);
    rows += Drain(m_biosRow0);
    for (size_t i = 1; i < m_listsBeforeAdapters; ++i) runList(m_lists[i]);

    // Adapters; one without an address of its own lists its address rows.
    sqlite3_bind_int(m_adapters, 1, pcId);
    while (sqlite3_step(m_adapters) == SQLITE_ROW) {
        ++rows;
        for (int i = 0; i < sqlite3_column_count(m_adapters); ++i)
            m_checksum += static_cast<uint64_t>(sqlite3_column_bytes(m_adapters, i));
        if (sqlite3_column_bytes(m_adapters, 4) == 0) {
            sqlite3_bind_int(m_addresses, 1, pcId);
            sqlite3_bind_int(m_addresses, 2, sqlite3_column_int(m_adapters, 1));
            rows += Drain(m_addresses);
        }
    }
    sqlite3_reset(m_adapters);

    for (size_t i = m_listsBeforeAdapters; i < m_lists.size(); ++i) runList(m_lists[i]);

    sqlite3_bind_int(m_devices, 1, pcId);
    while (sqlite3_step(m_devices) == SQLITE_ROW) {
        ++rows;
        m_checksum += static_cast<uint64_t>(sqlite3_column_bytes(m_devices, 1));
        sqlite3_bind_int(m_values, 1, pcId);
        sqlite3_bind_int(m_values, 2, sqlite3_column_int(m_devices, 0));
        rows += Drain(m_values);
    }
    sqlite3_reset(m_devices);
    return rows + Drain(m_commit);
}

// ---------------------------------------------------------------------------

XsltFloor::XsltFloor(const std::string& stylesheetPath, const std::string& pathName) {
    xmlDocPtr doc =
        xmlReadFile(stylesheetPath.c_str(), nullptr, XSLT_PARSE_OPTIONS | XML_PARSE_NONET);
    if (!doc) throw std::runtime_error("cannot read " + stylesheetPath);
    m_stylesheet = xsltParseStylesheetDoc(doc);
    if (!m_stylesheet) {
        xmlFreeDoc(doc);
        throw std::runtime_error("cannot compile " + stylesheetPath);
    }
    // The component writes UTF-8 whatever the stylesheet names.
    xmlFree(m_stylesheet->encoding);
    m_stylesheet->encoding = xmlStrdup(BAD_CAST "UTF-8");
    m_pathNameParam = "'" + pathName + "'";
}

XsltFloor::~XsltFloor() {
    xsltFreeStylesheet(m_stylesheet);
}

std::string XsltFloor::Transform(const std::string& document) {
    xmlDocPtr input = xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr,
                                    "UTF-8", XML_PARSE_NONET | XML_PARSE_IGNORE_ENC);
    if (!input) throw std::runtime_error("the report document is not well formed");
    const char* params[] = {"PathName", m_pathNameParam.c_str(), nullptr};
    xmlDocPtr result = xsltApplyStylesheet(m_stylesheet, input, params);
    std::string html;
    xmlChar* text = nullptr;
    int length = 0;
    if (result && xsltSaveResultToString(&text, &length, result, m_stylesheet) == 0 && text)
        html.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
    xmlFree(text);
    xmlFreeDoc(result);
    xmlFreeDoc(input);
    if (!result) throw std::runtime_error("the stylesheet failed on a report document");
    return html;
}

__attribute__((noinline)) std::string FloorReport(SqliteFloor& reads, XsltFloor& transform,
                                                  int32_t pcId, const std::string& document) {
    reads.ReadPc(pcId);
    return transform.Transform(document);
}

}  // namespace bench
