// Importing many inventories: parsing in several threads, writing in order
// on one connection, a batch of inventories per transaction with a save
// point each (see InventoryWriter). What `hwconsole import` and the
// benchmark run.
#pragma once

#include <cstddef>
#include <cstdint>
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

// A PC that a committed batch wrote (new, updated or unchanged).
struct WrittenPc {
    int32_t pcId = 0;
    bool changed = false;  // any hardware row or user-defined value written
};

// Work that follows each committed batch on a thread of its own, for what
// would cost the one writing thread too much per inventory (history keeps
// the PCs' report documents this way). ImportAll hands it each batch's
// written PCs right after the commit and, while it writes the next batch,
// lets it work; before committing that next batch it calls Store inside the
// batch's transaction (the last batch's follow-up gets a transaction of its
// own). No batch commits before the previous one's follow-up is stored, so
// the follower reads exactly the state its batch left; and while a follower
// is set, a batch is closed early rather than hold one PC twice.
class BatchFollower {
public:
    virtual ~BatchFollower() = default;
    // Starts on a committed batch's PCs, in order; returns at once.
    virtual void Follow(std::vector<WrittenPc> written) = 0;
    // Waits for the batch given to Follow and writes what it made of it on
    // `db`, inside the writer's open transaction and a save point of its
    // own. Returns a warning or "" for each of its PCs. When it throws, what
    // it wrote is undone and each of its PCs gets Lost's warning.
    virtual std::vector<std::string> Store(CDatabase& db) = 0;
    // The warning for each PC of that batch when its follow-up was not
    // stored after all (the commit failed, say).
    virtual std::string Lost(const std::string& reason) = 0;
};

struct RunOptions {
    int jobs = 1;            // threads that read and parse; 1 parses on the calling thread
    size_t batchSize = 100;  // inventories per transaction
    ImportOptions import;
    BatchFollower* follower = nullptr;  // must outlive the run
};

struct RunSummary {
    size_t count[5] = {};  // by ImportStatus
    size_t Of(ImportStatus status) const { return count[static_cast<int>(status)]; }
    size_t Total() const;
};

// Called on the calling thread once per source, in the order of `sources`,
// after the source's batch has committed (so "new" and "updated" are
// durable when reported), and with a follower after its follow-up too (a
// follow-up that failed is one more warning of the result).
using ResultSink = std::function<void(const InventorySource& source, const ImportResult& result)>;

// Imports every source into `db` (as ImportInventory wants it). A source
// that fails costs only itself; a batch whose commit fails reports each of
// its inventories as failed.
RunSummary ImportAll(CDatabase& db, const std::vector<InventorySource>& sources,
                     const RunOptions& options, const ResultSink& sink);

}  // namespace hwimport
