// The ODBC layer on real drivers: single-row recordsets, parameters, dialects,
// diagnostics and the default data source.
#include <cstdlib>
#include <fstream>
#include <utility>
#include <vector>

#include "tests/TestDatabase.h"

namespace {

using testdb::DatabaseTest;

// The user DSN file (ODBCINI) that defines the default data source
// "VarnelVYN"; set at start-up, before the first ODBC call, as unixODBC requires.
const testdb::TempDir kDsnDir;
const std::string kDsnDatabase = kDsnDir.File("dsn.db");
const bool kDsnReady = [] {
    std::ofstream(kDsnDir.File("odbc.ini"))
        << "[VarnelVYN]\nDriver=SQLite3\nDatabase=" << kDsnDatabase << "\n";
    return setenv("ODBCINI", kDsnDir.File("odbc.ini").c_str(), 1) == 0;
}();

const char kItemColumns[] =
    "ID INTEGER, Quantity INTEGER, Name VARCHAR(100), Amount DOUBLE PRECISION, Seen TIMESTAMP";

// One row of [dbo].[RfxItem], read one row at a time.
class CItemSet : public CRecordset {
public:
    using CRecordset::CRecordset;

    CString GetDefaultSQL() override { return m_strTable; }
    void DoFieldExchange(CFieldExchange* pFX) override {
        pFX->SetFieldType(CFieldExchange::outputColumn);
        RFX_Long(pFX, "[ID]", m_nID);
        RFX_Long(pFX, "[Quantity]", m_nQuantity);
        RFX_Text(pFX, "[Name]", m_strName, 7);
        RFX_Double(pFX, "[Amount]", m_dAmount);
        RFX_Date(pFX, "[Seen]", m_seen);
        pFX->SetFieldType(CFieldExchange::param);
        if (m_nParams >= 1) RFX_Long(pFX, "[ID]", m_nKey);
        if (m_nParams >= 2) RFX_Text(pFX, "[Name]", m_strKeyName);
    }

    CString m_strTable = "[dbo].[RfxItem]";
    LONG m_nID = -1, m_nQuantity = -1, m_nKey = 0;
    CString m_strName = "stale", m_strKeyName;
    double m_dAmount = -1.0;
    CTime m_seen;
};

// The statements the SQLite connection holds prepared, this one included.
class CStatementCount : public CRecordset {
public:
    using CRecordset::CRecordset;
    CString GetDefaultSQL() override { return "SELECT COUNT(*) FROM sqlite_stmt"; }
    void DoFieldExchange(CFieldExchange* pFX) override {
        pFX->SetFieldType(CFieldExchange::outputColumn);
        RFX_Long(pFX, "n", m_nCount);
    }
    LONG m_nCount = 0;
};

class RecordsetTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (HasFatalFailure()) return;
        CreateTable("RfxItem", kItemColumns);
    }
    // Opens the row with the given ID through the parameterised filter.
    bool OpenById(CItemSet& set, LONG id) {
        set.m_nParams = 1;
        set.m_strFilter = "ID = ?";
        set.m_nKey = id;
        set.Open();
        return !set.IsEOF();
    }
};

TEST_P(RecordsetTest, NullColumnsReadAsZeroEmptyTextAndKeepTheDate) {
    Exec("INSERT INTO [dbo].[RfxItem] VALUES (1, 12, 'abc', 2.5, '2021-03-04 05:06:07')");
    Exec("INSERT INTO [dbo].[RfxItem] VALUES (2, NULL, NULL, NULL, NULL)");
    CItemSet set(&m_connection.m_database);
    ASSERT_TRUE(OpenById(set, 1));
    EXPECT_EQ(set.GetSQL(),
              "SELECT [ID],[Quantity],[Name],[Amount],[Seen] FROM [dbo].[RfxItem] WHERE ID = ?");
    EXPECT_EQ(set.m_nQuantity, 12);
    EXPECT_EQ(set.m_strName, "abc");
    EXPECT_DOUBLE_EQ(set.m_dAmount, 2.5);
    const CTime seen(2021, 3, 4, 5, 6, 7);
    EXPECT_EQ(set.m_seen.GetTime(), seen.GetTime());

    ASSERT_TRUE(OpenById(set, 2));
    EXPECT_EQ(set.m_nID, 2);
    EXPECT_EQ(set.m_nQuantity, 0);
    EXPECT_EQ(set.m_strName, "");
    EXPECT_EQ(set.m_dAmount, 0.0);
    EXPECT_EQ(set.m_seen.GetTime(), seen.GetTime());
    set.MoveNext();
    EXPECT_TRUE(set.IsEOF());
    EXPECT_FALSE(OpenById(set, 3));
}

