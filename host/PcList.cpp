#include "host/PcList.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <unordered_set>

namespace {

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool ParseWholeNumber(const std::string& text, unsigned long long max, unsigned long long& value) {
    if (text.empty() || !isdigit(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    value = strtoull(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value <= max;
}

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
        unsigned long long from = 0, to = 0;
        const size_t dash = item.find('-');
        const bool ok = dash == std::string::npos
                            ? ParseWholeNumber(item, INT32_MAX, from) &&
                                  ParseWholeNumber(item, INT32_MAX, to)
                            : ParseWholeNumber(Trim(item.substr(0, dash)), INT32_MAX, from) &&
                                  ParseWholeNumber(Trim(item.substr(dash + 1)), INT32_MAX, to);
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
        if (to - from >= kMaxPcListSize - ids.size()) {
            error = "the PC list is too long (at most " + std::to_string(kMaxPcListSize) + " PCs)";
            return false;
        }
        for (unsigned long long id = from; id <= to; ++id)
            if (seen.insert(static_cast<int32_t>(id)).second)
                ids.push_back(static_cast<int32_t>(id));
    }
    return true;
}
