#include "host/QueryDocument.h"

#include <utility>
#include <vector>

#include "db/DynamicQuery.h"
#include "platform/QuerySession.h"
#include "text/XmlText.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
constexpr char kCutMark[] = "\xE2\x80\xA6";      // U+2026, after a cut value

// A SELECT whose columns are found when it runs: one text column per result
// column, named and typed as the driver describes it.
class CQueryResultSet : public CDynamicQuery {
public:
    CQueryResultSet(CDataConnection* pConnection, CString sql, uint32_t maxRows)
        : CDynamicQuery(pConnection), m_strText(std::move(sql)) {
        m_nDefaultTextWidth = static_cast<int32_t>(kMaxQueryValueBytes + 1);
        SetRowsetSize(16);         // 16 rows of every column's widest value at a time
        m_nMaxRows = maxRows + 1;  // one more, to know that the result is cut
    }
    CString BuildSQL() override { return m_strText; }

    void BindColumns(CFieldExchange* pFX) override {
        // The statement has run when its buffers are allocated: describe it then.
        if (pFX->m_nOperation == CFieldExchange::AllocMultiRowBuffer && m_queryColumns.empty()) {
            m_fields.resize(m_nColumns);
            m_values.resize(m_nColumns);  // sized once: the columns keep pointers into it
            for (uint32_t i = 0; i < m_nColumns; ++i) {
                GetODBCFieldInfo(static_cast<short>(i), m_fields[i]);
                AddText(&m_values[i]);
            }
        }
        CDynamicQuery::BindColumns(pFX);
    }

    std::vector<CODBCFieldInfo> m_fields;
    std::vector<CString> m_values;

private:
    CString m_strText;
};

bool IsNumeric(SQLSMALLINT type) {
    switch (type) {
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
        case SQL_DECIMAL:
        case SQL_NUMERIC:
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return true;
        default:
            return false;
    }
}

void AppendAttribute(CString& out, const char* name, const std::string& value) {
    if (value.empty()) return;
    out += ' ';
    out += name;
    out += "=\"";
    AppendEscapedText(out, value.c_str());
    out += '"';
}

// One value: a zero byte (which XML cannot hold) shows as U+FFFD instead of
// ending the value, and a cut value ends in the cut mark.
void AppendValue(CString& doc, const CString& value, bool cut) {
    std::string text;
    for (char ch : value.str()) {
        if (ch == '\0')
            text += kReplacement;
        else
            text += ch;
    }
    if (cut) text += kCutMark;
    AppendElement(doc, "Value", text.c_str());
}

// An identifier the page may put into a link: digits only.
bool IsPcId(const CString& value) {
    const std::string& text = value.str();
    return !text.empty() && text.size() <= 10 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::string BuildQueryDocument(CDataConnection& connection, const std::string& sql,
                               const QueryHeader& header, const QueryLimits& limits,
                               const QueryColumns& columns) {
    CQueryScope scope(connection.m_database, limits.timeout);
    // PostgreSQL's driver holds the whole result before the first row is
    // read, so the server itself stops at the limit there.
    std::string text = sql;
    if (connection.m_database.GetDialect() == DbDialect::PostgreSQL)
        text = "SELECT * FROM (" + sql + ") AS hw_query LIMIT " +
               std::to_string(limits.maxRows + 1ull);
    CQueryResultSet query(&connection, CString(text), limits.maxRows);
    bool row = query.Execute(0, 0) != 0;
    size_t pcId = query.m_fields.size();
    for (size_t i = 0; i < query.m_fields.size(); ++i)
        if (!columns.pcId.empty() && query.m_fields[i].m_strName.str() == columns.pcId) pcId = i;

    CString rows;
    uint32_t count = 0;
    for (; row && count < limits.maxRows && rows.str().size() < kMaxQueryDocumentBytes;
         row = query.FetchNext(), ++count) {
        if (pcId < query.m_values.size() && IsPcId(query.m_values[pcId]))
            rows += "<Row pc=\"" + query.m_values[pcId].str() + "\">\r\n";
        else
            rows += "<Row>\r\n";
        for (size_t i = 0; i < query.m_values.size(); ++i)
            AppendValue(rows, query.m_values[i], query.IsColumnCut(i));
        rows += "</Row>\r\n";
    }

    CString doc = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<QueryResult";
    AppendAttribute(doc, "title", header.title);
    AppendAttribute(doc, "company", header.company);
    AppendAttribute(doc, "user", header.user);
    AppendAttribute(doc, "generated", header.generated);
    if (row) AppendAttribute(doc, "cutAt", std::to_string(count));
    doc += ">\r\n<Columns>\r\n";
    for (const CODBCFieldInfo& field : query.m_fields) {
        const std::string& name = field.m_strName.str();
        const bool number = IsNumeric(field.m_nSQLType);
        doc += "<Column";
        if (number) doc += " type=\"number\"";
        const auto decimals = columns.decimals.find(name);
        if (number && decimals != columns.decimals.end())
            doc += " decimals=\"" + std::to_string(decimals->second) + "\"";
        if (!columns.pcName.empty() && name == columns.pcName) doc += " link=\"pc\"";
        doc += ">";
        AppendEscapedText(doc, field.m_strName);
        doc += "</Column>\r\n";
    }
    doc += "</Columns>\r\n";
    doc += rows;
    doc += "</QueryResult>\r\n";
    // Names and values are the database's bytes: make them text XML can hold.
    return ToValidUtf8(doc.str());
}
