#include "host/QueryDocument.h"

#include <utility>
#include <vector>

#include "db/DynamicQuery.h"
#include "text/XmlText.h"

namespace {

// A SELECT whose columns are found when it runs: one text column per result
// column, named and typed as the driver describes it.
class CQueryResultSet : public CDynamicQuery {
public:
    CQueryResultSet(CDataConnection* pConnection, CString sql)
        : CDynamicQuery(pConnection), m_strText(std::move(sql)) {
        m_nDefaultTextWidth = 1024;
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

}  // namespace

std::string BuildQueryDocument(CDataConnection& connection, const std::string& sql,
                               const QueryHeader& header) {
    CQueryResultSet query(&connection, CString(sql));
    bool row = query.Execute(0, 0) != 0;

    CString doc = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<QueryResult";
    AppendAttribute(doc, "title", header.title);
    AppendAttribute(doc, "company", header.company);
    AppendAttribute(doc, "user", header.user);
    AppendAttribute(doc, "generated", header.generated);
    doc += ">\r\n<Columns>\r\n";
    for (const CODBCFieldInfo& field : query.m_fields) {
        doc += IsNumeric(field.m_nSQLType) ? "<Column type=\"number\">" : "<Column>";
        AppendEscapedText(doc, field.m_strName);
        doc += "</Column>\r\n";
    }
    doc += "</Columns>\r\n";
    for (; row; row = query.FetchNext()) {
        doc += "<Row>\r\n";
        for (const CString& value : query.m_values) AppendElement(doc, "Value", value);
        doc += "</Row>\r\n";
    }
    doc += "</QueryResult>\r\n";
    return std::move(doc.str());
}
