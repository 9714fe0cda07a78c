#include "report/XmlText.h"

#include <cstring>

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
