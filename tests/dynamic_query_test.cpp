// Free-form queries on real drivers: rowset-by-rowset delivery, NULLs, text
// widths, the rowset warning rule and the two queries of user-defined devices.
#include <string>
#include <utility>
#include <vector>

#include "db/AdditionalQueries.h"
#include "db/DynamicQuery.h"
#include "tests/TestDatabase.h"

namespace {

using testdb::DatabaseTest;

class CRowQuery : public CDynamicQuery {
public:
    explicit CRowQuery(CDataConnection* pConnection, int nLabelWidth = 0)
        : CDynamicQuery(pConnection) {
        m_strSQLText =
            "SELECT [ID],[Num],[Label],[Amount],[Stamp] FROM [dbo].[QueryRow] ORDER BY [ID]";
        AddLong(&m_nID);
        AddLong(&m_nNum);
        if (nLabelWidth)
            AddText(&m_strLabel, nLabelWidth);
        else
            AddText(&m_strLabel);
        AddDouble(&m_dAmount);
        AddDate(&m_stamp);
    }
    void SetSQL(const char* sql) { m_strSQLText = sql; }

    LONG m_nID = -1, m_nNum = -1;
    CString m_strLabel;
    double m_dAmount = -1;
    CTime m_stamp;
};

class DynamicQueryTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) return;
        CreateTable("QueryRow",
                    "ID INTEGER, Num INTEGER, Label VARCHAR(700), Amount DOUBLE PRECISION, "
                    "Stamp TIMESTAMP");
    }

    // Rows 1..count with Num = 2 * ID and Label "row<ID>".
    void InsertRows(int count) {
        for (int first = 1; first <= count; first += 40) {
            std::string sql = "INSERT INTO [dbo].[QueryRow] (ID, Num, Label) VALUES ";
            for (int id = first; id < first + 40 && id <= count; ++id) {
                if (id != first) sql += ",";
                sql += "(" + std::to_string(id) + "," + std::to_string(2 * id) + ",'row" +
                       std::to_string(id) + "')";
            }
            Exec(sql);
        }
    }
};

TEST_P(DynamicQueryTest, DeliversEveryRowOnceAcrossRowsetsThenCloses) {
    for (int count : {0, 1, 49, 50, 51, 150}) {
        SCOPED_TRACE("rows: " + std::to_string(count));
        Exec("DELETE FROM [dbo].[QueryRow]");
        InsertRows(count);
        CRowQuery query(&m_connection);
        std::vector<LONG> ids;
        if (query.Execute(0, 0)) {
            do {
                ASSERT_EQ(query.m_nNum, 2 * query.m_nID);
                ASSERT_EQ(query.m_strLabel, ("row" + std::to_string(query.m_nID)).c_str());
                ids.push_back(query.m_nID);
            } while (query.FetchNext());
        }
        std::vector<LONG> expected;
        for (int id = 1; id <= count; ++id) expected.push_back(id);
        EXPECT_EQ(ids, expected);
        EXPECT_FALSE(query.IsOpen());
        EXPECT_FALSE(query.FetchNext());
    }
}

TEST_P(DynamicQueryTest, NullColumnsSetTheIsNullByteAndTheNextValueClearsIt) {
    Exec(
        "INSERT INTO [dbo].[QueryRow] VALUES (1, NULL, NULL, NULL, NULL), "
        "(2, 5, 'five', 1.25, '2020-01-02 03:04:05'), (3, NULL, 'x', NULL, NULL)");
    CRowQuery query(&m_connection);
    query.m_nNum = 99;
    query.m_strLabel = "stale";
    const time_t stamp = CTime(2020, 1, 2, 3, 4, 5).GetTime();
    // Num, Label, Amount, the null bytes of ID, Num and Label, and the stamp (kept over NULL).
    std::vector<std::string> rows;
    for (bool more = query.Execute(0, 0) > 0; more; more = query.FetchNext())
        rows.push_back(
            std::to_string(query.m_nNum) + " '" + query.m_strLabel.str() + "' " +
            std::to_string(query.m_dAmount) + " " + std::to_string(query.IsColumnNull(0)) +
            std::to_string(query.IsColumnNull(1)) + std::to_string(query.IsColumnNull(2)) +
            (query.m_stamp.GetTime() == stamp ? " stamp" : ""));
    EXPECT_EQ(rows, (std::vector<std::string>{"0 '' 0.000000 011", "5 'five' 1.250000 000 stamp",
                                              "0 'x' 0.000000 010 stamp"}));
}

