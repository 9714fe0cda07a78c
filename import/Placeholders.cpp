#include "import/Placeholders.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

namespace hwimport {

namespace {

bool AllSame(const std::string& text) {
    return !text.empty() && text.find_first_not_of(text[0]) == std::string::npos;
}

}  // namespace

std::string NormaliseUuid(const std::string& uuid) {
    std::string out;
    for (char c : uuid)
        if (c != '{' && c != '}' && !isspace(static_cast<unsigned char>(c)))
            out += static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return out;
}

bool IsPlaceholderUuid(const std::string& uuid) {
    std::string digits;
    for (char c : NormaliseUuid(uuid)) {
        if (c == '-') continue;
        if (!isxdigit(static_cast<unsigned char>(c))) return true;
        digits += c;
    }
    if (digits.size() != 32 || AllSame(digits)) return true;
    // Firmware defaults that many boards of one maker share.
    static const char* const kDefaults[] = {
        "03000200040005000006000700080009",  // AMI BIOS default
        "00020003000400050006000700080009", "12345678123456781234567812345678",
        "FFFFFFFFFFFFFFFF0000000000000000", "00000000000000000000FFFFFFFFFFFF",
    };
    return std::any_of(std::begin(kDefaults), std::end(kDefaults),
                       [&](const char* d) { return digits == d; });
}

bool IsPlaceholderSerial(const std::string& serial) {
    std::string compact;
    for (char c : serial)
        if (!isspace(static_cast<unsigned char>(c))) compact += c;
    if (compact.empty() || AllSame(compact)) return true;
    static const char* const kDefaults[] = {
        "To Be Filled By O.E.M.",
        "To be filled by O.E.M.",
        "Default string",
        "System Serial Number",
        "Chassis Serial Number",
        "Not Specified",
        "Not Available",
        "Not Applicable",
        "None",
        "N/A",
        "NA",
        "Unknown",
        "0123456789",
        "123456789",
        "1234567890",
        "Serial",
        "SerialNumber",
        "Base Board Serial Number",
        "INVALID",
        "No Asset Tag",
    };
    return std::any_of(std::begin(kDefaults), std::end(kDefaults), [&](const char* d) {
        std::string compactDefault;
        for (const char* p = d; *p; ++p)
            if (!isspace(static_cast<unsigned char>(*p))) compactDefault += *p;
        return strcasecmp(compact.c_str(), compactDefault.c_str()) == 0;
    });
}

std::string NormaliseMac(const std::string& mac) {
    std::string digits;
    for (char c : mac) {
        if (c == ':' || c == '-' || c == '.') continue;
        if (!isxdigit(static_cast<unsigned char>(c))) return std::string();
        digits += static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    if (digits.size() != 12) return std::string();
    std::string out;
    for (size_t i = 0; i < 12; i += 2) out += (i ? ":" : "") + digits.substr(i, 2);
    return out;
}

bool IsPlaceholderMac(const std::string& mac) {
    const std::string normal = NormaliseMac(mac);
    return normal.empty() || normal == "00:00:00:00:00:00" || normal == "FF:FF:FF:FF:FF:FF";
}

}  // namespace hwimport
