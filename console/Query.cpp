// `hwconsole query`: a read-only hardware query over the whole fleet. The
// result becomes the query document and is rendered with the stylesheet
// whose name the component gives through GetContextValue(1).
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "console/Console.h"
#include "host/ComponentLoader.h"
#include "host/Connection.h"
#include "host/Output.h"
#include "host/QueryDocument.h"
#include "host/ReadOnlySql.h"
#include "host/ReportFormat.h"
#include "platform/ComError.h"
#include "platform/XmlServices.h"
#include "report/StylesheetTransformer.h"

namespace {

// The stylesheet gets the installation's Styles folder as PathName, as the
// component's own report transformation does, and where PC pages are as PcLink.
class QueryTransformer : public StylesheetTransformer {
public:
    QueryTransformer(std::string stylesFolder, std::string pcLink)
        : m_stylesFolder(std::move(stylesFolder)), m_pcLink(std::move(pcLink)) {}

protected:
    bool LookUpStylesFolder(CString& folder) override {
        if (m_stylesFolder.empty()) return false;
        folder = m_stylesFolder;
        return true;
    }
    Parameters HostParameters() const override { return {{"PcLink", m_pcLink}}; }

private:
    std::string m_stylesFolder;
    std::string m_pcLink;
};

// A text for inside a LIKE pattern's string literal: quotes doubled, and the
// pattern's own characters (%, _ and the escape character !) taken literally.
std::string LikeLiteralText(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '%' || ch == '_' || ch == '!') out += '!';
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

// Fills `sql`, `title` and `columns` for --named; false with a usage error.
// Every named query names the PC by its "PC" number and its "System" name,
// and lists what it is about first.
bool NamedQuery(const CommandLine& cmd, std::string& sql, std::string& title, QueryColumns& columns,
                std::string& error) {
    const std::string name = cmd.Option("named");
    columns.pcId = "PC";
    columns.pcName = "System";
    if (name == "low-disk") {
        title = "Logical disks under 10 % free";
        // Fullest first. A CD-ROM volume (device type 1, or a disc's file
        // system) is always full and never runs out of room.
        sql = "SELECT l.[ID] AS \"PC\", " + SystemNameOf("l.[ID]") +
              ", l.[Name] AS \"Volume\", l.[FileSystem] AS \"File system\", "
              "l.[Capacity] AS \"Size (GB)\", l.[FreeSpace] AS \"Free (GB)\", "
              "CAST(100.0 * l.[FreeSpace] / l.[Capacity] AS INTEGER) AS \"Free (%)\" "
              "FROM [dbo].[LogicalDisk] l "
              "WHERE l.[Capacity] > 0 AND l.[FreeSpace] < 0.1 * l.[Capacity] "
              "AND l.[DeviceTypeID] <> 1 "
              "AND UPPER(RTRIM(COALESCE(l.[FileSystem], ''))) NOT IN ('CDFS', 'UDF', 'ISO9660') "
              "ORDER BY 1.0 * l.[FreeSpace] / l.[Capacity], l.[ID], l.[LogicalDiskID]";
        columns.decimals = {{"Size (GB)", 2}, {"Free (GB)", 2}};
        return true;
    }
    if (name == "cpu") {
        const std::string like = cmd.Option("like");
        if (like.empty()) {
            error = "--named cpu needs --like TEXT (part of the processor's name)";
            return false;
        }
        title = "Processors matching \"" + like + "\"";
        sql = "SELECT c.[ID] AS \"PC\", " + SystemNameOf("c.[ID]") +
              ", c.[Name] AS \"Processor\", COUNT(*) AS \"Count\", "
              "MAX(c.[Speed]) AS \"Speed (MHz)\" FROM [dbo].[CPU] c "
              "WHERE UPPER(c.[Name]) LIKE UPPER('%" +
              LikeLiteralText(like) +
              "%') ESCAPE '!' GROUP BY c.[ID], c.[Name] ORDER BY c.[Name], c.[ID]";
        return true;
    }
    if (name == "memory-below") {
        unsigned long long mb = 0;
        if (!ParseWholeNumber(cmd.Option("mb"), INT32_MAX, mb)) {
            error = "--named memory-below needs --mb N (megabytes, a whole number)";
            return false;
        }
        title = "PCs with less than " + std::to_string(mb) + " MB of memory";
        // Least memory first; a memory the scan could not read (-1) last.
        sql =
            "SELECT o.[ID] AS \"PC\", o.[Name] AS \"System\", o.[Memory] AS \"Memory (MB)\" "
            "FROM [dbo].[SystemOverview] o WHERE o.[Memory] < " +
            std::to_string(mb) +
            " ORDER BY CASE WHEN o.[Memory] < 0 THEN 1 ELSE 0 END, o.[Memory], o.[ID], o.[OSID]";
        return true;
    }
    error = "unknown named query '" + name + "' (one of: low-disk, cpu, memory-below)";
    return false;
}

constexpr int32_t kMaxRowsLimit = 1000000;
constexpr int32_t kMaxTimeout = 86400;  // seconds

std::string LocalTimeStamp() {
    const time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

// --max-rows and --timeout; false with a usage error.
bool ParseLimits(const CommandLine& cmd, QueryLimits& limits, std::string& error) {
    int32_t value = 0;
    if (cmd.Has("max-rows")) {
        if (!ParsePcId(cmd.Option("max-rows"), value) || value < 1 || value > kMaxRowsLimit) {
            error = "--max-rows needs a number of rows from 1 to " + std::to_string(kMaxRowsLimit);
            return false;
        }
        limits.maxRows = static_cast<uint32_t>(value);
    }
    if (cmd.Has("timeout")) {
        if (!ParsePcId(cmd.Option("timeout"), value) || value < 1 || value > kMaxTimeout) {
            error = "--timeout needs a number of seconds from 1 to " + std::to_string(kMaxTimeout);
            return false;
        }
        limits.timeout = std::chrono::seconds(value);
    }
    return true;
}

// The page for the query document, with the stylesheet the component names.
int WritePage(const ComponentLoader& component, const std::string& document,
              const std::string& pcLink, const std::string& out) {
    CString name;
    if (!component.Exports().GetContextValue(1, &name) || name.IsEmpty()) {
        fprintf(stderr, "hwconsole: the component names no query stylesheet\n");
        return kExitComponent;
    }
    const std::string styles = StylesFolderOf(component.Path());
    const std::string path = styles + name.str();
    QueryTransformer transformer(styles, pcLink);
    transformer.SetStylesheetPath(CString(path));
    CString html;
    try {
        transformer.Transform(CString(document), html);
    } catch (const _com_error& e) {
        SetLastTransformFailure(e.Error() == E_OUTOFMEMORY ? "out of memory" : e.what());
    }
    if (html.IsEmpty()) {
        fprintf(stderr, "hwconsole: %s\n",
                DescribeStylesheetFailure(path, GetLastTransformFailure()).c_str());
        return kExitFailed;
    }
    return WriteOutput(out, html.str()) ? kExitOk : kExitFailed;
}

}  // namespace

int RunQuery(const CommandLine& cmd) {
    std::string sql, title, error;
    QueryColumns columns;
    if (cmd.Has("sql") == cmd.Has("named")) {
        fprintf(stderr, "hwconsole: query needs either --sql \"SELECT ...\" or --named NAME\n");
        return kExitUsage;
    }
    if (cmd.Has("sql")) {
        sql = cmd.Option("sql");
    } else if (!NamedQuery(cmd, sql, title, columns, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::string format = cmd.Option("format", "html");
    if (format != "html" && format != "xml") {
        fprintf(stderr, "hwconsole: query formats are html and xml, not '%s'\n", format.c_str());
        return kExitUsage;
    }
    QueryLimits limits;
    if (!ParseLimits(cmd, limits, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    if (cmd.Has("title")) title = cmd.Option("title");
    std::string connect = ConnectionString(cmd, error);
    if (connect.empty()) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return cmd.Has("db") || cmd.Has("connect") ? kExitFailed : kExitUsage;
    }
    if (cmd.Has("db")) connect = SqliteReadOnlyConnectionString(cmd.Option("db"));

    ComponentLoader component;
    if (!component.Load(cmd.Option("component", DefaultComponentPath()))) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }
    // The database refuses writes on this session; the check below refuses early.
    CDataConnection connection;
    if (!OpenConnection(connection, connect, DatabaseName(cmd),
                        CDatabase::noOdbcDialog | CDatabase::openReadOnly))
        return kExitFailed;
    std::string statement;
    if (!CheckReadOnlySelect(connection.m_database, sql, statement, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }

    QueryHeader header{title, cmd.Option("company"), cmd.Option("user"), LocalTimeStamp()};
    std::string document;
    const auto start = std::chrono::steady_clock::now();
    try {
        document = BuildQueryDocument(connection, statement, header, limits, columns);
    } catch (const CDBException& e) {
        if (std::chrono::steady_clock::now() - start >= limits.timeout)
            fprintf(stderr, "hwconsole: the query was stopped after %lld s (--timeout): %s\n",
                    static_cast<long long>(limits.timeout.count()), e.what());
        else
            fprintf(stderr, "hwconsole: database error: %s\n", e.what());
        return kExitFailed;
    }
    if (format == "xml") return WriteOutput(cmd.Option("out"), document) ? kExitOk : kExitFailed;
    return WritePage(component, document, cmd.Option("pc-link"), cmd.Option("out"));
}
