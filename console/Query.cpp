// `hwconsole query`: a read-only hardware query over the whole fleet. The
// result becomes the query document and is rendered with the stylesheet
// whose name the component gives through GetContextValue(1).
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "console/Console.h"
#include "host/ComponentLoader.h"
#include "host/Connection.h"
#include "host/Output.h"
#include "host/QueryDocument.h"
#include "host/QueryTable.h"
#include "host/ReadOnlySql.h"
#include "host/ReportFormat.h"
#include "report/StylesheetTransformer.h"

namespace {

struct QueryOptions {
    DatabaseChoice database;
    std::optional<std::string> sql, named, like, mb, title;
    std::string format = "html";
    std::string user, company, out, componentPath;
};

// The stylesheet gets the installation's Styles folder as PathName, as the
// component's own report transformation does.
class QueryTransformer : public StylesheetTransformer {
public:
    explicit QueryTransformer(std::string stylesFolder) : m_stylesFolder(std::move(stylesFolder)) {}

protected:
    bool LookUpStylesFolder(CString& folder) override {
        if (m_stylesFolder.empty()) return false;
        folder = m_stylesFolder;
        return true;
    }

private:
    std::string m_stylesFolder;
};

// A text for inside a string literal: quotes doubled.
std::string SqlLiteralText(const std::string& text) {
    std::string out;
    for (char ch : text) {
        out += ch;
        if (ch == '\'') out += '\'';
    }
    return out;
}

// The system name of the PC in column `id`, for the named queries.
std::string SystemNameOf(const char* id) {
    return std::string("(SELECT MIN(s.[Name]) FROM [dbo].[SystemOverview] s WHERE s.[ID] = ") + id +
           ") AS \"System\"";
}

// Fills `sql` and `title` for --named; false with a usage error.
bool NamedQuery(const QueryOptions& options, std::string& sql, std::string& title,
                std::string& error) {
    const std::string name = options.named.value_or("");
    if (name == "low-disk") {
        title = "Logical disks under 10 % free";
        sql = "SELECT l.[ID] AS \"PC\", " + SystemNameOf("l.[ID]") +
              ", l.[Name] AS \"Volume\", l.[FileSystem] AS \"File system\", "
              "l.[Capacity] AS \"Size (GB)\", l.[FreeSpace] AS \"Free (GB)\", "
              "CAST(100.0 * l.[FreeSpace] / l.[Capacity] AS INTEGER) AS \"Free (%)\" "
              "FROM [dbo].[LogicalDisk] l "
              "WHERE l.[Capacity] > 0 AND l.[FreeSpace] < 0.1 * l.[Capacity] "
              "ORDER BY l.[ID], l.[LogicalDiskID]";
        return true;
    }
    if (name == "cpu") {
        const std::string like = options.like.value_or("");
        if (like.empty()) {
            error = "--named cpu needs --like TEXT (part of the processor's name)";
            return false;
        }
        title = "Processors matching \"" + like + "\"";
        sql = "SELECT c.[ID] AS \"PC\", " + SystemNameOf("c.[ID]") +
              ", c.[Name] AS \"Processor\", COUNT(*) AS \"Count\", "
              "MAX(c.[Speed]) AS \"Speed (MHz)\" FROM [dbo].[CPU] c "
              "WHERE UPPER(c.[Name]) LIKE UPPER('%" +
              SqlLiteralText(like) + "%') GROUP BY c.[ID], c.[Name] ORDER BY c.[ID], c.[Name]";
        return true;
    }
    if (name == "memory-below") {
        unsigned long long mb = 0;
        if (!ParseWholeNumber(options.mb.value_or(""), INT32_MAX, mb)) {
            error = "--named memory-below needs --mb N (megabytes, a whole number)";
            return false;
        }
        title = "PCs with less than " + std::to_string(mb) + " MB of memory";
        sql =
            "SELECT o.[ID] AS \"PC\", o.[Name] AS \"System\", o.[Memory] AS \"Memory (MB)\" "
            "FROM [dbo].[SystemOverview] o WHERE o.[Memory] < " +
            std::to_string(mb) + " ORDER BY o.[ID], o.[OSID]";
        return true;
    }
    error = "unknown named query '" + name + "' (one of: low-disk, cpu, memory-below)";
    return false;
}

// The query document's table as CSV or JSON.
int ExportTable(const std::string& document, const std::string& format, const std::string& out) {
    QueryTable result;
    std::string error;
    if (!ReadQueryTable(document, result, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitFailed;
    }
    if (result.cutAt >= 0)
        fprintf(stderr, "hwconsole: the result was cut after %lld rows\n", result.cutAt);
    const std::string text = format == "csv" ? WriteCsv(result.table) : WriteJson(result.table);
    return WriteOutput(out, text) ? kExitOk : kExitFailed;
}

std::string LocalTimeStamp() {
    const time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

int RunQuery(const QueryOptions& options) {
    std::string sql, title, error;
    if (options.sql.has_value() == options.named.has_value()) {
        fprintf(stderr, "hwconsole: query needs either --sql \"SELECT ...\" or --named NAME\n");
        return kExitUsage;
    }
    if (options.sql) {
        sql = *options.sql;
    } else if (!NamedQuery(options, sql, title, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    std::string statement;
    if (!CheckReadOnlySelect(sql, statement, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::string& format = options.format;
    if (format != "html" && format != "xml" && format != "csv" && format != "json") {
        fprintf(stderr, "hwconsole: query formats are html, xml, csv and json, not '%s'\n",
                format.c_str());
        return kExitUsage;
    }
    if (options.title) title = *options.title;
    int exitCode = kExitOk;
    const std::string connect = ConnectionStringOrExplain(options.database, exitCode);
    if (connect.empty()) return exitCode;

    ComponentLoader component;
    if (!component.Load(options.componentPath)) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }
    CDataConnection connection;
    if (!OpenConnection(connection, connect, DatabaseName(options.database),
                        CDatabase::noOdbcDialog | CDatabase::openReadOnly))
        return kExitFailed;

    QueryHeader header{title, options.company, options.user, LocalTimeStamp()};
    std::string document;
    try {
        document = BuildQueryDocument(connection, statement, header);
    } catch (const CDBException& e) {
        fprintf(stderr, "hwconsole: database error: %s\n", e.what());
        return kExitFailed;
    }
    if (format == "xml") return WriteOutput(options.out, document) ? kExitOk : kExitFailed;
    if (format == "csv" || format == "json") return ExportTable(document, format, options.out);

    CString name;
    if (!component.Exports().GetContextValue(1, &name) || name.IsEmpty()) {
        fprintf(stderr, "hwconsole: the component names no query stylesheet\n");
        return kExitComponent;
    }
    const std::string styles = StylesFolderOf(component.Path());
    const std::string path = styles + name.str();
    QueryTransformer transformer(styles);
    transformer.SetStylesheetPath(CString(path));
    CString html;
    if (!transformer.Transform(CString(document), html) || html.IsEmpty()) {
        fprintf(stderr, "hwconsole: %s\n", DescribeStylesheetFailure(path, "").c_str());
        return kExitFailed;
    }
    return WriteOutput(options.out, html.str()) ? kExitOk : kExitFailed;
}

}  // namespace

void AddQueryCommand(CommandLine& line) {
    auto options = std::make_shared<QueryOptions>();
    CLI::App* command = line.Add("query", "a read-only hardware query over the whole fleet",
                                 [options] { return RunQuery(*options); });
    command->footer(
        "named queries:\n"
        "  --named low-disk               logical disks under 10 % free\n"
        "  --named cpu --like TEXT        PCs whose processor name contains TEXT\n"
        "  --named memory-below --mb N    PCs with less than N MB of memory");
    AddDatabaseOptions(command, options->database);
    AddOption(command, "--sql", options->sql,
              "one SELECT (or WITH ... SELECT) only, run on a read-only connection",
              "\"SELECT ...\"");
    AddOption(command, "--named", options->named, "a named query (see below)",
              "low-disk|cpu|memory-below");
    AddOption(command, "--like", options->like, "part of the processor's name, for --named cpu",
              "TEXT");
    AddOption(command, "--mb", options->mb, "megabytes, for --named memory-below", "N");
    AddOption(command, "--title", options->title, "the page's heading", "TEXT");
    AddHeaderOptions(command, options->user, options->company);
    command
        ->add_option("--format", options->format,
                     "html: the page (default); xml: the query document itself; csv: RFC 4180 "
                     "with a header row; json: an array of objects")
        ->type_name("html|xml|csv|json");
    command->add_option("--out", options->out, "write there (default: standard output)")
        ->type_name("FILE");
    AddComponentOption(command, options->componentPath);
}
