#include <algorithm>
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
