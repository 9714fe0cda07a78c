// Snapshots: each import that changes a PC keeps the PC's report document
// after it, compressed, in PCSnapshot; an import whose document differs from
// the newest snapshot only in values that change all the time keeps nothing.
//
//   CDataConnection connection;             // the importing connection
//   connection.Open(connect);
//   auto snapshots = hwhistory::SnapshotPipeline(connection, connect, {});
//   hwimport::RunOptions options;           // many inventories
//   options.follower = snapshots.get();
//   hwimport::ImportAll(connection.m_database, sources, options, sink);
//
//   hwimport::ImportOptions one;            // one, in a transaction of its own
//   one.afterWrite = hwhistory::SnapshotHook(connection, {});
//   hwimport::ImportInventory(connection.m_database, body, one);
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "import/Import.h"
#include "import/ImportRun.h"
#include "platform/DataConnection.h"

namespace hwhistory {

constexpr int kDefaultKeep = 20;

struct HistoryOptions {
    int keep = kDefaultKeep;  // snapshots kept per PC, the newest; at least 1
};

// The hook that keeps history for imports on `connection`, which must
// outlive it and every copy of it (the hook keeps statements prepared on it:
// destroy or reset the hook before closing the connection). Made before the
// import starts, outside any transaction, on the connection whose m_database
// the import writes. Inside the PC's save point it builds the PC's report
// document as the component's Display does, stores it when its digest
// differs from the newest snapshot's (or the PC has none), and deletes the
// PC's snapshots beyond `keep`, so that all of it commits or rolls back with
// the inventory. An unchanged inventory of a PC that has a snapshot costs one
// index seek. Throws CDBException.
hwimport::AfterWriteHook SnapshotHook(CDataConnection& connection, HistoryOptions options);

// History for ImportAll (RunOptions::follower) without building documents
// on the writing thread: a thread of its own, on a second connection opened
// with `connect` (the string `importing` was opened with), builds, digests
// and compresses the documents of each committed batch's PCs while the
// next batch is written; the writer then stores them and prunes to `keep`
// in that batch's transaction. The same snapshots as SnapshotHook keeps, one
// per changed import. A document that cannot be built costs only its own
// snapshot (the inventory stays, its result gets a warning, and the PC's
// next import keeps one). Made before the import, outside any transaction;
// let it go before `importing` closes. Throws CDBException.
std::unique_ptr<hwimport::BatchFollower> SnapshotPipeline(CDataConnection& importing,
                                                          const std::string& connect,
                                                          HistoryOptions options);

// The same for one import, for hosts whose imports run on many connections
// (a server's workers): call it from the import's afterWrite with the
// connection the import writes on,
//   options.afterWrite = [&](CDatabase&, int32_t pc, bool changed) {
//       hwhistory::KeepSnapshot(connection, pc, changed, {});
//   };
// It prepares its statements for the call. Throws CDBException.
void KeepSnapshot(CDataConnection& connection, int32_t pcId, bool changed,
                  HistoryOptions options);

// The PC's report document as a snapshot keeps it: the component's document
// with a UTF-8 declaration, LF line ends, and empty company and user.
std::string BuildSnapshotDocument(CDataConnection& connection, int32_t pcId);

struct Snapshot {
    int32_t pcId = 0;
    int32_t snapshotId = 0;     // counts up per PC
    std::string inventoryTime;  // ISO 8601 UTC
    std::string digest;
    std::string document;       // inflated
};

// The PC's snapshots, oldest first. Throws CDBException, or
// std::runtime_error for a document that does not inflate.
std::vector<Snapshot> ReadSnapshots(CDatabase& db, int32_t pcId);

// The PCs with a snapshot taken at or after `since` (ISO 8601; "" for all),
// ascending. Throws CDBException.
std::vector<int32_t> PcsWithSnapshots(CDatabase& db, const std::string& since);

}  // namespace hwhistory