TEST_P(RecordsetTest, LongTextArrivesCutOnACharacterBoundary) {
    Exec("INSERT INTO [dbo].[RfxItem] (ID, Name) VALUES (1, 'abcdefghij')");
    // "ab" + two 3-byte euro signs: 8 bytes, one too many for 7.
    Exec("INSERT INTO [dbo].[RfxItem] (ID, Name) VALUES (2, 'ab\xe2\x82\xac\xe2\x82\xac')");
    Exec("INSERT INTO [dbo].[RfxItem] (ID, Name) VALUES (3, 'a\xe2\x82\xac\xe2\x82\xac')");
    CItemSet set(&m_connection.m_database);
    ASSERT_TRUE(OpenById(set, 1));
    EXPECT_EQ(set.m_strName, "abcdefg");
    ASSERT_TRUE(OpenById(set, 2));
    EXPECT_EQ(set.m_strName, "ab\xe2\x82\xac");
    ASSERT_TRUE(OpenById(set, 3));
    EXPECT_EQ(set.m_strName, "a\xe2\x82\xac\xe2\x82\xac");
}

TEST_P(RecordsetTest, MovesForwardThroughEveryRowAndRefusesToGoBack) {
    for (int id = 1; id <= 5; ++id)
        Exec("INSERT INTO [dbo].[RfxItem] (ID, Quantity) VALUES (" + std::to_string(id) + ", " +
             std::to_string(id * 10) + ")");
    CItemSet set(&m_connection.m_database);
    set.m_strSort = "ID";
    set.Open();
    std::vector<LONG> seen;
    for (; !set.IsEOF(); set.MoveNext()) seen.push_back(set.m_nQuantity);
    EXPECT_EQ(seen, (std::vector<LONG>{10, 20, 30, 40, 50}));
    EXPECT_THROW(set.MoveNext(), CDBException);  // already past the end

    set.Open();
    try {
        set.Move(-1, SQL_FETCH_RELATIVE);
        FAIL() << "a backward move must throw";
    } catch (const CDBException& e) {
        EXPECT_EQ(e.m_nRetCode, AFX_SQL_ERROR_RECORDSET_FORWARD_ONLY);
    }
    EXPECT_EQ(set.m_nQuantity, 10);  // the current row is untouched
}

// Only SQLite lists a connection's prepared statements (sqlite_stmt).
class StatementLifetimeTest : public RecordsetTest {};

TEST_P(StatementLifetimeTest, ClosedRecordsetsLeaveNoStatementBehind) {
    // A host keeps its connection for thousands of reports, each opening
    // dozens of recordsets: their statements are freed, or kept prepared for
    // the next recordset of the same text, but never pile up.
    for (int id = 1; id <= 3; ++id)
        Exec("INSERT INTO [dbo].[RfxItem] (ID, Quantity) VALUES (" + std::to_string(id) + ", " +
             std::to_string(id * 10) + ")");
    auto prepared = [this] {
        CStatementCount count(&m_connection.m_database);
        count.Open();
        return count.m_nCount;
    };
    LONG literal = 0;
    auto round = [this, &literal] {
        CItemSet all(&m_connection.m_database);
        all.Open();  // left on its first row: closed by the destructor
        // Texts that carry their values, new every time: prepared again on
        // the statements such texts left before, the right rows each time.
        for (int i = 0; i < 2; ++i) {
            CItemSet byText(&m_connection.m_database);
            const LONG id = literal++ % 3 + 1;
            byText.m_strFilter.Format("ID = %d", static_cast<int>(id));
            byText.Open();
            EXPECT_EQ(byText.m_nQuantity, id * 10);
        }
        // The same parameterised text twice at once, then again and again.
        CItemSet first(&m_connection.m_database), second(&m_connection.m_database);
        ASSERT_TRUE(OpenById(first, 1));
        ASSERT_TRUE(OpenById(second, 3));
        EXPECT_EQ(first.m_nQuantity, 10);
        EXPECT_EQ(second.m_nQuantity, 30);
        first.Close();
        ASSERT_TRUE(OpenById(first, 2));
        EXPECT_EQ(first.m_nQuantity, 20);
        first.MoveNext();
        EXPECT_TRUE(first.IsEOF());
        EXPECT_FALSE(OpenById(second, 4));
    };
    // The spares fill within a few rounds; from then on nothing is added.
    for (int i = 0; i < 5; ++i) round();
    const LONG settled = prepared();
    for (int i = 0; i < 10; ++i) round();
    EXPECT_EQ(prepared(), settled);
}

