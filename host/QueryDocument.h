// A fleet query's result as the query document that
// Styles/HardwareComponentQuery.xsl reads (QueryResult, Columns/Column,
// Row/Value; see styles/README.md).
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

#include "HardwareList.h"

struct QueryHeader {
    std::string title;
    std::string company;
    std::string user;
    std::string generated;  // shown as given
};

// How the page shows some of the result's columns, named as the result
// names them; a name that is empty or not in the result changes nothing.
struct QueryColumns {
    std::string pcId;    // the PC's identifier: each row says which PC it is about (pc="ID")
    std::string pcName;  // links to the row's PC page (link="pc")
    std::map<std::string, int> decimals;  // number columns rounded on the page (decimals="N")
};

// What one query may take.
struct QueryLimits {
    uint32_t maxRows = 10000;  // further rows are left out and the result says "cut at"
    std::chrono::seconds timeout{30};
};

// The longest value the document carries, in bytes; a longer one is cut on a
// character boundary and ends in "…".
constexpr size_t kMaxQueryValueBytes = 4095;
// Rows stop being added once the document is this large (the result is cut).
constexpr size_t kMaxQueryDocumentBytes = 32u << 20;

// Runs the SELECT `sql` (already checked) on `connection`, opened with
// CDatabase::openReadOnly, inside a CQueryScope with `limits`, every column
// read as text, and returns the whole document (UTF-8, CR LF line ends,
// values escaped, anything XML cannot hold as U+FFFD). Numeric columns are
// marked type="number"; NULL is an empty value; a cut result carries
// cutAt="N" (the rows it holds). `columns` marks the columns it names; a row
// gets pc="ID" only when its identifier is 1 to 10 digits. Throws
// CDBException.
std::string BuildQueryDocument(CDataConnection& connection, const std::string& sql,
                               const QueryHeader& header, const QueryLimits& limits,
                               const QueryColumns& columns = {});
