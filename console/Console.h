// hwconsole: the host program that drives the hardware component through
// its exports. Each command is one function; main() only dispatches.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

int RunInfo(const CommandLine& cmd);
int RunReport(const CommandLine& cmd);
int RunInitDb(const CommandLine& cmd);
int RunBatch(const CommandLine& cmd);
int RunQuery(const CommandLine& cmd);
int RunImport(const CommandLine& cmd);
