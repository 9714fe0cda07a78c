// hwconsole: the host program that drives the hardware component through
// its exports. Each command is one file that declares its options on the
// command line and hands their values to the host library; main() lists the
// commands.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/Connection.h"
#include "host/PcList.h"
#include "host/ReportFormat.h"

// Exit codes, also listed by `hwconsole --help`.
enum ExitCode {
    kExitOk = 0,
    kExitFailed = 1,     // database error, transformation failure, unwritable output
    kExitUsage = 2,      // bad command line, or a refused query
    kExitComponent = 3,  // component missing, not loadable, or handshake failed
};

// The whole command line: `hwconsole COMMAND [options]`, `--help` for the
// program and for each command, `--version`. Not copyable.
class CommandLine {
public:
    CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // Adds the command `name` (`summary` is its line in `hwconsole --help`);
    // the caller declares its options on the returned command. Once they are
    // read without error, `run` does the work and returns the exit code.
    CLI::App* Add(const std::string& name, const std::string& summary, std::function<int()> run);

    // Reads the arguments and runs the chosen command. An unknown command or
    // option (with the nearest known name as a hint), a missing value or an
    // option given twice is a usage error (exit 2).
    int Run(int argc, const char* const* argv);

private:
    CLI::App m_app;
    std::vector<std::pair<CLI::App*, std::function<int()>>> m_commands;
};

// An option with one value that remembers whether it was given at all (a
// given but empty value counts as given).
CLI::Option* AddOption(CLI::App* command, const std::string& name,
                       std::optional<std::string>& value, const std::string& help,
                       const std::string& valueName);

// The options several commands share.
// --db FILE | --connect STRING.
void AddDatabaseOptions(CLI::App* command, DatabaseChoice& database);
// --component PATH, the installation's component by default.
void AddComponentOption(CLI::App* command, std::string& componentPath);
// --out FILE, standard output by default.
void AddOutOption(CLI::App* command, std::string& out);
// --user TEXT --company TEXT, shown in the page's header.
void AddHeaderOptions(CLI::App* command, std::string& user, std::string& company);
// --format NAME | --styles DIR for report pages.
struct StyleChoice {
    std::optional<std::string> format;
    std::optional<std::string> folder;
};
void AddStyleOptions(CLI::App* command, StyleChoice& styles);

// A PC identifier: a whole number in the 32-bit range.
bool ParsePcId(const std::string& text, int32_t& id);

// The connection string for `database`; on failure prints why and sets
// `exitCode` (2 when no database was named, 1 when the named one is unusable).
std::string ConnectionStringOrExplain(const DatabaseChoice& database, int& exitCode,
                                      bool mustExist = true);

// One line per command, in the order `hwconsole --help` lists them.
void AddInfoCommand(CommandLine& line);
void AddReportCommand(CommandLine& line);
void AddBatchCommand(CommandLine& line);
void AddQueryCommand(CommandLine& line);
void AddListCommand(CommandLine& line);
void AddImportCommand(CommandLine& line);
void AddInitDbCommand(CommandLine& line);
