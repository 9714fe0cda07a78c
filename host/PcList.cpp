#include "host/PcList.h"

#include <cerrno>
#include <cstdlib>
#include <unordered_set>

namespace {

bool ParseNumber(const std::string& text, int64_t& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    char* end = nullptr;
    value = strtoll(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value <= INT32_MAX;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool ParsePcList(const std::string& text, std::vector<int32_t>& ids,
                 std::vector<std::string>& names, std::string& error) {
    ids.clear();
    names.clear();
    std::unordered_set<int32_t> seen;
    for (size_t pos = 0; pos != std::string::npos;) {
        const size_t comma = text.find(',', pos);
        const std::string item =
            Trim(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
        pos = comma == std::string::npos ? comma : comma + 1;
        int64_t from = 0, to = 0;
        const size_t dash = item.find('-');
        const bool ok = dash == std::string::npos
                            ? ParseNumber(item, from) && ParseNumber(item, to)
                            : ParseNumber(Trim(item.substr(0, dash)), from) &&
                                  ParseNumber(Trim(item.substr(dash + 1)), to);
        if (!ok) {
            // Digits, dashes and blanks alone were meant as numbers; anything
            // else names a PC.
            if (item.empty() || item.find_first_not_of("0123456789- ") == std::string::npos) {
                error = "bad PC list item '" + item +
                        "' (expected identifiers, ranges such as 1-500,733, or names)";
                return false;
            }
            names.push_back(item);
            continue;
        }
        if (from > to) {
            error = "bad PC range '" + item + "': it runs backwards";
            return false;
        }
        if (static_cast<uint64_t>(to - from) >= kMaxPcListSize - ids.size()) {
            error = "the PC list is too long (at most " + std::to_string(kMaxPcListSize) + " PCs)";
            return false;
        }
        for (int64_t id = from; id <= to; ++id)
            if (seen.insert(static_cast<int32_t>(id)).second)
                ids.push_back(static_cast<int32_t>(id));
    }
    return true;
}
