// `hwconsole report`: one PC's report through the component's Display export.
// The console fills the request and hands over its connection; the component
// builds the whole report.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "console/Console.h"
#include "host/ComponentLoader.h"
#include "host/Connection.h"
#include "host/Output.h"
#include "host/ReportFormat.h"
#include "host/ReportRun.h"

int RunReport(const CommandLine& cmd) {
    int32_t pcId = 0;
    if (!ParsePcId(cmd.Option("pc"), pcId)) {
        fprintf(stderr, "hwconsole: report needs --pc ID (a whole number)\n");
        return kExitUsage;
    }
    const std::string componentPath = cmd.Option("component", DefaultComponentPath());
    ReportStyles styles;
    std::string error;
    if (!ResolveReportStyles(cmd, componentPath, styles, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::string connect = ConnectionString(cmd, error);
    if (connect.empty()) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return cmd.Has("db") || cmd.Has("connect") ? kExitFailed : kExitUsage;
    }

    ComponentLoader component;
    if (!component.Load(componentPath)) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }
    CDataConnection connection;
    if (!OpenConnection(connection, connect, DatabaseName(cmd))) return kExitFailed;

    ReportRequest request;
    request.pcId = pcId;
    request.user = cmd.Option("user");
    request.company = cmd.Option("company");
    request.hostString = styles.hostString;
    ReportOutcome outcome = RenderReport(component.Exports(), connection, request);
    switch (outcome.status) {
        case ReportOutcome::kOk:
            break;
        case ReportOutcome::kNoInventory:
            fprintf(stderr, "hwconsole: PC %d has no inventory rows in %s\n", pcId,
                    DatabaseName(cmd).c_str());
            return kExitFailed;
        case ReportOutcome::kDatabaseError:
            fprintf(stderr, "hwconsole: database error: %s\n", outcome.error.c_str());
            return kExitFailed;
        case ReportOutcome::kTransformFailed:
            fprintf(stderr, "hwconsole: %s\n",
                    DescribeStylesheetFailure(ReportStylesheetPath(styles), outcome.error).c_str());
            return kExitFailed;
    }
    return WriteOutput(cmd.Option("out"), outcome.text) ? kExitOk : kExitFailed;
}
