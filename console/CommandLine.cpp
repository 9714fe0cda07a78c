#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "console/Console.h"

bool ParsePcId(const std::string& text, int32_t& id) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long value = strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX) return false;
    id = static_cast<int32_t>(value);
    return true;
}

bool ParseWholeNumber(const std::string& text, unsigned long long max, unsigned long long& value) {
    if (text.empty() || !isdigit(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    value = strtoull(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value <= max;
}

std::string CommandLine::Option(const std::string& name, const std::string& fallback) const {
    const std::string flag = "--" + name;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == flag && i + 1 < args.size()) return args[i + 1];
        if (args[i].compare(0, flag.size() + 1, flag + "=") == 0)
            return args[i].substr(flag.size() + 1);
    }
    return fallback;
}

bool CommandLine::Has(const std::string& name) const {
    const std::string flag = "--" + name;
    for (const std::string& a : args)
        if (a == flag || a.compare(0, flag.size() + 1, flag + "=") == 0) return true;
    return false;
}

DatabaseChoice ChosenDatabase(const CommandLine& cmd) {
    DatabaseChoice choice;
    if (cmd.Has("db")) choice.file = cmd.Option("db");
    if (cmd.Has("connect")) choice.connect = cmd.Option("connect");
    return choice;
}

std::string ConnectionString(const CommandLine& cmd, std::string& error, bool mustExist) {
    return ConnectionString(ChosenDatabase(cmd), error, mustExist);
}

std::string DatabaseName(const CommandLine& cmd) {
    return DatabaseName(ChosenDatabase(cmd));
}

bool ResolveReportStyles(const CommandLine& cmd, const std::string& componentPath,
                         ReportStyles& styles, std::string& error) {
    std::optional<std::string> format, folder;
    if (cmd.Has("format")) format = cmd.Option("format", "html");
    if (cmd.Has("styles")) folder = cmd.Option("styles");
    return ResolveReportStyles(format, folder, componentPath, styles, error);
}
