#include "host/PcLookup.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "host/FleetIndex.h"
#include "host/TextRows.h"

namespace {

const char kIdentityColumns[] =
    "SELECT i.[ID], i.[HostName], i.[SerialNumber], "
    "(SELECT MIN(b.[SystemMod]) FROM [dbo].[BIOS] b WHERE b.[ID] = i.[ID]) "
    "FROM [dbo].[PCIdentity] i WHERE ";

// The PCs whose host name, serial number or asset tag is `name` (`exact`) or
// is it in other letter case; ascending by ID, at most kMaxCandidates + 1.
std::vector<PcCandidate> NamedPcs(CDatabase& db, const std::string& name, bool exact) {
    std::string folded = name;
    for (char& ch : folded)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    // The exact form is three index seeks; the other reads every identity.
    const std::string where =
        exact ? "i.[HostName] = ? OR i.[SerialNumber] = ? OR i.[AssetTag] = ?"
              : "LOWER(i.[HostName]) = ? OR LOWER(i.[SerialNumber]) = ? OR LOWER(i.[AssetTag]) = ?";
    const std::string value = exact ? name : folded;
    TextRows rows(db, kIdentityColumns + where + " ORDER BY i.[ID]", 4, {value, value, value});
    std::vector<PcCandidate> pcs;
    for (bool more = rows.Run(); more && pcs.size() <= kMaxCandidates; more = rows.Next())
        pcs.push_back({static_cast<int32_t>(rows.Number(0, 0)), rows[1], rows[2], rows[3]});
    return pcs;
}

bool ParseId(const std::string& text, int32_t& id) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    const long long value = strtoll(text.c_str(), nullptr, 10);
    if (errno != 0 || value > INT32_MAX) return false;
    id = static_cast<int32_t>(value);
    return true;
}

// The PC of ID `id` as a candidate, when any inventory or identity row has it.
bool PcWithId(CDatabase& db, int32_t id, PcCandidate& pc) {
    const std::string key = std::to_string(id);
    TextRows identity(db, kIdentityColumns + std::string("i.[ID] = ") + key, 4);
    if (identity.Run()) {
        pc = {id, identity[1], identity[2], identity[3]};
        return true;
    }
    TextRows overview(
        db, "SELECT MIN(s.[Name]) FROM [dbo].[SystemOverview] s WHERE s.[ID] = " + key, 1);
    if (overview.Run() && !overview[0].empty()) {
        pc = {id, overview[0], "", ""};
        return true;
    }
    return false;
}

}  // namespace

PcMatch LookUpPc(CDatabase& db, const std::string& name) {
    PcMatch match;
    int32_t id = 0;
    const bool number = ParseId(name, id);
    std::vector<PcCandidate> named;
    try {
        // Index seeks first: as given, then in capitals (as inventories
        // mostly write names); only then a read of every identity.
        std::string upper = name;
        for (char& ch : upper)
            if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        named = NamedPcs(db, name, true);
        if (named.empty() && upper != name) named = NamedPcs(db, upper, true);
        const bool letters = std::any_of(name.begin(), name.end(), [](char ch) {
            return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
        });
        if (named.empty() && letters) named = NamedPcs(db, name, false);
    } catch (const CDBException&) {
        // A database made before PCs had identities knows PCs by ID only.
        named.clear();
    }
    if (number) {
        PcCandidate self;
        const bool onlyItself = named.size() == 1 && named[0].id == id;
        if (named.empty() || onlyItself) {
            match.status = PcMatch::kFound;
            match.id = id;
            return match;
        }
        if (std::none_of(named.begin(), named.end(),
                         [&](const PcCandidate& pc) { return pc.id == id; }) &&
            PcWithId(db, id, self)) {
            named.insert(std::lower_bound(named.begin(), named.end(), self,
                                          [](const PcCandidate& a, const PcCandidate& b) {
                                              return a.id < b.id;
                                          }),
                         self);
        }
    }
    if (named.size() == 1) {
        match.status = PcMatch::kFound;
        match.id = named[0].id;
    } else if (!named.empty()) {
        match.status = PcMatch::kAmbiguous;
        match.moreCandidates = named.size() > kMaxCandidates;
        named.resize(std::min(named.size(), kMaxCandidates));
        match.candidates = std::move(named);
    }
    return match;
}

int32_t PcNamedAmong(CDatabase& db, const std::string& name, const std::vector<int32_t>& among) {
    if (among.empty() || name.empty()) return 0;
    std::string ids;
    for (const int32_t id : among) ids += (ids.empty() ? "" : ", ") + std::to_string(id);
    TextRows rows(db,
                  "SELECT [ID], [HostName], [SerialNumber], [AssetTag] FROM [dbo].[PCIdentity] "
                  "WHERE [ID] IN (" + ids + ")",
                  4);
    std::vector<std::pair<int32_t, std::vector<std::string>>> pcs;
    for (bool more = rows.Run(); more; more = rows.Next())
        pcs.push_back({static_cast<int32_t>(rows.Number(0, 0)), {rows[1], rows[2], rows[3]}});
    // The same order of preference as LookUpPc: as given, in capitals, in any case.
    std::string upper = name;
    for (char& ch : upper)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    const std::string folded = FoldCase(name);
    for (int pass = 0; pass < 3; ++pass) {
        int32_t named = 0;
        for (const auto& pc : pcs)
            for (const std::string& value : pc.second) {
                const bool same = pass == 0   ? value == name
                                  : pass == 1 ? value == upper
                                              : !value.empty() && FoldCase(value) == folded;
                if (!same || named == pc.first) continue;
                if (named) return 0;
                named = pc.first;
            }
        if (named) return named;
    }
    return 0;
}

std::string DescribeCandidates(const std::string& name, const PcMatch& match) {
    std::string text = "'" + name + "' could be any of these PCs; name one by its ID:";
    for (const PcCandidate& pc : match.candidates) {
        text += "\n  ID " + std::to_string(pc.id);
        for (const std::string* value : {&pc.name, &pc.serial, &pc.model})
            text += "  " + (value->empty() ? std::string("-") : *value);
    }
    if (match.moreCandidates) text += "\n  and more";
    return text;
}

bool ResolvePcNames(CDatabase& db, const std::vector<std::string>& names, std::vector<int32_t>& ids,
                    std::string& error, bool& ambiguous) {
    for (const std::string& name : names) {
        const PcMatch match = LookUpPc(db, name);
        ambiguous = match.status == PcMatch::kAmbiguous;
        if (ambiguous) {
            error = DescribeCandidates(name, match);
            return false;
        }
        if (match.status == PcMatch::kNotFound) {
            error = "no PC is known as '" + name + "' (by host name, serial number or asset tag)";
            return false;
        }
        if (std::find(ids.begin(), ids.end(), match.id) == ids.end()) ids.push_back(match.id);
    }
    return true;
}
