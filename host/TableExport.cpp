#include "host/TableExport.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "text/XmlText.h"

namespace {

void AppendCsvField(std::string& out, const std::string& value) {
    const bool quote = value.find_first_of(",\"\r\n") != std::string::npos ||
                       (!value.empty() && (value.front() == ' ' || value.back() == ' '));
    if (!quote) {
        out += value;
        return;
    }
    out += '"';
    for (char ch : value) {
        if (ch == '"') out += '"';
        out += ch;
    }
    out += '"';
}

void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        AppendCsvField(out, ToValidUtf8(fields[i]));
    }
    out += "\r\n";
}

// The value as a JSON number when it is one in full: integers stay exact.
bool AsNumber(const std::string& text, nlohmann::ordered_json& number) {
    if (text.empty() || isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    const long long whole = strtoll(text.c_str(), &end, 10);
    if (*end == '\0' && errno == 0) {
        number = whole;
        return true;
    }
    errno = 0;
    const double real = strtod(text.c_str(), &end);
    if (*end != '\0' || errno != 0 || !std::isfinite(real)) return false;
    number = real;
    return true;
}

}  // namespace

std::string WriteCsv(const TextTable& table) {
    std::string out;
    AppendCsvRecord(out, table.columns);
    for (const std::vector<std::string>& row : table.rows) AppendCsvRecord(out, row);
    return out;
}

std::string WriteJson(const TextTable& table) {
    std::vector<std::string> keys;
    for (const std::string& column : table.columns) {
        std::string key = column;
        for (int n = 2; std::find(keys.begin(), keys.end(), key) != keys.end(); ++n)
            key = column + " (" + std::to_string(n) + ")";
        keys.push_back(key);
    }
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const std::vector<std::string>& row : table.rows) {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (size_t i = 0; i < keys.size() && i < row.size(); ++i) {
            nlohmann::ordered_json number;
            if (row[i].empty())
                object[keys[i]] = nullptr;
            else if (i < table.numeric.size() && table.numeric[i] && AsNumber(row[i], number))
                object[keys[i]] = number;
            else
                object[keys[i]] = row[i];
        }
        rows.push_back(std::move(object));
    }
    return rows.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}
