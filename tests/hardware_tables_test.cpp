// Reading one PC's hardware rows through the table classes, by query mode,
// on a real SQLite database and on the PostgreSQL test server.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "db/HardwareTables.h"
#include "hardware_db_support.h"

namespace {

class HardwareTablesTest : public hwtest::HardwareDbTest {
protected:
    // Inserts rows carrying only their key: `keys` in order, the last one
    // numbered `count` times from 0, the ones between ID and it set to 0.
    void InsertKeys(const char* table, const std::vector<const char*>& keys, LONG pc, int count) {
        std::string columns = "ID", zeros;
        for (size_t i = 1; i < keys.size(); ++i) {
            columns += std::string(", ") + keys[i];
            if (i + 1 < keys.size()) zeros += "0, ";
        }
        for (int i = 0; i < count; ++i)
            Execf("INSERT INTO dbo.%s (%s) VALUES (%d, %s%d)", table, columns.c_str(), pc,
                  zeros.c_str(), i);
    }

    // Two rows for the PC, one for its neighbour: mode 3 sees exactly the two,
    // with every listed column bound, and a PC without rows gets 0.
    template <class T>
    void ExpectOnePcRead(const char* table, const std::vector<const char*>& keys) {
        SCOPED_TRACE(table);
        InsertKeys(table, keys, m_pc, 2);
        InsertKeys(table, keys, m_pc + 1, 1);
        T rs(Conn());
        rs.m_ID = m_pc;
        ASSERT_EQ(rs.Select(CPCIDataRecord::MODE_ONE_PC), 1);
        EXPECT_EQ(static_cast<unsigned>(rs.GetODBCFieldCount()), rs.m_nFields);
        int rows = 0;
        do {
            EXPECT_EQ(rs.m_ID, m_pc);
            ++rows;
        } while (rs.MoveNext());
        EXPECT_EQ(rows, 2);
        EXPECT_FALSE(rs.MoveNext());
        rs.m_ID = m_pc + 2;
        EXPECT_EQ(rs.Select(CPCIDataRecord::MODE_ONE_PC), 0);
    }

