#include "host/NamedQueries.h"

#include <cstdint>
#include <utility>

#include "host/Output.h"
#include "host/PcList.h"
#include "host/QueryTable.h"
#include "host/ReadOnlySql.h"
#include "host/ReportFormat.h"
#include "platform/ComError.h"
#include "platform/XmlServices.h"
#include "report/StylesheetTransformer.h"

namespace {

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

// The system name of the PC in column `id`.
std::string SystemNameOf(const char* id) {
    return std::string("(SELECT MIN(s.[Name]) FROM [dbo].[SystemOverview] s WHERE s.[ID] = ") + id +
           ") AS \"System\"";
}

std::string LowDisk(PreparedQuery& query) {
    query.title = "Logical disks under 10 % free";
    query.columns.decimals = {{"Size (GB)", 2}, {"Free (GB)", 2}};
    // Fullest first. A CD-ROM volume (device type 1, or a disc's file
    // system) is always full and never runs out of room.
    return "SELECT l.[ID] AS \"PC\", " + SystemNameOf("l.[ID]") +
           ", l.[Name] AS \"Volume\", l.[FileSystem] AS \"File system\", "
           "l.[Capacity] AS \"Size (GB)\", l.[FreeSpace] AS \"Free (GB)\", "
           "CAST(100.0 * l.[FreeSpace] / l.[Capacity] AS INTEGER) AS \"Free (%)\" "
           "FROM [dbo].[LogicalDisk] l "
           "WHERE l.[Capacity] > 0 AND l.[FreeSpace] < 0.1 * l.[Capacity] "
           "AND l.[DeviceTypeID] <> 1 "
           "AND UPPER(RTRIM(COALESCE(l.[FileSystem], ''))) NOT IN ('CDFS', 'UDF', 'ISO9660') "
           "ORDER BY 1.0 * l.[FreeSpace] / l.[Capacity], l.[ID], l.[LogicalDiskID]";
}

std::string Cpu(const std::string& like, PreparedQuery& query) {
    query.title = "Processors matching \"" + like + "\"";
    return "SELECT c.[ID] AS \"PC\", " + SystemNameOf("c.[ID]") +
           ", c.[Name] AS \"Processor\", COUNT(*) AS \"Count\", "
           "MAX(c.[Speed]) AS \"Speed (MHz)\" FROM [dbo].[CPU] c "
           "WHERE UPPER(c.[Name]) LIKE UPPER('%" +
           LikeLiteralText(like) +
           "%') ESCAPE '!' GROUP BY c.[ID], c.[Name] ORDER BY c.[Name], c.[ID]";
}

std::string MemoryBelow(unsigned long long mb, PreparedQuery& query) {
    query.title = "PCs with less than " + std::to_string(mb) + " MB of memory";
    // Least memory first; a memory the scan could not read (-1) last.
    return "SELECT o.[ID] AS \"PC\", o.[Name] AS \"System\", o.[Memory] AS \"Memory (MB)\" "
           "FROM [dbo].[SystemOverview] o WHERE o.[Memory] < " +
           std::to_string(mb) +
           " ORDER BY CASE WHEN o.[Memory] < 0 THEN 1 ELSE 0 END, o.[Memory], o.[ID], o.[OSID]";
}

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

}  // namespace

const std::vector<NamedQueryInfo>& NamedQueries() {
    static const std::vector<NamedQueryInfo> queries = {
        {"low-disk", "logical disks under 10 % free", {}},
        {"cpu",
         "PCs whose processor name contains TEXT",
         {{"like", "TEXT", "part of the processor's name"}}},
        {"memory-below",
         "PCs with less than N MB of memory",
         {{"mb", "N", "megabytes, a whole number"}}},
    };
    return queries;
}

bool PrepareNamedQuery(const std::string& name, const std::map<std::string, std::string>& values,
                       PreparedQuery& query, std::string& error, const std::string& prefix) {
    const NamedQueryInfo* info = nullptr;
    std::string names;
    for (const NamedQueryInfo& known : NamedQueries()) {
        if (known.name == name) info = &known;
        names += (names.empty() ? "" : ", ") + known.name;
    }
    if (!info) {
        error = "unknown named query '" + name + "' (one of: " + names + ")";
        return false;
    }
    for (const auto& value : values) {
        bool taken = false;
        for (const NamedQueryParameter& parameter : info->parameters)
            taken = taken || parameter.name == value.first;
        if (!taken) {
            error = name + " takes no " + prefix + value.first;
            return false;
        }
    }
    for (const NamedQueryParameter& parameter : info->parameters) {
        const auto given = values.find(parameter.name);
        if (given == values.end() || given->second.empty()) {
            error = name + " needs " + prefix + parameter.name + " " + parameter.valueName + " (" +
                    parameter.description + ")";
            return false;
        }
    }
    query = PreparedQuery();
    query.columns.pcId = "PC";
    query.columns.pcName = "System";
    if (name == "low-disk") {
        query.sql = LowDisk(query);
    } else if (name == "cpu") {
        query.sql = Cpu(values.at("like"), query);
    } else {
        unsigned long long mb = 0;
        const std::string& text = values.at("mb");
        if (!ParseWholeNumber(text, INT32_MAX, mb)) {
            error = name + " needs " + prefix + "mb N (megabytes, a whole number), not '" + text +
                    "'";
            return false;
        }
        query.sql = MemoryBelow(mb, query);
    }
    return true;
}

QueryStatus RunQueryDocument(CDataConnection& connection, const PreparedQuery& query,
                             QueryHeader header, const QueryLimits& limits, std::string& document,
                             std::string& error) {
    std::string statement;
    if (!CheckReadOnlySelect(connection.m_database, query.sql, statement, error))
        return QueryStatus::kRefused;
    if (header.title.empty()) header.title = query.title;
    const auto start = std::chrono::steady_clock::now();
    try {
        document = BuildQueryDocument(connection, statement, header, limits, query.columns);
    } catch (const CDBException& e) {
        if (std::chrono::steady_clock::now() - start >= limits.timeout) {
            error = "the query was stopped after " + std::to_string(limits.timeout.count()) +
                    " s: " + e.what();
            return QueryStatus::kTimedOut;
        }
        error = std::string("database error: ") + e.what();
        return QueryStatus::kFailed;
    }
    return QueryStatus::kOk;
}

bool ExportQueryDocument(const std::string& document, bool json, std::string& text,
                         long long& cutAt, std::string& error) {
    QueryTable result;
    if (!ReadQueryTable(document, result, error)) return false;
    cutAt = result.cutAt;
    text = json ? WriteJson(result.table) : WriteCsv(result.table);
    return true;
}

QueryPageStatus RenderQueryPage(const ComponentLoader& component, const std::string& document,
                                const std::string& pcLink, std::string& html, std::string& error) {
    CString name;
    if (!component.Exports().GetContextValue(1, &name) || name.IsEmpty()) {
        error = "the component names no query stylesheet";
        return QueryPageStatus::kNoStylesheet;
    }
    const std::string styles = StylesFolderOf(component.Path());
    const std::string path = styles + name.str();
    QueryTransformer transformer(styles, pcLink);
    transformer.SetStylesheetPath(CString(path));
    CString page;
    try {
        transformer.Transform(CString(document), page);
    } catch (const _com_error& e) {
        SetLastTransformFailure(e.Error() == E_OUTOFMEMORY ? "out of memory" : e.what());
    }
    if (page.IsEmpty()) {
        error = DescribeStylesheetFailure(path, GetLastTransformFailure());
        return QueryPageStatus::kFailed;
    }
    html = page.str();
    return QueryPageStatus::kOk;
}
