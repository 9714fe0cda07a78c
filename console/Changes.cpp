// `hwconsole changes`: the options; history/ does the work.
#include <cstdio>
#include <exception>
#include <memory>

#include "console/Console.h"
#include "history/Changes.h"
#include "host/Output.h"
#include "platform/XmlServices.h"

namespace {

struct ChangesCommand {
    DatabaseChoice database;
    std::optional<std::string> pc, since;
    std::string format = "html";
    bool all = false;
    std::string out;
};

int RunChanges(const ChangesCommand& given) {
    hwhistory::ChangesOptions options;
    options.since = given.since.value_or("");
    options.all = given.all;
    if (given.since && !hwhistory::IsSinceDate(options.since)) {
        fprintf(stderr, "hwconsole: --since needs a date, YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ\n");
        return kExitUsage;
    }
    if (!given.pc && !given.since) {
        fprintf(stderr, "hwconsole: changes needs --pc PC, --since DATE or both\n");
        return kExitUsage;
    }
    int exitCode = kExitOk;
    const std::string connect = ConnectionStringOrExplain(given.database, exitCode);
    if (connect.empty()) return exitCode;
    const std::string databaseName = DatabaseName(given.database);
    CDataConnection connection;
    if (!OpenConnection(connection, connect, databaseName,
                        CDatabase::openReadOnly | CDatabase::noOdbcDialog))
        return kExitFailed;
    int32_t pcId = 0;
    if (given.pc) {
        exitCode = FindPcOrExplain(connection.m_database, *given.pc, databaseName, pcId);
        if (exitCode != kExitOk) return exitCode;
    }
    hwhistory::ChangeList list;
    try {
        list = given.pc ? hwhistory::PcChanges(connection.m_database, pcId, options)
                        : hwhistory::FleetChanges(connection.m_database, options);
    } catch (const CDBException& e) {
        fprintf(stderr, "hwconsole: cannot read the history: %s\n", e.what());
        return kExitFailed;
    } catch (const std::exception& e) {
        fprintf(stderr, "hwconsole: %s\n", e.what());
        return kExitFailed;
    }
    std::string text;
    if (given.format == "json") text = hwhistory::ChangesJson(list);
    if (given.format == "text") text = hwhistory::ChangesText(list);
    if (given.format == "csv") text = hwhistory::ChangesCsv(list);
    if (given.format == "html") {
        hwhistory::ChangesPage page;
        page.title = given.pc ? "Changes of PC " + std::to_string(pcId) : "Fleet changes";
        text = hwhistory::ChangesHtml(list, page);
        if (text.empty()) {
            fprintf(stderr, "hwconsole: the changes page failed: %s\n",
                    GetLastTransformFailure().c_str());
            return kExitFailed;
        }
    }
    return WriteOutput(given.out, text) ? kExitOk : kExitFailed;
}

}  // namespace

void AddChangesCommand(CommandLine& line) {
    auto options = std::make_shared<ChangesCommand>();
    CLI::App* command = line.Add(
        "changes", "what changed on a PC, or across the fleet, between the imports' snapshots",
        [options] { return RunChanges(*options); });
    command->footer(
        "Without --pc: every PC that changed since DATE, from its last snapshot before\n"
        "DATE to its newest, those whose memory, disk count or serial number changed\n"
        "first. Free space, free per cent and the logged-on user only with --all.");
    AddDatabaseOptions(command, options->database);
    AddOption(command, "--pc", options->pc,
              "one PC's changes, newest first: its ID, host name, serial number or asset tag",
              "PC");
    AddOption(command, "--since", options->since, "from DATE on (YYYY-MM-DD, UTC)", "DATE");
    command->add_flag("--all", options->all, "also free space and the logged-on user");
    command->add_option("--format", options->format, "html (default), text, json or csv")
        ->check(CLI::IsMember({"html", "text", "json", "csv"}))
        ->option_text("html|text|json|csv");
    AddOutOption(command, options->out);
}
