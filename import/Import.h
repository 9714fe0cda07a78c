// Importing inventories: the library's front door.
//
// An inventory is the bytes an inventory agent writes or POSTs: the XML
// (<REQUEST>...<QUERY>INVENTORY</QUERY></REQUEST>) or the JSON form, plain or
// gzip/zlib-compressed, told apart by content. Importing one matches it to a
// PC (agent device id, then a real hardware UUID, then serial number with
// manufacturer; otherwise a new PC with the next free ID) and replaces that
// PC's rows in every hardware table and its values of the import's own
// user-defined devices, all or nothing.
//
//   CDataConnection connection;
//   connection.Open(connect);
//   hwimport::ImportResult r = hwimport::ImportInventory(connection.m_database, body, {});
//
// The database must be a session in which the suite's "[dbo].[...]" names
// resolve, as CDataConnection prepares it, with the hardware schema and the
// PCIdentity table.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "import/InputFormat.h"
#include "import/Inventory.h"
#include "platform/Database.h"

namespace hwimport {

enum class ImportStatus {
    New,           // no PC matched: stored under a new ID
    Updated,       // a PC matched and its rows were replaced
    Unchanged,     // a PC matched and the report would not change: no hardware row written
    SkippedOlder,  // a PC matched whose stored inventory is newer: nothing written
    Failed,        // not an inventory, or the database refused it: nothing written
};

// "new", "updated", "unchanged", "skipped-older", "failed".
const char* StatusName(ImportStatus status);

// Called inside the PC's transaction right after its rows are written (not
// for skipped or failed inventories), with the PC's ID and whether any
// hardware row or user-defined value changed. What it writes on `db` commits
// or rolls back with the inventory; an exception from it fails the
// inventory and undoes everything of it.
using AfterWriteHook = std::function<void(CDatabase& db, int32_t pcId, bool changed)>;

struct ImportOptions {
    size_t maxBytes = kDefaultMaxInventoryBytes;  // before and after inflating
    std::string agent;       // recorded when the inventory does not name its agent
                             // (a server passes the request's User-Agent)
    std::string importTime;  // ISO 8601 UTC; "" for now. The inventory's time when it has none
    AfterWriteHook afterWrite;
};

struct ImportResult {
    ImportStatus status = ImportStatus::Failed;
    int32_t pcId = 0;                   // the PC, unless Failed
    std::string hostName;               // as the inventory names the machine
    std::string message;                // why, for Failed and SkippedOlder
    std::vector<std::string> warnings;  // values stored as 0 and the like
};

// An inventory read and mapped, not yet written: what ParseInventory gives
// and InventoryWriter takes.
struct ParsedInventory {
    bool ok = false;
    std::string error;  // when !ok: what is wrong with the input
    Inventory inventory;
};

// Decodes, reads and maps one inventory without touching a database.
// Thread-safe: call it from as many threads as you like.
ParsedInventory ParseInventory(const std::string& bytes, const ImportOptions& options);

// Parses one inventory and writes it in a transaction of its own. Never
// throws: a failure anywhere (the input, the database, the hook) is a Failed
// result, and the database is as it was. One thread at a time per connection.
ImportResult ImportInventory(CDatabase& db, const std::string& bytes, const ImportOptions& options);

}  // namespace hwimport
