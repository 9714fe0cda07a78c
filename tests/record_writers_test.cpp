// What hardware rows write into the report in the cases the hand-written PCs
// of report_document_test do not reach: values no inventory stores on its
// own (NaN, negative numbers, markup in InUse), the missing-value text, and a
// process locale with a decimal comma.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>

#include "db/HardwareTables.h"
#include "tests/TestLocale.h"

namespace {

template <class T>
std::string Written(T& table, const CReportDefaults* pDefaults = nullptr) {
    CString out("<Row>");
    table.WriteXml(out, 0, pDefaults);
    return out.str().substr(5);
}

TEST(RecordWriters, NegativeNumbersKeepTheirSignAndControlCharactersGo) {
    CDataSystemOverview overview(nullptr);
    overview.m_Memory = -1;
    overview.m_WorkGroup = "WORK\tGROUP";
    const std::string text = Written(overview);
    EXPECT_NE(text.find("<PhysicalMemory>-1 MB</PhysicalMemory>"), std::string::npos) << text;
    EXPECT_NE(text.find("<Domain>WORKGROUP</Domain>"), std::string::npos) << text;
}

TEST(RecordWriters, InUseIsWrittenRawAndPrinterStateAsAFlag) {
    CDataSystemSlot slot(nullptr);
    slot.m_Name = "PCI<1>";
    slot.m_InUse = "<b>";
    EXPECT_EQ(Written(slot), "<Name>PCI&lt;1&gt;</Name>\r\n<InUse><b></InUse>\r\n");

    CDataPrinter printer(nullptr);
    for (LONG state : {3, -5, 0}) {
        printer.m_State = state;
        EXPECT_NE(Written(printer).find(state ? "<State>1</State>" : "<State>0</State>"),
                  std::string::npos)
            << state;
    }
}

TEST(RecordWriters, DiskDriveWritesCapacityAndDriveOnlyWhenPresent) {
    CDataDiskDrive drive(nullptr);
    drive.m_Name = "Disk";
    for (double capacity : {0.0, -1.0, std::nan("")}) {
        drive.m_Capacity = capacity;
        EXPECT_EQ(Written(drive), "<Name>Disk</Name>\r\n") << capacity;
    }
}

TEST(RecordWriters, FreePerCentTruncatesTowardZeroOrTakesTheMissingValueText) {
    CDataLogicalDisk disk(nullptr);
    disk.m_Capacity = 100.0;
    disk.m_FreeSpace = 33.9;
    EXPECT_NE(Written(disk).find("<FreePerCent>33</FreePerCent>"), std::string::npos);
    disk.m_FreeSpace = -0.5;  // toward zero, not down
    EXPECT_NE(Written(disk).find("<FreePerCent>0</FreePerCent>"), std::string::npos);

    disk.m_Capacity = 0.0;
    disk.m_FreeSpace = 0.0;
    EXPECT_NE(Written(disk).find("<FreePerCent></FreePerCent>"), std::string::npos);
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

}  // namespace
