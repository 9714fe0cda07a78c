// What each hardware row writes into the report: element order, units,
// escaping, and the few writers with conditions.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "db/HardwareTables.h"
#include "hardware_db_support.h"
#include "tests/TestLocale.h"

namespace {

template <class T>
std::string Written(T& table, const CReportDefaults* pDefaults = nullptr) {
    CString out("<Row>");
    table.WriteXml(out, 0, pDefaults);
    return out.str().substr(5);
}

TEST(RecordWriters, TextIsEscapedAndNumbersCarryUnits) {
    CDataCPU cpu(nullptr);
    cpu.m_Name = "A&B";
    EXPECT_EQ(Written(cpu),
              "<Name>A&amp;B</Name>\r\n<CPUManufacturer></CPUManufacturer>\r\n"
              "<ClockSpeed>0 MHz</ClockSpeed>\r\n");

    CDataSystemOverview overview(nullptr);
    overview.m_Memory = -1;
    overview.m_Organisation = "O'Neil \"IT\"";
    overview.m_WorkGroup = "WORK\tGROUP";
    overview.m_OSName = "OS";
    overview.m_SystemEnclosure = "Tower";
    EXPECT_EQ(Written(overview),
              "<SystemName></SystemName>\r\n<Domain>WORKGROUP</Domain>\r\n"
              "<OperatingSystem>OS</OperatingSystem>\r\n<CSDVersion></CSDVersion>\r\n"
              "<Version></Version>\r\n<SerialNumber></SerialNumber>\r\n"
              "<RegisteredUser></RegisteredUser>\r\n"
              "<Organization>O&apos;Neil &quot;IT&quot;</Organization>\r\n"
              "<Language></Language>\r\n<TimeZone></TimeZone>\r\n"
              "<PhysicalMemory>-1 MB</PhysicalMemory>\r\n<LoggedOnUser></LoggedOnUser>\r\n"
              "<DXVersion></DXVersion>\r\n<SystemEnclosure>Tower</SystemEnclosure>\r\n");

    CDataVideoAdapter video(nullptr);
    video.m_RAM = 256;
    video.m_DACType = "Integrated <RAMDAC>";
    EXPECT_EQ(Written(video),
              "<Name></Name>\r\n<AdapterRAM>256 MB</AdapterRAM>\r\n"
              "<DacType>Integrated &lt;RAMDAC&gt;</DacType>\r\n");
}

TEST(RecordWriters, InUseIsWrittenRawAndPrinterStateAsAFlag) {
    CDataSystemSlot slot(nullptr);
    slot.m_Name = "PCI<1>";
    slot.m_InUse = "<b>";
    EXPECT_EQ(Written(slot), "<Name>PCI&lt;1&gt;</Name>\r\n<InUse><b></InUse>\r\n");

    CDataPrinter printer(nullptr);
    printer.m_PortName = "LPT1:";
    for (LONG state : {3, -5, 0}) {
        printer.m_State = state;
        const std::string flag = state ? "1" : "0";
        EXPECT_EQ(Written(printer),
                  "<Name></Name>\r\n<Location>LPT1:</Location>\r\n<State>" + flag + "</State>\r\n");
    }
}

TEST(RecordWriters, DiskDriveWritesCapacityAndDriveOnlyWhenPresent) {
    CDataDiskDrive drive(nullptr);
    drive.m_Name = "Disk";
    for (double capacity : {0.0, -1.0, std::nan("")}) {
        drive.m_Capacity = capacity;
        EXPECT_EQ(Written(drive), "<Name>Disk</Name>\r\n");
    }
    drive.m_Capacity = 74.53125;
    drive.m_Drive = "C:  ";
    EXPECT_EQ(Written(drive),
              "<Name>Disk</Name>\r\n<Capacity>74.53 GB</Capacity>\r\n<Drive>C:</Drive>\r\n");
    drive.m_Capacity = 0.0;
    drive.m_Drive = "   ";
    EXPECT_EQ(Written(drive), "<Name>Disk</Name>\r\n<Drive></Drive>\r\n");
}

TEST(RecordWriters, LogicalDiskTrimsTextAndTruncatesFreePerCent) {
    CDataLogicalDisk disk(nullptr);
    disk.m_FileSystem = "NTFS   ";
    disk.m_Name = "C: ";
    disk.m_Capacity = 50.0;
    disk.m_FreeSpace = 12.5;
    EXPECT_EQ(Written(disk),
              "<FileSystem>NTFS</FileSystem>\r\n<DeviceID>C:</DeviceID>\r\n"
              "<Size>50.00 GB</Size>\r\n<FreeSpace>12.50 GB</FreeSpace>\r\n"
              "<FreePerCent>25</FreePerCent>\r\n");

    disk.m_Capacity = 100.0;
    disk.m_FreeSpace = 33.9;
    EXPECT_NE(Written(disk).find("<FreePerCent>33</FreePerCent>"), std::string::npos);
    disk.m_FreeSpace = -0.5;  // toward zero, not down
    EXPECT_NE(Written(disk).find("<FreePerCent>0</FreePerCent>"), std::string::npos);

    disk.m_Capacity = 0.0;
    disk.m_FreeSpace = 0.0;
    const std::string empty = Written(disk);
    EXPECT_NE(empty.find("<Size>0.00 GB</Size>\r\n<FreeSpace>0.00 GB</FreeSpace>\r\n"
                         "<FreePerCent></FreePerCent>\r\n"),
              std::string::npos);
    CReportDefaults defaults;
    defaults.m_strMissingValue = "<n/a>";
    EXPECT_NE(Written(disk, &defaults).find("<FreePerCent>&lt;n/a&gt;</FreePerCent>"),
              std::string::npos);
}

TEST(RecordWriters, FractionsUseAPointInAnyLocale) {
    ASSERT_TRUE(UseDecimalCommaLocale());
    char probe[16];
    snprintf(probe, sizeof probe, "%.2f", 1.5);
    CDataLogicalDisk disk(nullptr);
    disk.m_Capacity = 74.53125;
    const std::string text = Written(disk);
    setlocale(LC_ALL, "C");
    ASSERT_STREQ(probe, "1,50") << "the locale did not take effect";
    EXPECT_NE(text.find("<Size>74.53 GB</Size>"), std::string::npos) << text;
}

// The network adapter writer reads the address table when the adapter row
// has no address of its own.
class NetworkAdapterWriterTest : public hwtest::HardwareDbTest {
protected:
    void SetUp() override {
        HardwareDbTest::SetUp();
        m_adapter.m_ID = m_pc;
        m_adapter.m_NetworkAdapterID = 1;
        m_adapter.m_Name = "eth0";
        m_adapter.m_DNSServer = "10.0.0.2";
        m_adapter.m_MacAddress = "00:11";
    }
    void AddAddress(LONG adapter, int index) {
        Execf("INSERT INTO dbo.NetworkIPAddress VALUES (%d, %d, %d, '10.1.%d.%d', '/8')", m_pc,
              adapter, index, adapter, index);
    }
    static std::string Tail() {
        return "<DNSServer>10.0.0.2</DNSServer>\r\n<DefaultIPGateway></DefaultIPGateway>\r\n"
               "<DHCPServer></DHCPServer>\r\n<MacAddress>00:11</MacAddress>\r\n"
               "<AdapterType></AdapterType>\r\n<WINSPrimaryServer></WINSPrimaryServer>\r\n";
    }

