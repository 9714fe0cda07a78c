// The fleet index: one row per PC in PCListing (what the fleet list shows,
// with an index per sort column) and in PCSearch (the PC's searchable values,
// case-folded, under a trigram index: SQLite FTS5, PostgreSQL pg_trgm). It is
// derived from the hardware tables and PCIdentity; whatever writes a PC's
// rows (init-db, the import) refreshes its index rows in the same
// transaction.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/FleetList.h"
#include "platform/Database.h"

// The list rows of the PCs with IDs from `first` to `last` that have rows in
// SystemOverview, BIOS or PCIdentity, ascending by ID, read from the hardware
// tables themselves. `owner` qualifies the table names: "[dbo]." on a host
// session, "" for a SQLite file opened as the main database. Throws CDBException.
std::vector<FleetRow> ReadFleetRows(CDatabase& db, int32_t first, int32_t last,
                                    const std::string& owner = "[dbo].");

// Rewrites the index rows of the PCs from `first` to `last`: those left
// without inventory rows lose theirs. Call it inside the transaction that
// changed the PCs' rows. Throws CDBException.
void RefreshFleetIndex(CDatabase& db, int32_t first, int32_t last,
                       const std::string& owner = "[dbo].");

// `text` in the case the search compares: letters of every script in lower
// case, through the C.UTF-8 locale's mapping. Bytes that are not UTF-8 pass
// as they are.
std::string FoldCase(const std::string& text);
