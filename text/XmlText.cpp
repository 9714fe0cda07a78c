#include "text/XmlText.h"

#include <cstring>
#include <string>

namespace {

// Per byte: null when it passes unchanged, "" when dropped, else its entity.
struct EscapeTable {
    const char* entity[256];
    size_t length[256];
    EscapeTable() : entity(), length() {
        for (int c = 0; c < 0x20; ++c) entity[c] = "";
        entity[static_cast<unsigned char>('&')] = "&amp;";
        entity[static_cast<unsigned char>('<')] = "&lt;";
        entity[static_cast<unsigned char>('>')] = "&gt;";
        entity[static_cast<unsigned char>('"')] = "&quot;";
        entity[static_cast<unsigned char>('\'')] = "&apos;";
        for (int c = 0; c < 256; ++c) length[c] = entity[c] ? strlen(entity[c]) : 0;
    }
};

const EscapeTable kEscapes;

constexpr char kReplacementCharacter[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

}  // namespace

void AppendEscapedText(CString& out, const char* value) {
    if (!value) return;
    std::string& text = out.str();
    const char* run = value;
    const char* p = value;
    for (;; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == 0) break;
        const char* entity = kEscapes.entity[c];
        if (!entity) continue;
        if (p > run) text.append(run, static_cast<size_t>(p - run));
        text.append(entity, kEscapes.length[c]);
        run = p + 1;
    }
    if (p > run) text.append(run, static_cast<size_t>(p - run));
}

void AppendElement(CString& out, const char* name, const char* value) {
    std::string& text = out.str();
    text += '<';
    text += name;
    text += '>';
    AppendEscapedText(out, value);
    text += "</";
    text += name;
    text += ">\r\n";
}

namespace {

// The sequence starting at text[i], i < text.size(), a byte of 0x80 or above:
// its length when it is a character XML can hold, else 0; `consumed` is the
// length of the maximal subsequence that starts a character (at least 1).
size_t SequenceAt(const std::string& text, size_t i, size_t& consumed) {
    const size_t size = text.size();
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    }
    size_t valid = 1;
    while (length && valid < length && i + valid < size) {
        const unsigned char next = static_cast<unsigned char>(text[i + valid]);
        const bool fits = valid == 1 ? next >= low && next <= high : next >= 0x80 && next <= 0xBF;
        if (!fits) break;
        ++valid;
    }
    consumed = valid;
    // U+FFFE and U+FFFF are well-formed UTF-8 but no XML character: one
    // of them in a value would make the whole document unreadable.
    const bool nonCharacter = length == 3 && lead == 0xEF && valid == 3 &&
                              static_cast<unsigned char>(text[i + 1]) == 0xBF &&
                              static_cast<unsigned char>(text[i + 2]) >= 0xBE;
    return length && valid == length && !nonCharacter ? length : 0;
}

// The end of the run of characters XML can hold that starts at `from`.
size_t ValidRunEnd(const std::string& text, size_t from) {
    const size_t size = text.size();
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    size_t i = from;
    while (i < size) {
        if (bytes[i] < 0x80) {
            ++i;
            continue;
        }
        size_t consumed;
        const size_t length = SequenceAt(text, i, consumed);
        if (length == 0) return i;
        i += length;
    }
    return size;
}

}  // namespace

size_t ValidUtf8Prefix(const std::string& text) {
    return ValidRunEnd(text, 0);
}

// As the code-page conversion would have done: one U+FFFD per maximal
// invalid subsequence, and for each character XML cannot hold.
std::string ToValidUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const size_t end = ValidRunEnd(text, i);
        out.append(text, i, end - i);
        if (end == text.size()) break;
        size_t consumed;
        SequenceAt(text, end, consumed);
        out += kReplacementCharacter;
        i = end + consumed;
    }
    return out;
}
