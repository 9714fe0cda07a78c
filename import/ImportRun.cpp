#include "import/ImportRun.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "import/InventoryWriter.h"

namespace hwimport {

namespace {

ParsedInventory ReadAndParse(const InventorySource& source, const ImportOptions& options) {
    try {
        return ParseInventory(source.read(), options);
    } catch (const InventoryError& e) {
        ParsedInventory failed;
        failed.error = e.what();
        return failed;
    } catch (const std::bad_alloc&) {
        ParsedInventory failed;
        failed.error = "not enough memory to read the inventory";
        return failed;
    }
}

// Parsed inventories by source index, filled by the parsing threads and
// taken in order by the writer. Parsing runs at most `window` sources ahead
// of writing, so memory stays bounded.
class ParsedQueue {
public:
    ParsedQueue(const std::vector<InventorySource>& sources, const ImportOptions& options, int jobs)
        : m_sources(sources),
          m_options(options),
          m_slots(sources.size()),
          m_window(static_cast<size_t>(jobs) * 8) {
        for (int i = 0; i < jobs; ++i) m_threads.emplace_back([this] { Work(); });
    }
    ~ParsedQueue() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        for (std::thread& t : m_threads) t.join();
    }

    ParsedInventory Take(size_t index) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_slots[index].ready; });
        ParsedInventory parsed = std::move(m_slots[index].parsed);
        m_taken = index + 1;
        lock.unlock();
        m_changed.notify_all();
        return parsed;
    }

private:
    struct Slot {
        bool ready = false;
        ParsedInventory parsed;
    };

    void Work() {
        for (;;) {
            size_t index;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] {
                    return m_stop || m_next >= m_slots.size() || m_next < m_taken + m_window;
                });
                if (m_stop || m_next >= m_slots.size()) return;
                index = m_next++;
            }
            ParsedInventory parsed = ReadAndParse(m_sources[index], m_options);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_slots[index].parsed = std::move(parsed);
                m_slots[index].ready = true;
            }
            m_changed.notify_all();
        }
    }

    const std::vector<InventorySource>& m_sources;
    const ImportOptions& m_options;
    std::vector<Slot> m_slots;
    const size_t m_window;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    size_t m_next = 0;   // the next source to parse
    size_t m_taken = 0;  // sources the writer has taken
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};

}  // namespace

size_t RunSummary::Total() const {
    size_t total = 0;
    for (size_t n : count) total += n;
    return total;
}

RunSummary ImportAll(CDatabase& db, const std::vector<InventorySource>& sources,
                     const RunOptions& options, const ResultSink& sink) {
    RunSummary summary;
    const size_t batchSize = std::max<size_t>(1, options.batchSize);
    const int jobs = std::max(1, options.jobs);
    std::unique_ptr<ParsedQueue> queue;
    if (jobs > 1) queue = std::make_unique<ParsedQueue>(sources, options.import, jobs);
    BatchFollower* const follower = options.follower;

    InventoryWriter writer(db, options.import.afterWrite);
    std::vector<ImportResult> pending;  // of the open batch, in source order
    std::unordered_set<std::string> batchKeys;  // the open batch's MatchKeys, with a follower
    // The committed batch the follower works on, reported once its
    // follow-up is stored: its results, and which of them it was handed.
    std::vector<ImportResult> followed;
    std::vector<size_t> handed;
    size_t first = 0;  // the source of the first result not yet reported
    auto report = [&](std::vector<ImportResult>& results) {
        for (size_t i = 0; i < results.size(); ++i) {
            ++summary.count[static_cast<int>(results[i].status)];
            if (sink) sink(sources[first + i], results[i]);
        }
        first += results.size();
        results.clear();
    };
    auto finishBatch = [&](const std::string& lostBecause) {
        std::string failure = lostBecause;
        // The previous batch's follow-up goes into this batch's transaction,
        // or into one of its own when this batch wrote nothing or was lost.
        std::vector<std::string> followUp;
        std::string followLost;
        if (!handed.empty()) {
            try {
                followLost = writer.WriteGuarded([&] { followUp = follower->Store(db); });
            } catch (const CDBException& e) {
                writer.RollbackBatch();
                followLost = e.what();
                if (failure.empty())
                    failure = std::string("the database failed, nothing was written: ") + e.what();
            }
        }
        if (writer.InBatch()) {
            try {
                writer.CommitBatch();
            } catch (const CDBException& e) {
                const std::string reason =
                    std::string("the database could not commit it, nothing was written: ") +
                    e.what();
                if (failure.empty()) failure = reason;
                if (followLost.empty()) followLost = reason;
            }
        }
        for (size_t i = 0; i < handed.size(); ++i) {
            const std::string warning =
                !followLost.empty() ? follower->Lost(followLost)
                                    : (i < followUp.size() ? followUp[i] : std::string());
            if (!warning.empty()) followed[handed[i]].warnings.push_back(warning);
        }
        handed.clear();
        report(followed);

        std::vector<WrittenPc> written;
        for (size_t i = 0; i < pending.size(); ++i) {
            ImportResult& result = pending[i];
            if (!failure.empty() && result.status != ImportStatus::Failed) {
                result.status = ImportStatus::Failed;
                result.message = failure;
            }
            if (follower && (result.status == ImportStatus::New ||
                             result.status == ImportStatus::Updated ||
                             result.status == ImportStatus::Unchanged)) {
                written.push_back({result.pcId, result.status != ImportStatus::Unchanged});
                handed.push_back(i);
            }
        }
        batchKeys.clear();
        if (handed.empty()) {
            report(pending);
        } else {
            followed.swap(pending);
            follower->Follow(std::move(written));
        }
    };

    for (size_t i = 0; i < sources.size(); ++i) {
        ParsedInventory parsed = queue ? queue->Take(i) : ReadAndParse(sources[i], options.import);
        if (!parsed.ok) {
            ImportResult failed;
            failed.message = parsed.error;
            pending.push_back(std::move(failed));
        } else {
            // The follower reads each PC as its batch left it: a PC's second
            // inventory goes into the next batch, so that both are followed.
            if (follower) {
                const std::vector<std::string> keys =
                    InventoryWriter::MatchKeys(parsed.inventory.identity);
                for (const std::string& key : keys)
                    if (batchKeys.count(key)) {
                        finishBatch("");
                        break;
                    }
                batchKeys.insert(keys.begin(), keys.end());
            }
            try {
                writer.BeginBatch();
                pending.push_back(writer.Write(parsed.inventory));
            } catch (const CDBException& e) {
                // The connection could not even undo one inventory: the whole
                // batch is gone.
                writer.RollbackBatch();
                const std::string reason =
                    std::string("the database failed, nothing was written: ") + e.what();
                ImportResult failed;
                failed.message = reason;
                pending.push_back(std::move(failed));
                finishBatch(reason);
                continue;
            }
        }
        if (pending.size() >= batchSize) finishBatch("");
    }
    finishBatch("");
    if (!handed.empty()) finishBatch("");  // the last batch's follow-up, in a transaction of its own
    return summary;
}

}  // namespace hwimport
