// Numbers and PC lists as people type them: "25", "1-500,733,WS-0042".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A count, a number of seconds or a size: digits only, from 0 to `max`.
bool ParseWholeNumber(const std::string& text, unsigned long long max, unsigned long long& value);

// Parses comma-separated identifiers and inclusive ranges FROM-TO (both
// non-negative, FROM <= TO) into `ids`, in the order given, each identifier
// once, and any other item (a host name, serial number or asset tag, such as
// "WS-0042") into `names`, for the caller to look up (PcLookup.h). At most
// kMaxPcListSize identifiers. False with `error` set.
bool ParsePcList(const std::string& text, std::vector<int32_t>& ids,
                 std::vector<std::string>& names, std::string& error);

constexpr size_t kMaxPcListSize = 10000000;
