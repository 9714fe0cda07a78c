// A fleet query's result as the query document that
// Styles/HardwareComponentQuery.xsl reads (QueryResult, Columns/Column,
// Row/Value; see styles/README.md).
#pragma once

#include <string>

#include "HardwareList.h"

struct QueryHeader {
    std::string title;
    std::string company;
    std::string user;
    std::string generated;  // shown as given
};

// Runs the SELECT `sql` on `connection` with every column read as text and
// returns the whole document (UTF-8, CR LF line ends, values escaped).
// Numeric columns are marked type="number"; NULL is an empty value. Throws
// CDBException.
std::string BuildQueryDocument(CDataConnection& connection, const std::string& sql,
                               const QueryHeader& header);
