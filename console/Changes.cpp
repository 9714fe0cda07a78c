// `hwconsole changes`: the options; history/ does the work.
#include <cstdio>
#include <exception>

#include "console/Console.h"
#include "history/Changes.h"
#include "host/Output.h"
#include "platform/XmlServices.h"

int RunChanges(const CommandLine& cmd) {
    std::string unknown;
    const std::vector<std::string> extra =
        cmd.Positional({"db", "connect", "pc", "since", "format", "out"}, {"all"}, unknown);
    if (!unknown.empty() || !extra.empty()) {
        fprintf(stderr, "hwconsole: changes does not know %s (see hwconsole --help)\n",
                unknown.empty() ? extra.front().c_str() : unknown.c_str());
        return kExitUsage;
    }
    hwhistory::ChangesOptions options;
    options.since = cmd.Option("since");
    options.all = cmd.Has("all");
    if (cmd.Has("since") && !hwhistory::IsSinceDate(options.since)) {
        fprintf(stderr, "hwconsole: --since needs a date, YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ\n");
        return kExitUsage;
    }
    if (!cmd.Has("pc") && !cmd.Has("since")) {
        fprintf(stderr, "hwconsole: changes needs --pc PC, --since DATE or both\n");
        return kExitUsage;
    }
    const std::string format = cmd.Option("format", "html");
    if (format != "html" && format != "text" && format != "json" && format != "csv") {
        fprintf(stderr, "hwconsole: --format is html, text, json or csv\n");
        return kExitUsage;
    }
    int32_t pcId = 0;
    if (cmd.Has("pc") && !ParsePcId(cmd.Option("pc"), pcId)) {
        fprintf(stderr, "hwconsole: --pc needs a PC ID\n");
        return kExitUsage;
    }
    std::string error;
    const std::string connect = ConnectionString(cmd, error);
    if (connect.empty()) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    CDataConnection connection;
    if (!OpenConnection(connection, connect, DatabaseName(cmd),
                        CDatabase::openReadOnly | CDatabase::noOdbcDialog))
        return kExitFailed;
    hwhistory::ChangeList list;
    try {
        list = cmd.Has("pc") ? hwhistory::PcChanges(connection.m_database, pcId, options)
                             : hwhistory::FleetChanges(connection.m_database, options);
    } catch (const CDBException& e) {
        fprintf(stderr, "hwconsole: cannot read the history: %s\n", e.what());
        return kExitFailed;
    } catch (const std::exception& e) {
        fprintf(stderr, "hwconsole: %s\n", e.what());
        return kExitFailed;
    }
    std::string text;
    if (format == "json") text = hwhistory::ChangesJson(list);
    if (format == "text") text = hwhistory::ChangesText(list);
    if (format == "csv") text = hwhistory::ChangesCsv(list);
    if (format == "html") {
        hwhistory::ChangesPage page;
        page.title = cmd.Has("pc") ? "Changes of PC " + std::to_string(pcId) : "Fleet changes";
        text = hwhistory::ChangesHtml(list, page);
        if (text.empty()) {
            fprintf(stderr, "hwconsole: the changes page failed: %s\n",
                    GetLastTransformFailure().c_str());
            return kExitFailed;
        }
    }
    return WriteOutput(cmd.Option("out"), text) ? kExitOk : kExitFailed;
}
