#include "host/TextRows.h"

#include <cerrno>
#include <cstdlib>

TextRows::TextRows(CDatabase& db, std::string sql, size_t columns, std::vector<std::string> params,
                   int width)
    : CRecordset(&db), m_sql(std::move(sql)), m_width(width), m_values(columns) {
    for (const std::string& param : params) m_params.emplace_back(param);
    m_nFields = static_cast<unsigned>(columns);
    m_nParams = static_cast<unsigned>(m_params.size());
}

bool TextRows::Run() {
    Open(forwardOnly, m_sql.c_str(), readOnly);
    return !IsEOF();
}

bool TextRows::Next() {
    MoveNext();
    return !IsEOF();
}

long long TextRows::Number(size_t column, long long fallback) const {
    const std::string& text = m_values[column].str();
    if (text.empty()) return fallback;
    char* end = nullptr;
    errno = 0;
    const long long value = strtoll(text.c_str(), &end, 10);
    return errno == 0 && (*end == '\0' || *end == '.') ? value : fallback;
}

void TextRows::DoFieldExchange(CFieldExchange* pFX) {
    pFX->SetFieldType(CFieldExchange::outputColumn);
    for (CString& value : m_values) RFX_Text(pFX, "c", value, m_width);
    pFX->SetFieldType(CFieldExchange::param);
    for (CString& param : m_params)
        RFX_Text(pFX, "p", param, static_cast<int>(param.GetLength()) + 1);
}
