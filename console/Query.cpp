// `hwconsole query`: a read-only hardware query over the whole fleet, named
// (host/NamedQueries.h) or written by the user, as the page, the query
// document, CSV or JSON.
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "console/Console.h"
#include "host/ComponentLoader.h"
#include "host/Connection.h"
#include "host/NamedQueries.h"
#include "host/Output.h"

namespace {

struct QueryOptions {
    DatabaseChoice database;
    std::optional<std::string> sql, named, title, maxRows, timeout;
    // The named queries' parameters, by name, as given.
    std::map<std::string, std::optional<std::string>> values;
    std::string format = "html";
    std::string user, company, out, componentPath, pcLink;
};

constexpr int32_t kMaxRowsLimit = 1000000;
constexpr int32_t kMaxTimeout = 86400;  // seconds

// --max-rows and --timeout; false with a usage error.
bool ParseLimits(const QueryOptions& options, QueryLimits& limits, std::string& error) {
    int32_t value = 0;
    if (options.maxRows) {
        if (!ParsePcId(*options.maxRows, value) || value < 1 || value > kMaxRowsLimit) {
            error = "--max-rows needs a number of rows from 1 to " + std::to_string(kMaxRowsLimit);
            return false;
        }
        limits.maxRows = static_cast<uint32_t>(value);
    }
    if (options.timeout) {
        if (!ParsePcId(*options.timeout, value) || value < 1 || value > kMaxTimeout) {
            error = "--timeout needs a number of seconds from 1 to " + std::to_string(kMaxTimeout);
            return false;
        }
        limits.timeout = std::chrono::seconds(value);
    }
    return true;
}

// The page, the document itself, or its table as CSV or JSON.
int WriteResult(const ComponentLoader& component, const std::string& document,
                const QueryOptions& options) {
    std::string text, error;
    if (options.format == "xml") return WriteOutput(options.out, document) ? kExitOk : kExitFailed;
    if (options.format == "html") {
        const QueryPageStatus status =
            RenderQueryPage(component, document, options.pcLink, text, error);
        if (status != QueryPageStatus::kOk) {
            fprintf(stderr, "hwconsole: %s\n", error.c_str());
            return status == QueryPageStatus::kNoStylesheet ? kExitComponent : kExitFailed;
        }
    } else {
        long long cutAt = -1;
        if (!ExportQueryDocument(document, options.format == "json", text, cutAt, error)) {
            fprintf(stderr, "hwconsole: %s\n", error.c_str());
            return kExitFailed;
        }
        if (cutAt >= 0)
            fprintf(stderr, "hwconsole: the result was cut after %lld rows (--max-rows)\n", cutAt);
    }
    return WriteOutput(options.out, text) ? kExitOk : kExitFailed;
}

int RunQuery(const QueryOptions& options) {
    PreparedQuery query;
    std::string error;
    if (options.sql.has_value() == options.named.has_value()) {
        fprintf(stderr, "hwconsole: query needs either --sql \"SELECT ...\" or --named NAME\n");
        return kExitUsage;
    }
    if (options.sql) {
        query.sql = *options.sql;
    } else {
        std::map<std::string, std::string> values;
        for (const auto& value : options.values)
            if (value.second) values[value.first] = *value.second;
        if (!PrepareNamedQuery(*options.named, values, query, error, "--")) {
            fprintf(stderr, "hwconsole: %s\n", error.c_str());
            return kExitUsage;
        }
    }
    const std::string& format = options.format;
    if (format != "html" && format != "xml" && format != "csv" && format != "json") {
        fprintf(stderr, "hwconsole: query formats are html, xml, csv and json, not '%s'\n",
                format.c_str());
        return kExitUsage;
    }
    QueryLimits limits;
    if (!ParseLimits(options, limits, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    int exitCode = kExitOk;
    std::string connect = ConnectionStringOrExplain(options.database, exitCode);
    if (connect.empty()) return exitCode;
    if (options.database.file) connect = SqliteReadOnlyConnectionString(*options.database.file);

    ComponentLoader component;
    if (!component.Load(options.componentPath)) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }
    // The database refuses writes on this session; the check refuses early.
    CDataConnection connection;
    if (!OpenConnection(connection, connect, DatabaseName(options.database),
                        CDatabase::noOdbcDialog | CDatabase::openReadOnly))
        return kExitFailed;
    const QueryHeader header{options.title.value_or(""), options.company, options.user,
                             LocalTimeStamp()};
    std::string document;
    switch (RunQueryDocument(connection, query, header, limits, document, error)) {
    case QueryStatus::kOk:
        return WriteResult(component, document, options);
    case QueryStatus::kRefused:
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    case QueryStatus::kTimedOut:
        fprintf(stderr, "hwconsole: %s (--timeout)\n", error.c_str());
        return kExitFailed;
    case QueryStatus::kFailed:
        break;
    }
    fprintf(stderr, "hwconsole: %s\n", error.c_str());
    return kExitFailed;
}

}  // namespace

void AddQueryCommand(CommandLine& line) {
    auto options = std::make_shared<QueryOptions>();
    CLI::App* command = line.Add("query", "a read-only hardware query over the whole fleet",
                                 [options] { return RunQuery(*options); });
    // The named queries and their parameters, from the one list the hosts share.
    std::string footer = "named queries:";
    std::map<std::string, std::string> users;  // parameter name: the queries taking it
    for (const NamedQueryInfo& query : NamedQueries()) {
        std::string call = "  --named " + query.name;
        for (const NamedQueryParameter& parameter : query.parameters) {
            call += " --" + parameter.name + " " + parameter.valueName;
            std::string& named = users[parameter.name];
            named += (named.empty() ? "--named " : ", ") + query.name;
        }
        footer += "\n" + call + std::string(call.size() < 32 ? 32 - call.size() : 1, ' ') +
                  query.description;
    }
    command->footer(footer);
    AddOption(command, "--db", options->database.file,
              "the database: a SQLite file, opened read-only", "FILE");
    AddOption(command, "--connect", options->database.connect,
              "or any ODBC connection string, opened read-only; on PostgreSQL as a role that can "
              "only read (hwreader)",
              "STRING");
    AddOption(command, "--sql", options->sql,
              "one SELECT (or WITH ... SELECT) only, calling only plain functions",
              "\"SELECT ...\"");
    std::string names;
    for (const NamedQueryInfo& query : NamedQueries())
        names += (names.empty() ? "" : "|") + query.name;
    AddOption(command, "--named", options->named, "a named query (see below)", names);
    for (const NamedQueryInfo& query : NamedQueries())
        for (const NamedQueryParameter& parameter : query.parameters)
            if (!options->values.count(parameter.name))
                AddOption(command, "--" + parameter.name, options->values[parameter.name],
                          parameter.description + ", for " + users[parameter.name],
                          parameter.valueName);
    command
        ->add_option("--pc-link", options->pcLink,
                     "link the named queries' PC names to their pages, {id} the PC's number: "
                     "pc-{id}.html beside a batch folder's pages")
        ->type_name("PATTERN");
    AddOption(command, "--max-rows", options->maxRows,
              "at most N rows (default 10000); the result says where it was cut", "N");
    AddOption(command, "--timeout", options->timeout, "stop the query after this long (default 30)",
              "SECONDS");
    AddOption(command, "--title", options->title, "the page's heading", "TEXT");
    AddHeaderOptions(command, options->user, options->company);
    command
        ->add_option("--format", options->format,
                     "html: the page (default); xml: the query document itself; csv: RFC 4180 "
                     "with a header row; json: an array of objects")
        ->type_name("html|xml|csv|json");
    AddOutOption(command, options->out);
    AddComponentOption(command, options->componentPath);
}
