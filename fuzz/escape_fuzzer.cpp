// The escaper on arbitrary bytes: what it writes never holds a raw reserved
// character or a control byte, parses as the text of an element, and reads
// back as the input without its control bytes.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "text/XmlText.h"

namespace {

void Check(bool condition, const char* what) {
    if (condition) return;
    fprintf(stderr, "escape_fuzzer: %s\n", what);
    abort();
}

void SilentError(void*, const char*, ...) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    xmlSetGenericErrorFunc(nullptr, SilentError);
    // Values arrive as C strings: the escaper reads up to the first zero byte.
    const std::string input(reinterpret_cast<const char*>(data), size);
    CString escaped;
    AppendEscapedText(escaped, input.c_str());
    const std::string& out = escaped.str();

    for (size_t i = 0; i < out.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        Check(c >= 0x20, "control byte in the output");
        Check(c != '<' && c != '>' && c != '"' && c != '\'', "raw reserved character");
        if (c == '&') {
            const char* rest = out.c_str() + i;
            Check(!strncmp(rest, "&amp;", 5) || !strncmp(rest, "&lt;", 4) ||
                      !strncmp(rest, "&gt;", 4) || !strncmp(rest, "&quot;", 6) ||
                      !strncmp(rest, "&apos;", 6),
                  "ampersand that starts no entity");
        }
    }

    // The report reaches the parser as valid UTF-8; the element must then
    // hold exactly the input, control bytes dropped.
    const std::string document = "<v>" + ToValidUtf8(out) + "</v>";
    xmlDocPtr doc = xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr,
                                  "UTF-8", XML_PARSE_NONET | XML_PARSE_IGNORE_ENC);
    Check(doc != nullptr, "escaped text does not parse as element text");
    xmlNodePtr root = xmlDocGetRootElement(doc);
    Check(root != nullptr, "no root element");
    Check(!root->children || (root->children->type == XML_TEXT_NODE && !root->children->next),
          "escaped text parsed into more than one text node");
    xmlChar* content = xmlNodeGetContent(root);
    std::string expected;
    for (char c : std::string(input.c_str()))
        if (static_cast<unsigned char>(c) >= 0x20) expected += c;
    Check(std::string(reinterpret_cast<const char*>(content)) == ToValidUtf8(expected),
          "text read back differs from the input");
    xmlFree(content);
    xmlFreeDoc(doc);
    return 0;
}
