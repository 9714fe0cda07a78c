// `hwconsole list`: the fleet from its index (host/FleetList.h), as a table
// on the terminal or as CSV or JSON for other programs.
#include <cstdio>
#include <memory>
#include <string>

#include "console/Console.h"
#include "host/FleetIndex.h"
#include "host/FleetList.h"
#include "host/Output.h"

namespace {

constexpr size_t kMaxCellWidth = 32;  // characters; longer values end in "…"

struct ListOptions {
    DatabaseChoice database;
    std::optional<std::string> search, sort, limit, offset;
    bool descending = false;
    std::string format = "table";
    std::string out;
};

// Columns a terminal gives a character: two for the wide scripts (CJK, Hangul,
// full-width forms), none for a continuation byte.
size_t CharWidth(const std::string& text, size_t i, size_t& length) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (i + length > text.size()) length = 1;
    if (length < 3) return 1;
    uint32_t cp = lead & (length == 3 ? 0x0F : 0x07);
    for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (text[i + k] & 0x3F);
    const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                      (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                      (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6) ||
                      cp >= 0x20000;
    return wide ? 2 : 1;
}

// `text` cut to at most kMaxCellWidth columns; its width in `width`.
std::string Cell(const std::string& text, size_t& width) {
    std::string cell;
    width = 0;
    for (size_t i = 0, length = 0; i < text.size(); i += length) {
        const size_t w = CharWidth(text, i, length);
        if (static_cast<unsigned char>(text[i]) < 0x20) continue;  // a line break stays in its row
        if (width + w > kMaxCellWidth - 1 && i + length < text.size()) {
            cell += "\xE2\x80\xA6";  // …
            ++width;
            break;
        }
        cell.append(text, i, length);
        width += w;
    }
    return cell;
}

std::string Gigabytes(long long megabytes) {
    if (megabytes < 0) return "";
    char text[32];
    if (megabytes % 1024 == 0)
        snprintf(text, sizeof text, "%lld GB", megabytes / 1024);
    else
        snprintf(text, sizeof text, "%.1f GB", static_cast<double>(megabytes) / 1024.0);
    return text;
}

std::string TerminalTable(const FleetPage& page, const FleetQuery& query) {
    std::vector<std::vector<std::string>> rows = {
        {"ID", "Name", "Model", "OS", "CPU", "Memory", "Last inventory"}};
    for (const FleetRow& row : page.rows)
        rows.push_back({std::to_string(row.id), row.name, ModelText(row), row.os, row.cpu,
                        Gigabytes(row.memoryMb), row.lastInventory});
    std::vector<std::vector<std::pair<std::string, size_t>>> cells;
    std::vector<size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
        cells.emplace_back();
        for (size_t c = 0; c < row.size(); ++c) {
            size_t width = 0;
            cells.back().emplace_back(Cell(row[c], width), width);
            widths[c] = std::max(widths[c], width);
        }
    }
    std::string out;
    for (const auto& row : cells) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - row[c].second, ' ');
            line += c == 0 ? pad + row[c].first : "  " + row[c].first + pad;  // IDs to the right
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    const size_t first = page.rows.empty() ? 0 : query.offset + 1;
    const size_t last = query.offset + page.rows.size();
    if (page.rows.size() == page.total)
        out += std::to_string(page.total) + (page.total == 1 ? " PC" : " PCs");
    else
        out += std::to_string(first) + "-" + std::to_string(last) + " of " +
               std::to_string(page.total) + " PCs";
    if (!query.search.empty()) out += " matching \"" + query.search + "\"";
    return out + "\n";
}

int RunList(const ListOptions& options) {
    FleetQuery query;
    query.search = options.search.value_or("");
    query.descending = options.descending;
    query.limit = 0;
    if (options.sort && !FindListColumn(*options.sort, query.sortBy)) {
        fprintf(stderr, "hwconsole: unknown sort column '%s' (one of: %s)\n", options.sort->c_str(),
                ListColumnNames().c_str());
        return kExitUsage;
    }
    auto readCount = [](const std::optional<std::string>& given, const char* name, size_t& count) {
        unsigned long long number = 0;
        if (!given) return true;
        if (!ParseWholeNumber(*given, INT32_MAX, number)) {
            fprintf(stderr, "hwconsole: %s needs a whole number\n", name);
            return false;
        }
        count = static_cast<size_t>(number);
        return true;
    };
    if (!readCount(options.limit, "--limit", query.limit) ||
        !readCount(options.offset, "--offset", query.offset))
        return kExitUsage;
    if (options.format != "table" && options.format != "csv" && options.format != "json") {
        fprintf(stderr, "hwconsole: list formats are table, csv and json, not '%s'\n",
                options.format.c_str());
        return kExitUsage;
    }
    int exitCode = kExitOk;
    const std::string connect = ConnectionStringOrExplain(options.database, exitCode);
    if (connect.empty()) return exitCode;
    // Its own statements only: the read-only session of user queries would
    // refuse the search's full-text table and a database user who may write.
    CDataConnection connection;
    if (!OpenConnection(connection, connect, DatabaseName(options.database))) return kExitFailed;

    FleetPage page;
    try {
        page = ListFleet(connection.m_database, query);
    } catch (const CDBException& e) {
        const bool noIndex = FoldCase(e.what()).find("pclisting") != std::string::npos;
        fprintf(stderr, "hwconsole: database error: %s%s\n", e.what(),
                noIndex ? " (the database has no fleet index: init-db and import make one)" : "");
        return kExitFailed;
    }
    const std::string text = options.format == "csv"    ? WriteCsv(FleetRowsTable(page.rows))
                             : options.format == "json" ? WriteJson(FleetRowsTable(page.rows))
                                                        : TerminalTable(page, query);
    return WriteOutput(options.out, text) ? kExitOk : kExitFailed;
}

}  // namespace

void AddListCommand(CommandLine& line) {
    auto options = std::make_shared<ListOptions>();
    CLI::App* command = line.Add("list", "the fleet as a table, or as CSV or JSON",
                                 [options] { return RunList(*options); });
    AddDatabaseOptions(command, options->database);
    AddOption(command, "--q", options->search,
              "only PCs whose host name, serial number, asset tag, IP or MAC address, "
              "logged-on user, model or operating system contains TEXT (any case)",
              "TEXT");
    AddOption(command, "--sort", options->sort, "the column to sort by (default name)",
              "id|name|model|os|cpu|memory|inventory");
    command->add_flag("--desc", options->descending, "sort in descending order");
    AddOption(command, "--offset", options->offset, "skip the first N PCs", "N");
    AddOption(command, "--limit", options->limit, "at most N PCs (default: all)", "N");
    command
        ->add_option("--format", options->format,
                     "table: aligned columns (default); csv: RFC 4180 with a header row; json: "
                     "an array of objects")
        ->type_name("table|csv|json");
    AddOutOption(command, options->out);
}