TEST_P(DynamicQueryTest, TextIsCutToItsWidthWithoutAnError) {
    const std::string longText(600, 'x');
    Exec("INSERT INTO [dbo].[QueryRow] (ID, Label) VALUES (1, '" + longText + "')");
    {
        CRowQuery query(&m_connection);  // default width: 511 characters
        ASSERT_EQ(query.Execute(0, 0), 1);
        EXPECT_EQ(query.m_strLabel.str(), std::string(511, 'x'));
    }
    CRowQuery narrow(&m_connection, 10);
    ASSERT_EQ(narrow.Execute(0, 0), 1);
    EXPECT_EQ(narrow.m_strLabel, "xxxxxxxxxx");
}

// A missing table, and more columns bound than the statement returns.
TEST_P(DynamicQueryTest, BadStatementsRaiseAndLeaveTheQueryClosed) {
    InsertRows(1);
    const std::pair<const char*, std::string> cases[] = {
        {"SELECT [ID],[Num],[Label],[Amount],[Stamp] FROM [dbo].[NoSuchTable]", "SQLSTATE "},
        {"SELECT [ID] FROM [dbo].[QueryRow]",
         "The query binds 5 columns but its statement returns 1"},
    };
    for (const auto& [sql, message] : cases) {
        CRowQuery query(&m_connection);
        query.SetSQL(sql);
        try {
            query.Execute(0, 0);
            ADD_FAILURE() << "no exception: " << sql;
        } catch (const CDBException& e) {
            EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
        }
        EXPECT_FALSE(query.IsOpen());
    }
}

HW_ON_BOTH_BACKENDS(DynamicQueryTest);

// The rowset rule on the diagnostics text of a SQL_SUCCESS_WITH_INFO fetch.
TEST(RowsetWarning, TruncationWinsOverARowErrorAndOtherWarningsPass) {
    using W = CDynamicBulkSet::RowsetWarning;
    const std::string truncated = "State:01004,Native:0,Origin:[SQLite]";
    const std::string rowError = "State:01S01,Native:0,Origin:[unixODBC]";
    EXPECT_EQ(CDynamicBulkSet::ClassifyRowsetWarning(truncated), W::Truncated);
    EXPECT_EQ(CDynamicBulkSet::ClassifyRowsetWarning(rowError + "\n" + truncated), W::Truncated);
    EXPECT_EQ(CDynamicBulkSet::ClassifyRowsetWarning(rowError), W::RowError);
    EXPECT_EQ(CDynamicBulkSet::ClassifyRowsetWarning("State:01S02,Native:0,Origin:"), W::Ignore);
}

// The user-defined devices of PC 7: Camera (display order 1) and Scanner (2)
// with values; Plotter has values only on PC 8.
class AdditionalQueryTest : public testdb::HardwareDbTest {
protected:
    void SetUp() override {
        HardwareDbTest::SetUp();
        if (HasFatalFailure()) return;
        Exec(
            "INSERT INTO [dbo].[AdditionalHardwareDevice] VALUES "
            "(10, 'Scanner', 1, 0, 2), (20, 'Camera', 0, 1, 1), (30, 'Plotter', 0, 0, 0)");
        Exec(
            "INSERT INTO [dbo].[AdditionalHardwareProperty] VALUES "
            "(101, 10, 'Model', 1, 2), (102, 10, 'Port', 0, 1), (201, 20, 'Lens', 0, 1), "
            "(301, 30, 'Pens', 0, 1)");
        // Instance 1 is stored before instance 0, properties against their order.
        Exec(
            "INSERT INTO [dbo].[AdditionalHardware] VALUES "
            "(7, 10, 101, 1, 'S-2000'), (7, 10, 102, 1, 'USB'), (7, 10, 101, 0, 'S-1000'), "
            "(7, 10, 102, 0, NULL), (7, 20, 201, 0, 'wide'), (7, 20, 201, 1, 'tele'), "
            "(8, 30, 301, 0, '8')");
    }
};

