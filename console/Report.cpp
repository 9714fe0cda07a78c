// `hwconsole report`: one PC's report through the component's Display export.
// The console fills the request and hands over its connection; the component
// builds the whole report.
#include <cstdio>
#include <memory>
#include <string>

#include "console/Console.h"
#include "host/ComponentLoader.h"
#include "host/Connection.h"
#include "host/Output.h"
#include "host/PcLookup.h"
#include "host/ReportFormat.h"
#include "host/ReportRun.h"

namespace {

struct ReportOptions {
    DatabaseChoice database;
    std::optional<std::string> pc;
    StyleChoice styles;
    std::string user, company, out, componentPath;
};

int RunReport(const ReportOptions& options) {
    const std::string pc = options.pc.value_or("");
    if (pc.empty()) {
        fprintf(
            stderr,
            "hwconsole: report needs --pc PC (its ID, host name, serial number or asset tag)\n");
        return kExitUsage;
    }
    ReportStyles styles;
    std::string error;
    if (!ResolveReportStyles(options.styles.format, options.styles.folder, options.componentPath,
                             styles, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    int exitCode = kExitOk;
    const std::string connect = ConnectionStringOrExplain(options.database, exitCode);
    if (connect.empty()) return exitCode;

    ComponentLoader component;
    if (!component.Load(options.componentPath)) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }
    const std::string databaseName = DatabaseName(options.database);
    CDataConnection connection;
    if (!OpenConnection(connection, connect, databaseName)) return kExitFailed;

    PcMatch match;
    try {
        match = LookUpPc(connection.m_database, pc);
    } catch (const CDBException& e) {
        fprintf(stderr, "hwconsole: database error: %s\n", e.what());
        return kExitFailed;
    }
    if (match.status == PcMatch::kAmbiguous) {
        fprintf(stderr, "hwconsole: %s\n", DescribeCandidates(pc, match).c_str());
        return kExitUsage;
    }
    if (match.status == PcMatch::kNotFound) {
        fprintf(stderr,
                "hwconsole: no PC is known as '%s' in %s (by ID, host name, serial number "
                "or asset tag)\n",
                pc.c_str(), databaseName.c_str());
        return kExitFailed;
    }
    const int32_t pcId = match.id;
    ReportRequest request;
    request.pcId = pcId;
    request.user = options.user;
    request.company = options.company;
    request.hostString = styles.hostString;
    ReportOutcome outcome = RenderReport(component.Exports(), connection, request);
    switch (outcome.status) {
        case ReportOutcome::kOk:
            break;
        case ReportOutcome::kNoInventory:
            fprintf(stderr, "hwconsole: PC %d has no inventory rows in %s\n", pcId,
                    databaseName.c_str());
            return kExitFailed;
        case ReportOutcome::kDatabaseError:
            fprintf(stderr, "hwconsole: database error: %s\n", outcome.error.c_str());
            return kExitFailed;
        case ReportOutcome::kTransformFailed:
            fprintf(stderr, "hwconsole: %s\n",
                    DescribeStylesheetFailure(ReportStylesheetPath(styles), outcome.error).c_str());
            return kExitFailed;
    }
    return WriteOutput(options.out, outcome.text) ? kExitOk : kExitFailed;
}

}  // namespace

void AddReportCommand(CommandLine& line) {
    auto options = std::make_shared<ReportOptions>();
    CLI::App* command =
        line.Add("report", "one PC's hardware report through the component's Display",
                 [options] { return RunReport(*options); });
    AddDatabaseOptions(command, options->database);
    AddOption(command, "--pc", options->pc, "the PC: its ID, host name, serial number or asset tag",
              "PC");
    AddHeaderOptions(command, options->user, options->company);
    AddStyleOptions(command, options->styles);
    AddOutOption(command, options->out);
    AddComponentOption(command, options->componentPath);
}
