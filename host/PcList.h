// PC lists on the command line: "1-500,733".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Parses comma-separated identifiers and inclusive ranges FROM-TO (both
// non-negative, FROM <= TO) into `ids`, in the order given, each identifier
// once. At most kMaxPcListSize identifiers. False with `error` set.
bool ParsePcList(const std::string& text, std::vector<int32_t>& ids, std::string& error);

constexpr size_t kMaxPcListSize = 10000000;
