// Tables for other programs: CSV for spreadsheets, JSON for scripts. The
// fleet list and every query export through here, so both follow the same
// rules.
#pragma once

#include <string>
#include <vector>

// Columns and rows of text. A row holds one value per column; "" is an
// empty value (a NULL in the database).
struct TextTable {
    std::vector<std::string> columns;
    std::vector<bool> numeric;  // per column: its values are numbers
    std::vector<std::vector<std::string>> rows;
};

// RFC 4180: a header row of the column names, then one record per row, each
// line ended by CR LF. A field holding a comma, a double quote, CR or LF, or
// starting or ending with a blank, is quoted, its quotes doubled. Text is
// UTF-8 (invalid bytes become U+FFFD), without a byte order mark.
std::string WriteCsv(const TextTable& table);

// A JSON array with one object per row, its members in column order (a
// repeated column name gets " (2)" and so on). A value of a numeric column
// that reads as a finite number is a JSON number, an empty value is null,
// anything else a string. UTF-8, invalid bytes as U+FFFD; ends in a newline.
std::string WriteJson(const TextTable& table);
