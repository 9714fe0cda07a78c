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

// As the code-page conversion would have done: one U+FFFD per maximal
// invalid subsequence, and for each character XML cannot hold.
std::string ToValidUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    const size_t size = text.size();
    size_t i = 0;
    while (i < size) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
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
            const bool fits =
                valid == 1 ? next >= low && next <= high : next >= 0x80 && next <= 0xBF;
            if (!fits) break;
            ++valid;
        }
        // U+FFFE and U+FFFF are well-formed UTF-8 but no XML character: one
        // of them in a value would make the whole document unreadable.
        const bool nonCharacter = length == 3 && lead == 0xEF && valid == 3 &&
                                  static_cast<unsigned char>(text[i + 1]) == 0xBF &&
                                  static_cast<unsigned char>(text[i + 2]) >= 0xBE;
        if (length && valid == length && !nonCharacter)
            out.append(text, i, length);
        else
            out += kReplacementCharacter;
        i += valid;
    }
    return out;
}
