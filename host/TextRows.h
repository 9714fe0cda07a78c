// A SELECT whose result columns all arrive as text, with text parameters:
// how the host reads a few columns without a recordset class per query.
#pragma once

#include <string>
#include <vector>

#include "platform/Database.h"

// One statement on an open database, read forward one row at a time. NULL
// arrives as an empty text; a value longer than `width` bytes arrives cut on
// a character boundary. Throws CDBException. Not copyable; the database must
// outlive it.
class TextRows : public CRecordset {
public:
    // `columns`: how many result columns `sql` has; `params`: the values of
    // its '?' marks, in order.
    TextRows(CDatabase& db, std::string sql, size_t columns, std::vector<std::string> params = {},
             int width = 255);

    // Runs the statement; true when it gave a first row.
    bool Run();
    // The next row; false after the last.
    bool Next();

    const std::string& operator[](size_t column) const { return m_values[column].str(); }
    // The column as a whole number; `fallback` when empty or not a number.
    long long Number(size_t column, long long fallback = -1) const;

    void DoFieldExchange(CFieldExchange* pFX) override;

private:
    std::string m_sql;
    int m_width;
    std::vector<CString> m_values;
    std::vector<CString> m_params;
};
