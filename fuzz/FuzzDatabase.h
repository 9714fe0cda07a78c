// A scratch SQLite database for the fuzz targets: created once per process
// from the shipped schema, then rewritten by each input.
#pragma once

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "HardwareList.h"
#include "host/SqlScript.h"

namespace fuzzdb {

[[noreturn]] inline void Fail(const std::string& what) {
    fprintf(stderr, "fuzz target: %s\n", what.c_str());
    abort();
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs every statement of an SQL file.
inline void RunSqlFile(CDatabase& db, const std::string& path) {
    std::vector<std::string> statements;
    if (!ReadSqlScript(path, statements)) Fail("cannot read " + path);
    for (const std::string& sql : statements) db.ExecuteSQL(sql.c_str());
}

// Opens a fresh database in a private folder (removed at exit) holding the
// schema and the given data file.
inline void OpenScratchDatabase(CDataConnection& connection, const char* dataFile) {
    static std::string folder;
    char name[] = "/tmp/hwfuzz-XXXXXX";
    if (!mkdtemp(name)) Fail("cannot create a scratch folder");
    folder = name;
    atexit([] { (void)!system(("rm -rf '" + folder + "'").c_str()); });
    connection.Open(("Driver=SQLite3;Database=" + folder + "/fuzz.db").c_str());
    // Scratch data: speed over durability.
    for (const char* pragma : {"PRAGMA synchronous = OFF", "PRAGMA journal_mode = MEMORY",
                               "PRAGMA dbo.synchronous = OFF", "PRAGMA dbo.journal_mode = MEMORY"})
        connection.m_database.ExecuteSQL(pragma);
    RunSqlFile(connection.m_database, HW_SOURCE_DIR "/schema/sqlite.sql");
    if (dataFile) RunSqlFile(connection.m_database, dataFile);
}

// The text columns of every table, as the schema declares them (VARCHAR).
inline std::vector<std::pair<std::string, std::vector<std::string>>> TextColumns() {
    std::vector<std::pair<std::string, std::vector<std::string>>> tables;
    std::stringstream lines(ReadText(HW_SOURCE_DIR "/schema/sqlite.sql"));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, 13, "CREATE TABLE ") == 0) {
            tables.push_back({line.substr(13, line.find(' ', 13) - 13), {}});
        } else if (!tables.empty() && line.find(" VARCHAR(") != std::string::npos) {
            const size_t start = line.find_first_not_of(' ');
            tables.back().second.push_back(line.substr(start, line.find(' ', start) - start));
        }
    }
    return tables;
}

// The report schema, compiled once.
class ReportValidator {
public:
    ReportValidator() {
        xmlSchemaParserCtxtPtr parser =
            xmlSchemaNewParserCtxt(HW_SOURCE_DIR "/schema/hardware-report.xsd");
        m_schema = parser ? xmlSchemaParse(parser) : nullptr;
        if (parser) xmlSchemaFreeParserCtxt(parser);
        if (!m_schema) Fail("the report schema does not compile");
    }
    // Parses `text` (valid UTF-8) and validates it; returns the parsed
    // document (caller frees) or aborts naming the problem.
    xmlDocPtr ParseValid(const std::string& text, bool validate) const {
        xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                                      XML_PARSE_NONET | XML_PARSE_IGNORE_ENC);
        if (!doc) Fail("document is not well formed:\n" + text);
        if (validate) {
            xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(m_schema);
            const int verdict = xmlSchemaValidateDoc(validator, doc);
            xmlSchemaFreeValidCtxt(validator);
            if (verdict != 0) Fail("document is not valid against the schema:\n" + text);
        }
        return doc;
    }

private:
    xmlSchemaPtr m_schema = nullptr;
};

inline void SilentError(void*, const char*, ...) {}
inline void SilentStructuredError(void*, xmlErrorPtr) {}
inline void SilenceLibxml() {
    xmlSetGenericErrorFunc(nullptr, SilentError);
    xmlSetStructuredErrorFunc(nullptr, SilentStructuredError);
}

}  // namespace fuzzdb
