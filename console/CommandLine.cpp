#include <algorithm>
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

std::vector<std::string> CommandLine::Positional(const std::vector<std::string>& valued,
                                                 const std::vector<std::string>& flags,
                                                 std::string& unknown) const {
    std::vector<std::string> positional;
    unknown.clear();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 3 || a.compare(0, 2, "--") != 0) {
            positional.push_back(a);
            continue;
        }
        const std::string name =
            a.substr(2, a.find('=') == std::string::npos ? std::string::npos : a.find('=') - 2);
        const bool takesValue = std::find(valued.begin(), valued.end(), name) != valued.end();
        if (takesValue && a.find('=') == std::string::npos) ++i;
        if (!takesValue && std::find(flags.begin(), flags.end(), name) == flags.end() &&
            unknown.empty())
            unknown = a;
    }
    return positional;
}
