// A fleet query's result as the query document that
// Styles/HardwareComponentQuery.xsl reads (QueryResult, Columns/Column,
// Row/Value; see styles/README.md).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "HardwareList.h"

struct QueryHeader {
    std::string title;
    std::string company;
    std::string user;
    std::string generated;  // shown as given
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
// cutAt="N" (the rows it holds). Throws CDBException.
std::string BuildQueryDocument(CDataConnection& connection, const std::string& sql,
                               const QueryHeader& header, const QueryLimits& limits);
