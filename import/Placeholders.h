// Values that firmware and drivers fill in when they know nothing: a UUID of
// zeros, a serial number "To Be Filled By O.E.M.", a MAC address of zeros.
// They identify no machine, so matching and the adapter list ignore them.
#pragma once

#include <string>

namespace hwimport {

// Upper case, without blanks or braces: "{4c4c4544-...}" and "4C4C4544-..."
// are the same UUID.
std::string NormaliseUuid(const std::string& uuid);

// True for a UUID that is not 32 hexadecimal digits, is one digit repeated
// (all zeros, all F), or is a well-known firmware default such as
// 03000200-0400-0500-0006-000700080009.
bool IsPlaceholderUuid(const std::string& uuid);

// True for an empty serial number, one made of one repeated character
// ("0000000000", "........."), or a firmware default such as "Default
// string", "System Serial Number" or "To Be Filled By O.E.M.".
bool IsPlaceholderSerial(const std::string& serial);

// Upper case with colons, "00:1A:2B:3C:4D:5E", from the common spellings
// (colons, hyphens, dots, none); "" when it is not a MAC address.
std::string NormaliseMac(const std::string& mac);

// True for an all-zero or broadcast MAC address, or one that is not a MAC address.
bool IsPlaceholderMac(const std::string& mac);

}  // namespace hwimport
