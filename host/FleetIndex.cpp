#include "host/FleetIndex.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "host/TextRows.h"
#include "platform/Statement.h"

namespace {

// One PC's values on their way into the index.
struct PcValues {
    FleetRow row;
    std::vector<std::string> searchable;
    bool hasOverview = false;
    bool hasBios = false;
    bool hasCpu = false;
};

using PcMap = std::map<int32_t, PcValues>;

// Runs `sql` (its first column the PC's ID) and hands each row to `take`.
template <typename Take>
void ForEachRow(CDatabase& db, const std::string& sql, size_t columns, Take take) {
    TextRows rows(db, sql, columns);
    for (bool more = rows.Run(); more; more = rows.Next())
        take(static_cast<int32_t>(rows.Number(0, 0)), rows);
}

PcMap ReadPcValues(CDatabase& db, int32_t first, int32_t last, const std::string& owner) {
    const std::string range =
        " WHERE [ID] BETWEEN " + std::to_string(first) + " AND " + std::to_string(last);
    auto from = [&](const char* table, const char* order) {
        return std::string(" FROM ") + owner + "[" + table + "]" + range + " ORDER BY [ID], " +
               order;
    };
    PcMap pcs;
    // The PCs are those with an overview, firmware or identity row; the
    // first row of each table (lowest key) speaks for the PC.
    ForEachRow(db,
               "SELECT [ID], [Name], [OSName], [Memory], [LoggedOnUser]" +
                   from("SystemOverview", "[OSID]"),
               5, [&](int32_t id, const TextRows& r) {
                   PcValues& pc = pcs[id];
                   if (!pc.hasOverview) {
                       pc.hasOverview = true;
                       pc.row.name = r[1];
                       pc.row.os = r[2];
                       pc.row.memoryMb = r.Number(3);
                   }
                   pc.searchable.insert(pc.searchable.end(), {r[1], r[2], r[4]});
               });
    ForEachRow(db,
               "SELECT [ID], [SystemMan], [SystemMod], [SerialNumber], [AssetTag]" +
                   from("BIOS", "[BIOSID]"),
               5, [&](int32_t id, const TextRows& r) {
                   PcValues& pc = pcs[id];
                   if (!pc.hasBios) {
                       pc.hasBios = true;
                       pc.row.manufacturer = r[1];
                       pc.row.model = r[2];
                   }
                   pc.searchable.insert(pc.searchable.end(), {r[1], r[2], r[3], r[4]});
               });
    try {
        ForEachRow(db,
                   "SELECT [ID], [HostName], [SerialNumber], [AssetTag], [InventoryTime]" +
                       from("PCIdentity", "[ID]"),
                   5, [&](int32_t id, const TextRows& r) {
                       PcValues& pc = pcs[id];
                       if (pc.row.name.empty()) pc.row.name = r[1];
                       pc.row.lastInventory = r[4];
                       pc.searchable.insert(pc.searchable.end(), {r[1], r[2], r[3]});
                   });
    } catch (const CDBException&) {
        // A database made before PCs had identities: the hardware tables tell all.
    }
    auto known = [&](int32_t id) {
        const auto found = pcs.find(id);
        return found == pcs.end() ? nullptr : &found->second;
    };
    ForEachRow(db, "SELECT [ID], [Name]" + from("CPU", "[CPUID]"), 2,
               [&](int32_t id, const TextRows& r) {
                   PcValues* pc = known(id);
                   if (pc && !pc->hasCpu) {
                       pc->hasCpu = true;
                       pc->row.cpu = r[1];
                   }
               });
    ForEachRow(
        db, "SELECT [ID], [MacAddress], [IPAddress]" + from("NetworkAdapter", "[NetworkAdapterID]"),
        3, [&](int32_t id, const TextRows& r) {
            if (PcValues* pc = known(id)) pc->searchable.insert(pc->searchable.end(), {r[1], r[2]});
        });
    ForEachRow(
        db, "SELECT [ID], [IPAddress]" + from("NetworkIPAddress", "[NetworkAdapterID], [IndexID]"),
        2, [&](int32_t id, const TextRows& r) {
            if (PcValues* pc = known(id)) pc->searchable.push_back(r[1]);
        });
    for (auto& entry : pcs) entry.second.row.id = entry.first;
    return pcs;
}

// The PC's searchable values, case-folded, each once, one per line: a
// search never matches across two values.
std::string SearchText(const std::vector<std::string>& values) {
    std::vector<std::string> folded;
    for (const std::string& value : values)
        if (!value.empty()) folded.push_back(FoldCase(value));
    std::sort(folded.begin(), folded.end());
    folded.erase(std::unique(folded.begin(), folded.end()), folded.end());
    std::string text;
    for (const std::string& value : folded) text += (text.empty() ? "" : "\n") + value;
    return text;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The length of the well-formed UTF-8 sequence at text[i] and its code
// point; 0 when the bytes there are not one.
size_t DecodeUtf8(const std::string& text, size_t i, uint32_t& cp) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || i + length > text.size()) return 0;
    cp = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    return cp >= least[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF) ? length : 0;
}

}  // namespace

