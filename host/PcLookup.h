// Naming a PC as people do: by its ID, host name, serial number or asset
// tag, looked up in PCIdentity through its indexes. `hwconsole report --pc`
// and `batch --pcs` use it; a web server's PC page can too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Database.h"

// A PC a name could mean, as a person tells PCs apart.
struct PcCandidate {
    int32_t id = 0;
    std::string name;  // host name
    std::string serial;
    std::string model;
};

struct PcMatch {
    enum Status { kFound, kNotFound, kAmbiguous } status = kNotFound;
    int32_t id = 0;                       // kFound
    std::vector<PcCandidate> candidates;  // kAmbiguous: ascending by ID, at most kMaxCandidates
    bool moreCandidates = false;          // kAmbiguous: further PCs fit as well
};

constexpr size_t kMaxCandidates = 10;

// Which PC `name` means, on a session whose tables answer to "dbo". A host
// name, serial number or asset tag matches exactly, else in capitals (index
// seeks both), else ignoring the case of A-Z (a read of every identity).
// A whole number is the PC of that ID, unless no PC has that ID and it names
// other PCs; a number that is both an ID and another PC's name is ambiguous.
// A number that names nothing is found as that ID (the report then says
// whether the PC has rows). Without a PCIdentity table only IDs are found.
// Throws CDBException.
PcMatch LookUpPc(CDatabase& db, const std::string& name);

// Of the PCs `among`, the one whose host name, serial number or asset tag
// is `name`: as given, else in capitals, else in any case (FoldCase); 0 when
// none is, or several are at the first of those that any is. Reads only
// those PCs' identities, by ID. Throws CDBException.
int32_t PcNamedAmong(CDatabase& db, const std::string& name, const std::vector<int32_t>& among);

// "'NAME' could be any of these PCs; name one by its ID:" and a line per
// candidate (ID, host name, serial number, model).
std::string DescribeCandidates(const std::string& name, const PcMatch& match);

// The IDs of the PCs that `names` mean, appended to `ids` unless listed
// already. False with `error` set, and `ambiguous` telling why: a name that
// fits several PCs (the candidates listed), or one that fits none. Throws
// CDBException.
bool ResolvePcNames(CDatabase& db, const std::vector<std::string>& names, std::vector<int32_t>& ids,
                    std::string& error, bool& ambiguous);
