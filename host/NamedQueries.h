// Fleet queries for every host: the named queries (what `hwconsole query
// --named` and the web server's query pages offer), a checked run of one
// into the query document (QueryDocument.h), and the document as a page,
// CSV or JSON. A SELECT a user writes runs through RunQueryDocument too,
// after the host's own decision to allow free SQL at all.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/ComponentLoader.h"
#include "host/QueryDocument.h"

struct NamedQueryParameter {
    std::string name;         // `--NAME` on the command line, `NAME=` in a URL
    std::string valueName;    // what to type: "TEXT", "N"
    std::string description;  // "part of the processor's name"
};

struct NamedQueryInfo {
    std::string name;         // "low-disk"
    std::string description;  // one line: what the rows are
    std::vector<NamedQueryParameter> parameters;  // all of them needed
};

// Every named query, in the order they are offered.
const std::vector<NamedQueryInfo>& NamedQueries();

// A query ready to run: its SELECT (in the bracketed dialect
// CheckReadOnlySelect reads), the page's title, and how the page shows its
// columns. Every named query names its PC by its "PC" number and its
// "System" name, and lists what it is about first.
struct PreparedQuery {
    std::string sql;
    std::string title;
    QueryColumns columns;
};

// Prepares the named query `name` with `values` (parameter name to the text
// given). False with `error` when the name is unknown, a parameter is
// missing or not valid, or `values` holds one the query does not take;
// the error shows parameter names as `prefix` + name ("--like" with "--").
bool PrepareNamedQuery(const std::string& name, const std::map<std::string, std::string>& values,
                       PreparedQuery& query, std::string& error, const std::string& prefix = "");

enum class QueryStatus {
    kOk,
    kRefused,   // not one read-only SELECT: the asker's mistake
    kTimedOut,  // stopped at limits.timeout
    kFailed,    // a database error
};

// Checks `query.sql` as CheckReadOnlySelect does for `connection`'s
// database (opened with CDatabase::openReadOnly) and runs it into the query
// document, within `limits`. `header.title` empty: the query's own title.
// Anything but kOk sets `error`. Never throws.
QueryStatus RunQueryDocument(CDataConnection& connection, const PreparedQuery& query,
                             QueryHeader header, const QueryLimits& limits, std::string& document,
                             std::string& error);

// The query document's table as CSV (RFC 4180), or with `json` as JSON,
// as TableExport.h writes them; `cutAt` the rows kept when the result was
// cut, else -1. False with `error` when `document` is not a query document.
bool ExportQueryDocument(const std::string& document, bool json, std::string& text,
                         long long& cutAt, std::string& error);

enum class QueryPageStatus {
    kOk,
    kNoStylesheet,  // the component names no query stylesheet (GetContextValue(1))
    kFailed,        // the stylesheet is missing or broken
};

// The query document as the page, with the stylesheet `component` names
// from its installation's Styles folder. `pcLink` is where a PC's page is,
// "{id}" standing for its number ("/pc/{id}", "pc-{id}.html"); empty: PC
// names link nowhere. Anything but kOk sets `error`.
QueryPageStatus RenderQueryPage(const ComponentLoader& component, const std::string& document,
                                const std::string& pcLink, std::string& html, std::string& error);
