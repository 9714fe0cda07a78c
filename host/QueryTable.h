// A query's result, from its query document (QueryDocument.h), as a table
// for CSV and JSON: the document already holds the values as the page shows
// them, limits and cuts included.
#pragma once

#include <string>

#include "host/TableExport.h"

struct QueryTable {
    TextTable table;
    long long cutAt = -1;  // the rows kept when the result was cut, else -1
};

// Reads `document` into `result`. False with `error` set when it is not a
// query document.
bool ReadQueryTable(const std::string& document, QueryTable& result, std::string& error);
