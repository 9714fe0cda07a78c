// Validating report text against schema/hardware-report.xsd, for any test
// that produces a report document.
#pragma once

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <memory>
#include <string>

namespace report_schema {

inline void CollectError(void* sink, xmlErrorPtr error) {
    if (!error || !error->message) return;
    std::string& text = *static_cast<std::string*>(sink);
    text += "line " + std::to_string(error->line) + ": " + error->message;
}

// True when `text` (UTF-8 in memory, whatever its declaration says) is a
// hardware report document as the schema describes it. Otherwise `errors`
// receives the parser's or validator's messages.
inline bool IsValidReport(const std::string& text, std::string& errors) {
    errors.clear();
    // Compiled once per test process; validation contexts are per call.
    static std::string schemaErrors;
    static const std::unique_ptr<xmlSchema, void (*)(xmlSchemaPtr)> schema = [] {
        std::unique_ptr<xmlSchemaParserCtxt, void (*)(xmlSchemaParserCtxtPtr)> parser(
            xmlSchemaNewParserCtxt(HW_SOURCE_DIR "/schema/hardware-report.xsd"),
            xmlSchemaFreeParserCtxt);
        if (parser) xmlSchemaSetParserStructuredErrors(parser.get(), CollectError, &schemaErrors);
        return std::unique_ptr<xmlSchema, void (*)(xmlSchemaPtr)>(
            parser ? xmlSchemaParse(parser.get()) : nullptr, xmlSchemaFree);
    }();
    if (!schema) return errors = "schema does not compile: " + schemaErrors, false;

    xmlSetStructuredErrorFunc(&errors, CollectError);
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> doc(
        xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                      XML_PARSE_NONET | XML_PARSE_IGNORE_ENC),
        xmlFreeDoc);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (!doc) return false;

    std::unique_ptr<xmlSchemaValidCtxt, void (*)(xmlSchemaValidCtxtPtr)> validator(
        xmlSchemaNewValidCtxt(schema.get()), xmlSchemaFreeValidCtxt);
    xmlSchemaSetValidStructuredErrors(validator.get(), CollectError, &errors);
    return xmlSchemaValidateDoc(validator.get(), doc.get()) == 0;
}

}  // namespace report_schema