    const LONG m_pc = 4711;
};

TEST_P(HardwareTablesTest, EveryTableReadsTheRowsOfOnePc) {
    ExpectOnePcRead<CDataBIOS>("BIOS", {"ID", "BIOSID"});
    ExpectOnePcRead<CDataCPU>("CPU", {"ID", "CPUID"});
    ExpectOnePcRead<CDataDiskDrive>("DiskDrive", {"ID", "DeviceTypeID", "DiskDriveID"});
    ExpectOnePcRead<CDataKeyboard>("Keyboard", {"ID", "KeyboardID"});
    ExpectOnePcRead<CDataLogicalDisk>("LogicalDisk", {"ID", "LogicalDiskID"});
    ExpectOnePcRead<CDataMonitor>("Monitor", {"ID", "MonitorID"});
    ExpectOnePcRead<CDataMotherBoard>("MotherBoard", {"ID", "MotherBoardID"});
    ExpectOnePcRead<CDataNetworkAdapter>("NetworkAdapter", {"ID", "NetworkAdapterID"});
    ExpectOnePcRead<CDataNetworkIPAddress>("NetworkIPAddress",
                                           {"ID", "NetworkAdapterID", "IndexID"});
    ExpectOnePcRead<CDataPeripheralDevice>("PeripheralDevice", {"ID", "DeviceTypeID", "DeviceID"});
    ExpectOnePcRead<CDataPhysicalMemoryDevice>("PhysicalMemory", {"ID", "PhysicalmemoryID"});
    ExpectOnePcRead<CDataPointingDevice>("PointingDevice", {"ID", "PointingDeviceID"});
    ExpectOnePcRead<CDataPrinter>("Printer", {"ID", "PrinterID"});
    ExpectOnePcRead<CDataSoundCard>("SoundCard", {"ID", "SoundCardID"});
    ExpectOnePcRead<CDataSystemOverview>("SystemOverview", {"ID", "OSID"});
    ExpectOnePcRead<CDataSystemSlot>("SystemSlot", {"ID", "SystemSlotID"});
    ExpectOnePcRead<CDataVideoAdapter>("VideoAdapter", {"ID", "VideoAdapterID"});
}

TEST_P(HardwareTablesTest, ColumnsLandInTheirMembersAndNullReadsAsEmpty) {
    Execf(
        "INSERT INTO dbo.NetworkAdapter VALUES (%d, 4, 'eth0', '00:11:22:33:44:55', "
        "'10.0.0.7', '10.0.0.1', '10.0.0.2', 'Ethernet 802.3', '255.255.255.0', "
        "'10.0.0.3', '10.0.0.4')",
        m_pc);
    Execf("INSERT INTO dbo.LogicalDisk VALUES (%d, 2, 0, 1, 'C:', 74.53125, 12.5, 'NTFS')", m_pc);
    Execf("INSERT INTO dbo.LogicalDisk (ID, LogicalDiskID) VALUES (%d, 3)", m_pc);

    CDataNetworkAdapter adapter(Conn());
    adapter.m_ID = m_pc;
    ASSERT_EQ(adapter.Select(CPCIDataRecord::MODE_ONE_PC), 1);
    EXPECT_EQ(adapter.m_NetworkAdapterID, 4);
    EXPECT_EQ(adapter.m_Name, "eth0");
    EXPECT_EQ(adapter.m_MacAddress, "00:11:22:33:44:55");
    EXPECT_EQ(adapter.m_IPAddress, "10.0.0.7");
    EXPECT_EQ(adapter.m_DefaultIPGateway, "10.0.0.1");
    EXPECT_EQ(adapter.m_DNSServer, "10.0.0.2");
    EXPECT_EQ(adapter.m_AdapterType, "Ethernet 802.3");
    EXPECT_EQ(adapter.m_IPSubnet, "255.255.255.0");
    EXPECT_EQ(adapter.m_WINSPrimaryServer, "10.0.0.3");
    EXPECT_EQ(adapter.m_DHCPServer, "10.0.0.4");

    CDataLogicalDisk disk(Conn());
    disk.m_ID = m_pc;
    ASSERT_EQ(disk.Select(CPCIDataRecord::MODE_ONE_PC), 1);
    int rows = 0;
    do {
        if (disk.m_LogicalDiskID == 2) {
            EXPECT_EQ(disk.m_DiskDriveID, 1);
            EXPECT_EQ(disk.m_Name, "C:");
            EXPECT_DOUBLE_EQ(disk.m_Capacity, 74.53125);
            EXPECT_DOUBLE_EQ(disk.m_FreeSpace, 12.5);
            EXPECT_EQ(disk.m_FileSystem, "NTFS");
        } else {
            // Whatever the row before left in the members, NULL clears it.
            EXPECT_EQ(disk.m_DiskDriveID, 0);
            EXPECT_EQ(disk.m_Name, "");
            EXPECT_EQ(disk.m_Capacity, 0.0);
            EXPECT_EQ(disk.m_FileSystem, "");
        }
        ++rows;
    } while (disk.MoveNext());
    EXPECT_EQ(rows, 2);
}

TEST_P(HardwareTablesTest, Mode7SelectsOneDeviceTypeOfThePc) {
    const int types[] = {0, 1, 1, 2};
    for (int i = 0; i < 4; ++i) {
        Execf("INSERT INTO dbo.DiskDrive (ID, DeviceTypeID, DiskDriveID) VALUES (%d, %d, %d)", m_pc,
              types[i], i);
        Execf("INSERT INTO dbo.PeripheralDevice VALUES (%d, %d, %d, 'dev%d')", m_pc, types[i] + 5,
              i, i);
    }
    Execf("INSERT INTO dbo.DiskDrive (ID, DeviceTypeID, DiskDriveID) VALUES (%d, 1, 9)", m_pc + 1);

    CDataDiskDrive drives(Conn());
    drives.m_ID = m_pc;
    drives.m_DeviceTypeID = 1;
    ASSERT_EQ(drives.Select(CDataDiskDrive::MODE_DEVICE_TYPE), 1);
    int rows = 0;
    do {
        EXPECT_EQ(drives.m_ID, m_pc);
        EXPECT_EQ(drives.m_DeviceTypeID, 1);
        ++rows;
    } while (drives.MoveNext());
    EXPECT_EQ(rows, 2);

    CDataPeripheralDevice peripherals(Conn());
    peripherals.m_ID = m_pc;
    peripherals.m_DeviceTypeID = 7;  // stored as type 2 + 5
    ASSERT_EQ(peripherals.Select(CDataPeripheralDevice::MODE_DEVICE_TYPE), 1);
    EXPECT_EQ(peripherals.m_DeviceTypeID, 7);
    EXPECT_FALSE(peripherals.MoveNext());
    peripherals.m_DeviceTypeID = 16;
    EXPECT_EQ(peripherals.Select(CDataPeripheralDevice::MODE_DEVICE_TYPE), 0);
}

TEST_P(HardwareTablesTest, Mode44AndMode55SelectByTheirTwoKeys) {
    for (int i = 0; i < 3; ++i) {
        Execf("INSERT INTO dbo.BIOS (ID, BIOSID) VALUES (%d, %d)", m_pc, i);
        Execf("INSERT INTO dbo.NetworkIPAddress VALUES (%d, %d, %d, '10.0.%d.1', 'm')", m_pc, i % 2,
              i, i);
    }
    CDataBIOS bios(Conn());
    bios.m_ID = m_pc;
    bios.m_BIOSID = 1;
    ASSERT_EQ(bios.Select(CDataBIOS::MODE_FROM_INSTANCE), 1);
    std::set<LONG> instances;
    do instances.insert(bios.m_BIOSID);
    while (bios.MoveNext());
    EXPECT_EQ(instances, (std::set<LONG>{1, 2}));

    CDataNetworkIPAddress addresses(Conn());
    addresses.m_ID = m_pc;
    addresses.m_NetworkAdapterID = 0;
    ASSERT_EQ(addresses.Select(CDataNetworkIPAddress::MODE_ONE_ADAPTER), 1);
    std::set<std::string> found;
    do found.insert(addresses.m_IPAddress.str());
    while (addresses.MoveNext());
    EXPECT_EQ(found, (std::set<std::string>{"10.0.0.1", "10.0.2.1"}));
}

TEST_P(HardwareTablesTest, OpenByKeyFindsOneRowAndClosesUnlessKeptOpen) {
    Execf("INSERT INTO dbo.BIOS (ID, BIOSID, SystemMan) VALUES (%d, 0, 'Maker0')", m_pc);
    Execf("INSERT INTO dbo.BIOS (ID, BIOSID, SystemMan) VALUES (%d, 1, 'Maker1')", m_pc);

    CDataBIOS bios(Conn());
    bios.m_ID = m_pc;
    bios.m_BIOSID = 1;
    EXPECT_EQ(bios.OpenByKey(CPCIDataRecord::MODE_FULL_KEY, false), 1);
    EXPECT_FALSE(bios.IsOpen());
    EXPECT_EQ(bios.m_SystemMan, "Maker1");

    bios.m_BIOSID = 0;
    EXPECT_EQ(bios.OpenByKey(CPCIDataRecord::MODE_FULL_KEY, true), 1);
    EXPECT_TRUE(bios.IsOpen());
    EXPECT_EQ(bios.m_SystemMan, "Maker0");
    EXPECT_FALSE(bios.MoveNext());

    bios.m_ID = m_pc + 1;  // no BIOS row 0 for this PC
    EXPECT_EQ(bios.OpenByKey(CPCIDataRecord::MODE_FULL_KEY, false), 0);
    EXPECT_FALSE(bios.IsOpen());
}

TEST_P(HardwareTablesTest, UnknownModeAnswersMinusOneWithoutTouchingTheDatabase) {
    // Without a connection any open would try the default data source and
    // throw: the -1 must come before that.
    CDataCPU cpu(nullptr);
    EXPECT_EQ(cpu.Select(CPCIDataRecord::MODE_FULL_KEY), -1);  // OpenByKey's mode
    EXPECT_EQ(cpu.Select(CDataDiskDrive::MODE_DEVICE_TYPE), -1);
    EXPECT_EQ(cpu.OpenByKey(CPCIDataRecord::MODE_ONE_PC, true), -1);
    CDataBIOS bios(nullptr);
    EXPECT_EQ(bios.Select(CDataNetworkIPAddress::MODE_ONE_ADAPTER), -1);
    EXPECT_FALSE(cpu.IsOpen());

    // An open table stays on its rows.
    Execf("INSERT INTO dbo.CPU (ID, CPUID, Speed) VALUES (%d, 0, 2400)", m_pc);
    CDataCPU open(Conn());
    open.m_ID = m_pc;
    ASSERT_EQ(open.Select(CPCIDataRecord::MODE_ONE_PC), 1);
    EXPECT_EQ(open.Select(44), -1);
    EXPECT_TRUE(open.IsOpen());
    EXPECT_EQ(open.m_Speed, 2400);
}

TEST_P(HardwareTablesTest, MissingTableRaisesADatabaseErrorAndLeavesTheTableClosed) {
    Execf("DROP TABLE %s", IsPostgres() ? "dbo.printer" : "Printer");
    CDataPrinter printers(Conn());
    printers.m_ID = m_pc;
    EXPECT_THROW(printers.Select(CPCIDataRecord::MODE_ONE_PC), CDBException);
    EXPECT_FALSE(printers.IsOpen());
    EXPECT_FALSE(printers.MoveNext());
}

INSTANTIATE_TEST_SUITE_P(Backends, HardwareTablesTest,
                         ::testing::Values(hwtest::Backend::SQLite, hwtest::Backend::PostgreSQL),
                         hwtest::BackendName);

}  // namespace
