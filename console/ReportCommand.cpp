// `hwconsole report`: one PC's report through the component's Display export.
// The console fills the request and hands over its connection; the component
// builds the whole report.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/ComponentLoader.h"
#include "console/Connection.h"
#include "console/Console.h"
#include "console/Output.h"

namespace {

bool ParsePcId(const std::string& text, int32_t& id) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long value = strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX) return false;
    id = static_cast<int32_t>(value);
    return true;
}

}  // namespace

int RunReport(const CommandLine& cmd) {
    int32_t pcId = 0;
    if (!ParsePcId(cmd.Option("pc"), pcId)) {
        fprintf(stderr, "hwconsole: report needs --pc ID (a whole number)\n");
        return kExitUsage;
    }
    std::string error;
    const std::string connect = ConnectionString(cmd, error);
    if (connect.empty()) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return cmd.Has("db") || cmd.Has("connect") ? kExitFailed : kExitUsage;
    }
    std::string styles = cmd.Option("styles");
    if (!styles.empty() && styles.back() != '/') styles += '/';

    ComponentLoader component;
    if (!component.Load(cmd.Option("component", DefaultComponentPath()))) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }

    CDataConnection connection;
    DisplayRequest request;
    request.Connection = &connection;
    request.PCID = pcId;
    request.User = cmd.Option("user").c_str();
    request.CompanyName = cmd.Option("company").c_str();
    CString html(styles.c_str());
    try {
        connection.Open(connect.c_str());
        component.Exports().Display(&request, &html);
    } catch (const CDBException& e) {
        fprintf(stderr, "hwconsole: database error: %s\n", e.what());
        return kExitFailed;
    }
    if (html.IsEmpty()) {
        const std::string folder = styles.empty() ? StylesFolderOf(component.Path()) : styles;
        fprintf(stderr,
                "hwconsole: the transformation failed: stylesheet %sStdHardwareStyleSheet.xsl "
                "is missing or not a usable stylesheet\n",
                folder.c_str());
        return kExitFailed;
    }
    return WriteOutput(cmd.Option("out"), html.str()) ? kExitOk : kExitFailed;
}