TEST_P(RecordsetTest, QuotesAndBracketsSurviveInLiteralsAndBoundParameters) {
    // Brackets go only where PostgreSQL needs it: not inside literals or quoted names.
    const char* sql =
        "SELECT [ID] FROM [dbo].[RfxItem] WHERE [Name] = 'it''s [x]' OR \"Name\" = '['";
    EXPECT_EQ(m_connection.m_database.GetDialect(),
              IsPostgres() ? DbDialect::PostgreSQL : DbDialect::SQLite);
    EXPECT_EQ(m_connection.m_database.PrepareSQLText(sql),
              IsPostgres() ? "SELECT ID FROM dbo.RfxItem WHERE Name = 'it''s [x]' OR \"Name\" = '['"
                           : sql);
    Exec(
        "INSERT INTO [dbo].[RfxItem] (ID, Name) VALUES (4, 'it''s [x]'), (5, 'its x'), "
        "(7, 'O''Brien [x] \"y\"'), (7, 'other')");
    CItemSet literal(&m_connection.m_database), bound(&m_connection.m_database);
    literal.Open(AFX_DB_USE_DEFAULT_TYPE,
                 "SELECT [ID],[Quantity],[Name],[Amount],[Seen] FROM [dbo].[RfxItem] "
                 "WHERE [Name] = 'it''s [x]'");
    // A text parameter is bound, not pasted into the statement.
    bound.m_nParams = 2;
    bound.m_strFilter = "ID = ? AND Name = ?";
    bound.m_nKey = 7;
    bound.m_strKeyName = "O'Brien [x] \"y\"";
    bound.Open();
    for (auto [set, id] : {std::pair<CItemSet*, LONG>{&literal, 4}, {&bound, 7}}) {
        ASSERT_FALSE(set->IsEOF());
        EXPECT_EQ(set->m_nID, id);
        set->MoveNext();
        EXPECT_TRUE(set->IsEOF());
    }
}

TEST_P(RecordsetTest, MissingTableOrClosedConnectionRaisesTheDriversStateAndMessage) {
    CItemSet set(&m_connection.m_database);
    set.m_strTable = "[dbo].[NoSuchTable]";
    try {
        set.Open();
        FAIL() << "opening a missing table must throw";
    } catch (const CDBException& e) {
        const std::string what = e.what(), state = e.GetSqlState().GetString();
        ASSERT_EQ(state.size(), 5u) << what;
        EXPECT_EQ(what.rfind("SQLSTATE " + state + ": ", 0), 0u) << what;
        EXPECT_NE(what.find(IsPostgres() ? "does not exist" : "no such table"), std::string::npos)
            << what;
        EXPECT_NE(e.m_strStateNativeOrigin.Find(("State:" + state).c_str()), -1);
        CString error = e.m_strError;
        error.MakeLower();  // PostgreSQL reports the folded name
        EXPECT_NE(error.Find("nosuchtable"), -1) << e.m_strError.GetString();
    }
    EXPECT_FALSE(set.IsOpen());

    CDatabase closed;
    CItemSet onClosed(&closed);
    EXPECT_THROW(onClosed.Open(), CDBException);
    EXPECT_FALSE(onClosed.IsOpen());
}

HW_ON_BOTH_BACKENDS(RecordsetTest);
INSTANTIATE_TEST_SUITE_P(SQLite, StatementLifetimeTest, ::testing::Values(testdb::Backend::SQLite),
                         testdb::BackendName);

// A recordset without a database connects with its default connection
// string, here the data source this test process defines in its ODBCINI file.
class CDefaultItemSet : public CItemSet {
public:
    CDefaultItemSet() : CItemSet(nullptr) {}
    CString GetDefaultConnect() override { return "ODBC;DSN=VarnelVYN"; }
};

TEST(DefaultDataSource, RecordsetConnectsThroughTheDsnAndClosesItsConnection) {
    {
        CDataConnection setup;
        ASSERT_TRUE(kDsnReady);
        setup.Open(testdb::SqliteConnect(kDsnDatabase).c_str());
        setup.m_database.ExecuteSQL("DROP TABLE IF EXISTS [dbo].[RfxItem]");
        setup.m_database.ExecuteSQL(
            (std::string("CREATE TABLE [dbo].[RfxItem] (") + kItemColumns + ")").c_str());
        setup.m_database.ExecuteSQL("INSERT INTO [dbo].[RfxItem] (ID, Name) VALUES (3, 'dsn')");
    }
    CDefaultItemSet set;
    set.Open();
    ASSERT_NE(set.GetDatabase(), nullptr);
    EXPECT_TRUE(set.GetDatabase()->IsOpen());
    ASSERT_FALSE(set.IsEOF());
    EXPECT_EQ(set.m_strName, "dsn");
    set.Close();
    EXPECT_EQ(set.GetDatabase(), nullptr);

    // The host's connection attaches the DSN's file as dbo too.
    CDataConnection connection;
    connection.Open("ODBC;DSN=VarnelVYN");
    CItemSet onHost(&connection.m_database);
    onHost.Open();
    ASSERT_FALSE(onHost.IsEOF());
    EXPECT_EQ(onHost.m_nID, 3);
}

TEST(DefaultDataSource, UnknownDataSourceRaisesTheDriverManagersError) {
    CDatabase database;
    try {
        database.OpenEx("ODBC;DSN=NoSuchSourceHere");
        FAIL() << "connecting to an unknown DSN must throw";
    } catch (const CDBException& e) {
        EXPECT_EQ(e.GetSqlState(), "IM002") << e.what();
        EXPECT_NE(e.m_strStateNativeOrigin.Find("Origin:[unixODBC][Driver Manager]"), -1)
            << e.m_strStateNativeOrigin.GetString();
    }
    EXPECT_FALSE(database.IsOpen());
}

}  // namespace