TEST_P(AdditionalQueryTest, DeviceListNamesEachTypeOnceInDisplayOrder) {
    CAdditionalDeviceQuery query(&m_connection, 7);
    std::vector<std::string> rows;
    for (bool more = query.Execute(0, 0) > 0; more; more = query.FetchNext())
        rows.push_back(std::to_string(query.m_nHardwareDeviceID) + " " + query.m_strName.str() +
                       " " + std::to_string(query.m_nMultipleAllowed) + " " +
                       std::to_string(query.m_nOwnBox) + " " +
                       std::to_string(query.m_nDisplayOrder));
    EXPECT_EQ(rows, (std::vector<std::string>{"20 Camera 0 1 1", "10 Scanner 1 0 2"}));
    EXPECT_FALSE(query.IsOpen());

    CAdditionalDeviceQuery none(&m_connection, 9);
    EXPECT_EQ(none.Execute(0, 0), 0);
    EXPECT_FALSE(none.IsOpen());
}

TEST_P(AdditionalQueryTest, ValueListGroupsByInstanceThenPropertyOrder) {
    CAdditionalValueQuery query(&m_connection, 7, 10);
    std::vector<std::string> rows;
    for (bool more = query.Execute(0, 0) > 0; more; more = query.FetchNext())
        rows.push_back(std::to_string(query.m_nIndexID) + " " + query.m_strName.str() + "=" +
                       query.m_strDataValue.str() + " " + std::to_string(query.m_nDoubleWidth) +
                       " " + std::to_string(query.m_nDisplayOrder));
    // The NULL value of instance 0's port arrives as empty text.
    EXPECT_EQ(rows, (std::vector<std::string>{"0 Port= 0 1", "0 Model=S-1000 1 2", "1 Port=USB 0 1",
                                              "1 Model=S-2000 1 2"}));
}

TEST_P(AdditionalQueryTest, ValuesAreCutTo127BytesOnACharacterBoundary) {
    const std::string ascii(200, 'v');
    std::string accented;
    for (int i = 0; i < 100; ++i) accented += "\xc3\xa9";  // 2 bytes each
    Exec("UPDATE [dbo].[AdditionalHardware] SET DataValue = '" + ascii +
         "' WHERE ID = 7 AND HardwarePropertyID = 201 AND IndexID = 0");
    Exec("UPDATE [dbo].[AdditionalHardware] SET DataValue = '" + accented +
         "' WHERE ID = 7 AND HardwarePropertyID = 201 AND IndexID = 1");
    CAdditionalValueQuery query(&m_connection, 7, 20);
    ASSERT_EQ(query.Execute(0, 0), 1);
    EXPECT_EQ(query.m_strDataValue.str(), ascii.substr(0, 127));
    ASSERT_TRUE(query.FetchNext());
    EXPECT_EQ(query.m_strDataValue.str(), accented.substr(0, 126));  // 63 whole characters
    EXPECT_FALSE(query.FetchNext());
}

TEST(AdditionalQuery, QueryWithoutAConnectionObjectIsRefused) {
    CAdditionalDeviceQuery query(nullptr, 7);
    EXPECT_THROW(query.Execute(0, 0), CDBException);
    EXPECT_FALSE(query.IsOpen());
}

HW_ON_BOTH_BACKENDS(AdditionalQueryTest);

}  // namespace
