// An explicit transaction on a CDatabase: autocommit off, then SQLEndTran.
#pragma once

#include "platform/Database.h"

// Turns autocommit off on construction, so that everything run on the
// connection until Commit or Rollback is one transaction. Destruction without
// Commit rolls back (and never throws), so an exception loses the whole
// transaction and nothing else. The database must outlive the transaction.
class HWPLATFORM_API CTransaction {
public:
    explicit CTransaction(CDatabase& database);
    ~CTransaction();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;

    // End the transaction and turn autocommit back on. Throws CDBException;
    // after a failed Commit the transaction is still open (destruction rolls back).
    void Commit();
    void Rollback();
    bool IsActive() const { return m_bActive; }

    // A named point inside the transaction: RollbackToSavepoint undoes what
    // ran after it and keeps what ran before, so one failed part of a long
    // transaction costs only itself; ReleaseSavepoint forgets the point and
    // keeps the work. In the dialect of the connection (SQL Server: SAVE
    // TRANSACTION). Throws CDBException.
    void SetSavepoint(const char* lpszName);
    void RollbackToSavepoint(const char* lpszName);
    void ReleaseSavepoint(const char* lpszName);

private:
    void End(SQLSMALLINT completionType);

    CDatabase& m_database;
    bool m_bActive = false;
};
