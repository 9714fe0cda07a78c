// hwconsole: the host program that drives the hardware component through
// its exports. Each command is one function that reads its options and calls
// the host library; main() only dispatches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/Connection.h"
#include "host/ReportFormat.h"

// Exit codes, also listed by `hwconsole --help`.
enum ExitCode {
    kExitOk = 0,
    kExitFailed = 1,     // database error, transformation failure, unwritable output
    kExitUsage = 2,      // bad command line
    kExitComponent = 3,  // component missing, not loadable, or handshake failed
};

struct CommandLine {
    std::vector<std::string> args;  // after the command name
    // The value after `--name` (or `--name=value`); `fallback` when absent.
    std::string Option(const std::string& name, const std::string& fallback = "") const;
    bool Has(const std::string& name) const;
    // The arguments that are neither options nor the value of one of the
    // `valued` options ("-" is an argument). Sets `unknown` to the first
    // option that is in neither list.
    std::vector<std::string> Positional(const std::vector<std::string>& valued,
                                        const std::vector<std::string>& flags,
                                        std::string& unknown) const;
};

// A PC identifier: a whole number in the 32-bit range.
bool ParsePcId(const std::string& text, int32_t& id);

// A count, a number of seconds or a size: digits only, from 0 to `max`.
bool ParseWholeNumber(const std::string& text, unsigned long long max, unsigned long long& value);

// The host library's inputs as the command line gives them: --db or
// --connect; --format or --styles.
DatabaseChoice ChosenDatabase(const CommandLine& cmd);
std::string ConnectionString(const CommandLine& cmd, std::string& error, bool mustExist = true);
std::string DatabaseName(const CommandLine& cmd);
bool ResolveReportStyles(const CommandLine& cmd, const std::string& componentPath,
                         ReportStyles& styles, std::string& error);

int RunInfo(const CommandLine& cmd);
int RunReport(const CommandLine& cmd);
int RunInitDb(const CommandLine& cmd);
int RunBatch(const CommandLine& cmd);
int RunQuery(const CommandLine& cmd);
int RunImport(const CommandLine& cmd);
int RunChanges(const CommandLine& cmd);
