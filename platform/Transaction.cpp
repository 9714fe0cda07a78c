// CTransaction over SQL_ATTR_AUTOCOMMIT and SQLEndTran.
#include "platform/Transaction.h"

namespace {

void SetAutocommit(CDatabase& database, SQLULEN value) {
    AfxCheckSql(SQLSetConnectAttr(database.m_hdbc, SQL_ATTR_AUTOCOMMIT,
                                  reinterpret_cast<SQLPOINTER>(value), SQL_IS_UINTEGER),
                SQL_HANDLE_DBC, database.m_hdbc);
}

}  // namespace

CTransaction::CTransaction(CDatabase& database) : m_database(database) {
    if (!database.IsOpen())
        throw CDBException(SQL_ERROR, "The transaction's database connection is not open",
                           CString("State:08003,Native:0,Origin:[hwplatform]"));
    SetAutocommit(database, SQL_AUTOCOMMIT_OFF);
    m_bActive = true;
}

CTransaction::~CTransaction() {
    if (!m_bActive || !m_database.IsOpen()) return;
    // Best effort: a connection that broke has lost the transaction anyway.
    SQLEndTran(SQL_HANDLE_DBC, m_database.m_hdbc, SQL_ROLLBACK);
    SQLSetConnectAttr(m_database.m_hdbc, SQL_ATTR_AUTOCOMMIT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)),
                      SQL_IS_UINTEGER);
}

void CTransaction::Commit() {
    End(SQL_COMMIT);
}

void CTransaction::Rollback() {
    End(SQL_ROLLBACK);
}

void CTransaction::SetSavepoint(const char* lpszName) {
    const CString name(lpszName);
    m_database.ExecuteSQL(m_database.GetDialect() == DbDialect::SQLServer
                              ? "SAVE TRANSACTION " + name
                              : "SAVEPOINT " + name);
}

void CTransaction::RollbackToSavepoint(const char* lpszName) {
    const CString name(lpszName);
    m_database.ExecuteSQL(m_database.GetDialect() == DbDialect::SQLServer
                              ? "ROLLBACK TRANSACTION " + name
                              : "ROLLBACK TO SAVEPOINT " + name);
}

void CTransaction::ReleaseSavepoint(const char* lpszName) {
    // SQL Server keeps its save points until the transaction ends.
    if (m_database.GetDialect() == DbDialect::SQLServer) return;
    m_database.ExecuteSQL("RELEASE SAVEPOINT " + CString(lpszName));
}

void CTransaction::End(SQLSMALLINT completionType) {
    if (!m_bActive)
        throw CDBException(SQL_ERROR, "No transaction is active on this connection",
                           CString("State:25000,Native:0,Origin:[hwplatform]"));
    AfxCheckSql(SQLEndTran(SQL_HANDLE_DBC, m_database.m_hdbc, completionType), SQL_HANDLE_DBC,
                m_database.m_hdbc);
    m_bActive = false;
    SetAutocommit(m_database, SQL_AUTOCOMMIT_ON);
}
