// What an inventory's bytes are: XML or JSON, perhaps gzip- or
// zlib-compressed (the agents compress what they POST). Told from the
// content only, never from a file name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hwimport {

enum class InventoryFormat { Xml, Json };

struct DecodedInput {
    InventoryFormat format = InventoryFormat::Xml;
    std::string_view text;    // the inventory: the input itself, or `inflated`
    std::string inflated;     // the decompressed bytes, when the input was compressed
    const char* compression;  // "gzip", "zlib" or "" for none
};

// The default limit on an inventory's size, before and after inflating.
constexpr size_t kDefaultMaxInventoryBytes = 64u << 20;

// Decompresses when the bytes start like gzip or zlib, then looks at the
// first character after an optional byte order mark and blanks: '<' is XML,
// '{' is JSON. Throws InventoryError when the bytes are neither, when they
// or their inflated form exceed `maxBytes`, or when the compressed data is
// broken. The result's text may point into `bytes`: keep them alive.
DecodedInput DecodeInput(std::string_view bytes, size_t maxBytes = kDefaultMaxInventoryBytes);

// "12.5 MB", "64 MB": a size for messages.
std::string MegabytesText(size_t bytes);

}  // namespace hwimport
