// The floor: the least work that produces the same page. The PC's rows are
// read with the SQLite C API through statements prepared once and reused, in
// one read transaction as the hosts read a report, and
// the report document is transformed with a stylesheet compiled once.
// Nothing here is what the component does; it is what any implementation
// would at least have to do.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

struct _xsltStylesheet;

namespace bench {

class SqliteFloor {
public:
    // Opens the fleet file read-only and prepares every statement. Throws
    // std::runtime_error.
    explicit SqliteFloor(const std::string& file);
    ~SqliteFloor();
    SqliteFloor(const SqliteFloor&) = delete;
    SqliteFloor& operator=(const SqliteFloor&) = delete;

    // Reads, column by column, every row the report shows for the PC; returns
    // the number of rows.
    size_t ReadPc(int32_t pcId);

private:
    sqlite3_stmt* Prepare(const char* sql);
    // Steps through the statement's rows, touching every column.
    size_t Drain(sqlite3_stmt* statement);

    sqlite3* m_db = nullptr;
    std::vector<sqlite3_stmt*> m_statements;  // all of them, for finalising
    struct List {
        sqlite3_stmt* statement;
        int deviceType;  // -1: the list has no device type parameter
    };
    std::vector<List> m_lists;  // in report order, adapters and devices apart
    sqlite3_stmt* m_begin = nullptr;
    sqlite3_stmt* m_commit = nullptr;
    sqlite3_stmt* m_biosRow0 = nullptr;
    sqlite3_stmt* m_adapters = nullptr;
    sqlite3_stmt* m_addresses = nullptr;
    sqlite3_stmt* m_devices = nullptr;
    sqlite3_stmt* m_values = nullptr;
    size_t m_listsBeforeAdapters = 0;
    uint64_t m_checksum = 0;  // keeps the column reads from being optimised away
};

class XsltFloor {
public:
    // Parses and compiles the stylesheet once. Throws std::runtime_error.
    XsltFloor(const std::string& stylesheetPath, const std::string& pathName);
    ~XsltFloor();
    XsltFloor(const XsltFloor&) = delete;
    XsltFloor& operator=(const XsltFloor&) = delete;

    // Parses the document from memory, applies the compiled stylesheet and
    // serialises the result.
    std::string Transform(const std::string& document);

private:
    _xsltStylesheet* m_stylesheet = nullptr;
    std::string m_pathNameParam;  // quoted for the XPath parameter
};

// One floor report: the PC's reads, then the transform of `document` (its
// report document). Kept out of line so that callgrind can count it alone.
std::string FloorReport(SqliteFloor& reads, XsltFloor& transform, int32_t pcId,
                        const std::string& document);

}  // namespace bench
