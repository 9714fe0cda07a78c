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
