#include "import/InputFormat.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>

#include "import/AgentInventory.h"

namespace hwimport {

namespace {

bool IsGzip(std::string_view b) {
    return b.size() >= 2 && static_cast<unsigned char>(b[0]) == 0x1F &&
           static_cast<unsigned char>(b[1]) == 0x8B;
}

// RFC 1950: deflate (method 8) with a window of at most 32 KB, and a header
// check that makes the first two bytes a multiple of 31. Neither '<' nor '{'
// nor a byte order mark can start such a header.
bool IsZlib(std::string_view b) {
    if (b.size() < 2) return false;
    const unsigned cmf = static_cast<unsigned char>(b[0]);
    const unsigned flg = static_cast<unsigned char>(b[1]);
    return (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && (cmf * 256 + flg) % 31 == 0;
}

std::string Inflate(std::string_view bytes, const char* kind, size_t maxBytes) {
    z_stream stream = {};
    // 15 + 32: a 32 KB window, with the zlib or gzip header told apart by zlib.
    if (inflateInit2(&stream, 15 + 32) != Z_OK)
        throw InventoryError("cannot start decompressing the inventory");
    std::string out;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    char buffer[1 << 16];
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        rc = inflate(&stream, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) {
            const std::string reason = stream.msg          ? stream.msg
                                       : rc == Z_BUF_ERROR ? "the data ends early"
                                                           : "corrupt data";
            inflateEnd(&stream);
            throw InventoryError(std::string("the ") + kind +
                                 " data cannot be decompressed: " + reason);
        }
        const size_t produced = sizeof buffer - stream.avail_out;
        if (out.size() + produced > maxBytes) {
            inflateEnd(&stream);
            throw InventoryError(std::string("the ") + kind + " data inflates past the " +
                                 MegabytesText(maxBytes) + " limit for an inventory");
        }
        if (out.empty()) out.reserve(std::min(maxBytes, bytes.size() * 4));
        out.append(buffer, produced);
    }
    inflateEnd(&stream);
    return out;
}

}  // namespace

std::string MegabytesText(size_t bytes) {
    char text[32];
    const double mb = static_cast<double>(bytes) / (1 << 20);
    if (mb == static_cast<double>(static_cast<size_t>(mb)))
        snprintf(text, sizeof text, "%zu MB", static_cast<size_t>(mb));
    else
        snprintf(text, sizeof text, "%.1f MB", mb);
    return text;
}

DecodedInput DecodeInput(std::string_view bytes, size_t maxBytes) {
    if (bytes.size() > maxBytes)
        throw InventoryError("the inventory is " + MegabytesText(bytes.size()) + ", over the " +
                             MegabytesText(maxBytes) + " limit");
    DecodedInput input;
    input.compression = "";
    if (IsGzip(bytes)) {
        input.compression = "gzip";
        input.inflated = Inflate(bytes, "gzip", maxBytes);
        input.text = input.inflated;
    } else if (IsZlib(bytes)) {
        input.compression = "zlib";
        input.inflated = Inflate(bytes, "zlib", maxBytes);
        input.text = input.inflated;
    } else {
        input.text = bytes;
    }
    const std::string_view text = input.text;
    size_t i = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;
    // A UTF-16 byte order mark: only XML declares its own encoding.
    if (text.compare(0, 2, "\xFF\xFE") == 0 || text.compare(0, 2, "\xFE\xFF") == 0) {
        input.format = InventoryFormat::Xml;
        return input;
    }
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    if (i < text.size() && text[i] == '<') {
        input.format = InventoryFormat::Xml;
    } else if (i < text.size() && text[i] == '{') {
        input.format = InventoryFormat::Json;
    } else {
        throw InventoryError(text.empty() || i == text.size()
                                 ? "the input is empty"
                                 : "the input is not an XML or JSON inventory (it starts with "
                                   "neither '<' nor '{')");
    }
    return input;
}

}  // namespace hwimport
