// CStatement and CTransaction on a real SQLite file through the SQLite3
// ODBC driver.
#include "platform/Statement.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Transaction.h"
#include "tests/TestDatabase.h"

namespace {

class StatementTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_db.OpenEx(testdb::SqliteConnect(m_dir.File("t.db")).c_str());
        m_db.ExecuteSQL(
            "CREATE TABLE t (i INTEGER PRIMARY KEY, d REAL, s VARCHAR(1000), n INTEGER)");
    }
    // Asked on a second connection: it sees only what was committed.
    long Number(const std::string& sql) {
        CDatabase other;
        other.OpenEx(testdb::SqliteConnect(m_dir.File("t.db")).c_str());
        return testdb::QueryNumber(other, sql);
    }

    testdb::TempDir m_dir;
    CDatabase m_db;
};

TEST_F(StatementTest, ExecutesManyTimesWithEachRowsValues) {
    CStatement insert(m_db, "INSERT INTO t (i, d, s, n) VALUES (?, ?, ?, ?)");
    EXPECT_EQ(insert.GetParamCount(), 4);
    const std::string longText(600, 'x');  // wider than the first binding
    struct Row {
        LONG i;
        double d;
        const char* s;  // null: NULL
        bool nNull;
    } rows[] = {
        {1, 2.5, "short", false},   {2, -0.125, longText.c_str(), true},
        {3, 1e300, nullptr, false}, {4, 0.0, "back to short", true},
        {5, 7.0, "", false},
    };
    for (const Row& row : rows) {
        insert.BindLong(1, row.i);
        insert.BindDouble(2, row.d);
        if (row.s) {
            std::string copy = row.s;
            insert.BindText(3, copy);
            copy.assign("overwritten after binding");  // the statement keeps its own copy
        } else {
            insert.BindNull(3);
        }
        if (row.nNull)
            insert.BindNull(4, SQL_INTEGER);
        else
            insert.BindLong(4, row.i * 10);
        EXPECT_EQ(insert.Execute(), 1);
    }
    // Each row as bound: a value after a NULL is a value again, in text and number columns alike.
    EXPECT_EQ(Number("SELECT COUNT(*) FROM t WHERE (i = 1 AND d = 2.5 AND s = 'short' AND n = 10) "
                     "OR (i = 2 AND d = -0.125 AND length(s) = 600 AND n IS NULL) "
                     "OR (i = 3 AND d = 1e300 AND s IS NULL AND n = 30) "
                     "OR (i = 4 AND s = 'back to short' AND n IS NULL) "
                     "OR (i = 5 AND s = '' AND n = 50)"),
              5);
}

TEST_F(StatementTest, FailuresAreDatabaseExceptions) {
    CStatement insert(m_db, "INSERT INTO t (i) VALUES (?)");
    try {
        insert.BindLong(2, 1);
        FAIL() << "parameter 2 of 1 was accepted";
    } catch (const CDBException& e) {
        EXPECT_EQ(e.GetSqlState(), "07009");
    }
    insert.BindLong(1, 1);
    insert.Execute();
    EXPECT_THROW(insert.Execute(), CDBException) << "duplicate primary key";
    insert.BindLong(1, 2);
    EXPECT_EQ(insert.Execute(), 1) << "the statement is usable after a failed execute";
    // Some drivers (the SQLite one) find a bad statement only when it runs.
    try {
        CStatement bad(m_db, "INSERT INTO no_such_table VALUES (?)");
        bad.BindLong(1, 1);
        bad.Execute();
        FAIL() << "a statement on a missing table ran";
    } catch (const CDBException& e) {
        EXPECT_NE(std::string(e.what()).find("no_such_table"), std::string::npos) << e.what();
    }
}

TEST_F(StatementTest, TransactionsCommitOrLoseEverything) {
    {
        CTransaction transaction(m_db);
        CStatement insert(m_db, "INSERT INTO t (i) VALUES (?)");
        for (LONG i = 1; i <= 3; ++i) {
            insert.BindLong(1, i);
            insert.Execute();
        }
        // Destroyed without Commit, as when an exception leaves the load.
    }
    EXPECT_EQ(Number("SELECT COUNT(*) FROM t"), 0);
    {
        CTransaction transaction(m_db);
        m_db.ExecuteSQL("INSERT INTO t (i) VALUES (10)");
        transaction.Rollback();
        EXPECT_FALSE(transaction.IsActive());
        EXPECT_THROW(transaction.Commit(), CDBException);
    }
    EXPECT_EQ(Number("SELECT COUNT(*) FROM t"), 0);
    {
        CTransaction transaction(m_db);
        m_db.ExecuteSQL("INSERT INTO t (i) VALUES (20)");
        transaction.Commit();
    }
    EXPECT_EQ(Number("SELECT COUNT(*) FROM t"), 1);
    // Autocommit is back: this row is visible without another Commit.
    m_db.ExecuteSQL("INSERT INTO t (i) VALUES (30)");
    EXPECT_EQ(Number("SELECT COUNT(*) FROM t"), 2);
}

}  // namespace
