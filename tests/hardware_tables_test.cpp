// The table classes' query modes that no report reaches, on a real SQLite
// database and on the PostgreSQL test server. The modes a report uses (one
// PC, one device type, one adapter's addresses, the BIOS row by its full key)
// are proven byte for byte by report_document_test on both backends.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "db/HardwareTables.h"
#include "tests/TestDatabase.h"

namespace {

class HardwareTablesTest : public testdb::HardwareDbTest {
protected:
    void AddBios(LONG pc, int instance) {
        Exec("INSERT INTO dbo.BIOS (ID, BIOSID, SystemMan) VALUES (" + std::to_string(pc) + ", " +
             std::to_string(instance) + ", 'Maker" + std::to_string(instance) + "')");
    }
    const LONG m_pc = 4711;
};

TEST_P(HardwareTablesTest, BiosFromAnInstanceOnAndByFullKey) {
    for (int i = 0; i < 3; ++i) AddBios(m_pc, i);
    AddBios(m_pc + 1, 1);
    CDataBIOS bios(&m_connection);
    bios.m_ID = m_pc;
    bios.m_BIOSID = 1;
    ASSERT_EQ(bios.Select(CDataBIOS::MODE_FROM_INSTANCE), 1);
    std::set<std::string> makers;
    do makers.insert(bios.m_SystemMan.str());
    while (bios.MoveNext());
    EXPECT_EQ(makers, (std::set<std::string>{"Maker1", "Maker2"}));

    // By key: found and closed, or found and kept open on its one row.
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
    Exec("INSERT INTO dbo.CPU (ID, CPUID, Speed) VALUES (" + std::to_string(m_pc) + ", 0, 2400)");
    CDataCPU open(&m_connection);
    open.m_ID = m_pc;
    ASSERT_EQ(open.Select(CPCIDataRecord::MODE_ONE_PC), 1);
    EXPECT_EQ(open.Select(44), -1);
    EXPECT_TRUE(open.IsOpen());
    EXPECT_EQ(open.m_Speed, 2400);
}

HW_ON_BOTH_BACKENDS(HardwareTablesTest);

}  // namespace