std::string FoldCase(const std::string& text) {
    // The process locale is the program's business: this one is private.
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char ch = static_cast<unsigned char>(text[i]);
        uint32_t cp = 0;
        const size_t length = ch < 0x80 ? 0 : DecodeUtf8(text, i, cp);
        if (ch < 0x80) {
            out += static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + ('a' - 'A') : ch);
            ++i;
        } else if (length == 0) {
            out += static_cast<char>(ch);
            ++i;
        } else {
            AppendUtf8(
                out, utf8 ? static_cast<uint32_t>(towlower_l(static_cast<wint_t>(cp), utf8)) : cp);
            i += length;
        }
    }
    return out;
}

std::vector<FleetRow> ReadFleetRows(CDatabase& db, int32_t first, int32_t last,
                                    const std::string& owner) {
    std::vector<FleetRow> rows;
    for (auto& entry : ReadPcValues(db, first, last, owner))
        rows.push_back(std::move(entry.second.row));
    return rows;
}

void RefreshFleetIndex(CDatabase& db, int32_t first, int32_t last, const std::string& owner) {
    // Each PC's index rows as text: the listing's columns, then the search text.
    using IndexRows = std::map<int32_t, std::vector<std::string>>;
    IndexRows wanted;
    for (const auto& entry : ReadPcValues(db, first, last, owner)) {
        const FleetRow& row = entry.second.row;
        wanted[row.id] = {std::to_string(row.id),
                          row.name,
                          row.manufacturer,
                          row.model,
                          row.os,
                          row.cpu,
                          std::to_string(row.memoryMb),
                          row.lastInventory,
                          SearchText(entry.second.searchable)};
    }
    // SQLite keeps the search under a full-text table, keyed by its rowid.
    const bool fullText = db.GetDialect() == DbDialect::SQLite;
    const std::string key = fullText ? "rowid" : "[ID]";
    const std::string range = " BETWEEN " + std::to_string(first) + " AND " + std::to_string(last);
    IndexRows stored;
    ForEachRow(db,
               "SELECT [ID], [Name], [Manufacturer], [Model], [OS], [CPU], [Memory], "
               "[LastInventory] FROM " +
                   owner + "[PCListing] WHERE [ID]" + range,
               8, [&](int32_t id, const TextRows& r) {
                   for (size_t i = 0; i < 8; ++i) stored[id].push_back(r[i]);
               });
    {
        TextRows search(
            db, "SELECT " + key + ", [Text] FROM " + owner + "[PCSearch] WHERE " + key + range, 2,
            {}, 1 << 20);
        for (bool more = search.Run(); more; more = search.Next())
            stored[static_cast<int32_t>(search.Number(0, 0))].push_back(search[1]);
    }

    // Only what changed is written: an import that changes nothing leaves
    // the database as it was.
    CStatement dropListing(db, ("DELETE FROM " + owner + "[PCListing] WHERE [ID] = ?").c_str());
    CStatement dropSearch(db,
                          ("DELETE FROM " + owner + "[PCSearch] WHERE " + key + " = ?").c_str());
    CStatement listing(db, ("INSERT INTO " + owner +
                            "[PCListing] ([ID], [Name], [Manufacturer], [Model], [OS], [CPU], "
                            "[Memory], [LastInventory]) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
                               .c_str());
    CStatement search(
        db, ("INSERT INTO " + owner + "[PCSearch] (" +
             (fullText ? "rowid, [ID], [Text]) VALUES (?, ?, ?)" : "[ID], [Text]) VALUES (?, ?)"))
                .c_str());
    for (const auto& entry : stored) {
        const auto found = wanted.find(entry.first);
        if (found != wanted.end() && found->second == entry.second) {
            wanted.erase(found);
            continue;
        }
        dropListing.BindLong(1, entry.first);
        dropListing.Execute();
        dropSearch.BindLong(1, entry.first);
        dropSearch.Execute();
    }
    for (const auto& entry : wanted) {
        const std::vector<std::string>& values = entry.second;
        listing.BindLong(1, entry.first);
        for (int column = 1; column < 8; ++column) {
            if (column == 6)
                listing.BindLong(column + 1,
                                 static_cast<LONG>(strtol(values[6].c_str(), nullptr, 10)));
            else
                listing.BindText(column + 1, values[column]);
        }
        listing.Execute();
        int param = 1;
        if (fullText) search.BindLong(param++, entry.first);
        search.BindLong(param++, entry.first);
        search.BindText(param++, values[8]);
        search.Execute();
    }
}
