// Importing many inventories: parsing in several threads, writing in order
// on one connection, a batch of inventories per transaction with a save
// point each (see InventoryWriter). What `hwconsole import` and the
// benchmark run.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "import/AgentInventory.h"  // InventoryError
#include "import/Import.h"

namespace hwimport {

struct InventorySource {
    std::string name;                   // the file, "-" or the like: how messages name it
    std::function<std::string()> read;  // its bytes; throws InventoryError when it cannot
};

struct RunOptions {
    int jobs = 1;            // threads that read and parse; 1 parses on the calling thread
    size_t batchSize = 100;  // inventories per transaction
    ImportOptions import;
};

struct RunSummary {
    size_t count[5] = {};  // by ImportStatus
    size_t Of(ImportStatus status) const { return count[static_cast<int>(status)]; }
    size_t Total() const;
};

// Called on the calling thread once per source, in the order of `sources`,
// after the source's batch has committed (so "new" and "updated" are
// durable when reported).
using ResultSink = std::function<void(const InventorySource& source, const ImportResult& result)>;

// Imports every source into `db` (as ImportInventory wants it). A source
// that fails costs only itself; a batch whose commit fails reports each of
// its inventories as failed.
RunSummary ImportAll(CDatabase& db, const std::vector<InventorySource>& sources,
                     const RunOptions& options, const ResultSink& sink);

// glibc gives a large freed block back to the kernel at once, and an import
// frees one per inventory (its bytes, the parser's copy); in a virtual
// machine every give-back flushes the TLB of each core, which measured 2.5
// times the cost of the import itself. Keeps freed memory (up to 128 MB) in
// the process instead. Process-wide and for good: call it once from the main
// thread of a program that imports many inventories.
void KeepFreedMemoryForImports();

}  // namespace hwimport