    CDataNetworkAdapter m_adapter{&m_connection};
    const LONG m_pc = 4711;
};

TEST_P(NetworkAdapterWriterTest, OwnAddressIsWrittenAndTheListIsNotRead) {
    AddAddress(1, 0);
    m_adapter.m_IPAddress = "192.168.1.5";
    m_adapter.m_IPSubnet = "255.255.255.0";
    EXPECT_EQ(Written(m_adapter),
              "<Name>eth0</Name>\r\n<IPAddress>192.168.1.5</IPAddress>\r\n"
              "<IPSubnet>255.255.255.0</IPSubnet>\r\n" +
                  Tail());
    // Without a connection a read of the list would have to connect and fail.
    CDataNetworkAdapter unconnected(nullptr);
    unconnected.m_IPAddress = "192.168.1.5";
    EXPECT_NO_THROW(Written(unconnected));
}

TEST_P(NetworkAdapterWriterTest, WithoutOwnAddressTheListIsWrittenAlsoWhenEmpty) {
    AddAddress(2, 0);  // another adapter's
    EXPECT_EQ(Written(m_adapter), "<Name>eth0</Name>\r\n<IPAddresses></IPAddresses>" + Tail());

    AddAddress(1, 0);
    AddAddress(1, 1);
    const std::string text = Written(m_adapter);
    const std::string first =
        "<NetworkIPAddress><IPAddress>10.1.1.0</IPAddress>\r\n<IPSubnet>/8</IPSubnet>\r\n"
        "</NetworkIPAddress>";
    const std::string second =
        "<NetworkIPAddress><IPAddress>10.1.1.1</IPAddress>\r\n<IPSubnet>/8</IPSubnet>\r\n"
        "</NetworkIPAddress>";
    // The rows come in the table's order, which no sort fixes.
    EXPECT_TRUE(
        text == "<Name>eth0</Name>\r\n<IPAddresses>" + first + second + "</IPAddresses>" + Tail() ||
        text == "<Name>eth0</Name>\r\n<IPAddresses>" + second + first + "</IPAddresses>" + Tail())
        << text;
}

INSTANTIATE_TEST_SUITE_P(Backends, NetworkAdapterWriterTest,
                         ::testing::Values(hwtest::Backend::SQLite, hwtest::Backend::PostgreSQL),
                         hwtest::BackendName);

}  // namespace
