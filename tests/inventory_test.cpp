// Hardware records: the common interface over a real table, and the BIOS
// summary the system overview shows.
#include <gtest/gtest.h>

#include "inventory/InventoryRecords.h"
#include "tests/TestDatabase.h"

namespace {

class InventoryRecords : public ::testing::Test {
protected:
    void SetUp() override {
        m_connection.Open(testdb::SqliteConnect(testdb::SampleFleet()).c_str());
    }
    CDataConnection m_connection;
};

TEST_F(InventoryRecords, FindInstanceAndMoveNextItemReadRows) {
    CInvBIOS bios(&m_connection);
    CInvItem& item = bios;
    EXPECT_TRUE(item.IsNew());
    EXPECT_EQ(item.FindInstance(2, 7), 0);
    EXPECT_TRUE(item.IsNew());
    EXPECT_EQ(item.FindInstance(2, 1), 1);
    EXPECT_FALSE(item.IsNew());
    EXPECT_FALSE(bios.IsOpen()) << "a lookup by key leaves the table closed";
    EXPECT_EQ(bios.m_Manufacturer.str(), "Legacy BIOS");

    // Every row of a PC through the interface.
    CInvCPU cpu(&m_connection);
    cpu.m_ID = 2;
    ASSERT_EQ(static_cast<CInvItem&>(cpu).GetRecordset()->Select(CPCIDataRecord::MODE_ONE_PC), 1);
    int rows = 1;
    while (static_cast<CInvItem&>(cpu).MoveNextItem()) ++rows;
    EXPECT_EQ(rows, 3);
}

TEST_F(InventoryRecords, ReadOnlyOperationsChangeNothing) {
    CInvPrinter printer(&m_connection);
    ASSERT_EQ(printer.FindInstance(2, 0), 1);
    printer.m_Name = "renamed";
    EXPECT_EQ(printer.Save(), 0);
    EXPECT_EQ(printer.DeleteFrom(2, 0), 0);
    CInvPrinter again(&m_connection);
    ASSERT_EQ(again.FindInstance(2, 0), 1);
    EXPECT_EQ(again.m_Name.str(), "HP LaserJet");
    CString key, value;
    EXPECT_FALSE(again.GetHistoryEntry(0, key, value));
    EXPECT_FALSE(again.ReadFromXml());
}

TEST_F(InventoryRecords, DescribeAndChangeCountsFollowTheRow) {
    CInvCPU cpu(&m_connection);
    CInvNetworkAdapter adapter(&m_connection);
    CString a, b, c;
    EXPECT_FALSE(cpu.Describe(a, b, c));
    ASSERT_EQ(adapter.FindInstance(2, 0), 1);
    EXPECT_TRUE(adapter.Describe(a, b, c));
    EXPECT_EQ(a.str(), "Intel Ethernet");
    EXPECT_EQ(b.str(), "00:11:22:33:44:55");
    EXPECT_EQ(c.str(), "192.168.1.20");

    CInvPrinter busy(&m_connection), idle(&m_connection);
    ASSERT_EQ(busy.FindInstance(2, 0), 1);
    ASSERT_EQ(idle.FindInstance(2, 1), 1);
    EXPECT_TRUE(busy.ChangeCounts(0));
    EXPECT_FALSE(idle.ChangeCounts(0));
    EXPECT_TRUE(cpu.ChangeCounts(0));
}

TEST_F(InventoryRecords, BiosSummaryPutsTheMissingValueTextForEmptyColumns) {
    CInvBIOS bios(&m_connection);
    ASSERT_EQ(bios.FindInstance(3, 0), 1);  // PC 3's row 0 has no maker or model
    CString out;
    CReportDefaults defaults;
    defaults.m_strMissingValue = "<n/a>";
    bios.WriteSummaryXml(out, &defaults);
    EXPECT_EQ(out.str(),
              "<Manufacturer>&lt;n/a&gt;</Manufacturer>\r\n<Model>&lt;n/a&gt;</Model>\r\n");
    CString empty;
    bios.WriteSummaryXml(empty, nullptr);
    EXPECT_EQ(empty.str(), "<Manufacturer></Manufacturer>\r\n<Model></Model>\r\n");
}

}  // namespace
