// PC lists on the command line: "1-500,733,WS-0042".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Parses comma-separated identifiers and inclusive ranges FROM-TO (both
// non-negative, FROM <= TO) into `ids`, in the order given, each identifier
// once, and any other item (a host name, serial number or asset tag, such as
// "WS-0042") into `names`, for the caller to look up (PcLookup.h). At most
// kMaxPcListSize identifiers. False with `error` set.
bool ParsePcList(const std::string& text, std::vector<int32_t>& ids,
                 std::vector<std::string>& names, std::string& error);

constexpr size_t kMaxPcListSize = 10000000;
