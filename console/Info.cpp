// `hwconsole info`: load the component, prove the handshake and say, check
// by check, what was found.
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "console/Console.h"
#include "host/ComponentLoader.h"
#include "host/Output.h"

namespace {

struct InfoOptions {
    std::string componentPath;
};

int RunInfo(const InfoOptions& options) {
    ComponentLoader component;
    if (!component.Load(options.componentPath)) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }
    const HwExports& e = component.Exports();
    CString queryStylesheet;
    e.GetContextValue(1, &queryStylesheet);
    const std::string styles = StylesFolderOf(component.Path());
    printf("component:         %s\n", component.Path().c_str());
    printf("name:              %s\n", e.GetName(0));
    printf(
        "checked:           the library loads and has all 22 entry points\n"
        "                   it says it is the hardware component (number %d)\n"
        "                   it answered a fresh random challenge correctly\n"
        "                   it accepted initialisation\n",
        e.GetID());

    // The stylesheets every command needs, where the component looks for them.
    int exitCode = kExitOk;
    auto check = [&](const char* what, const std::string& path) {
        const bool readable = access(path.c_str(), R_OK) == 0;
        printf("%-19s%s%s\n", what, path.c_str(), readable ? "" : "  MISSING");
        if (!readable) exitCode = kExitFailed;
    };
    check("report page:", styles + "StdHardwareStyleSheet.xsl");
    check("print page:", styles + "print/StdHardwareStyleSheet.xsl");
    check("plain text:", styles + "text/StdHardwareStyleSheet.xsl");
    check("report document:", styles + "xml/StdHardwareStyleSheet.xsl");
    check("query page:", styles + queryStylesheet.str());
    printf(exitCode == kExitOk ? "The component is ready.\n"
                               : "The component works, but a stylesheet is missing.\n");
    return exitCode;
}

}  // namespace

void AddInfoCommand(CommandLine& line) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* command = line.Add("info", "load the component, verify it and show what it says",
                                 [options] { return RunInfo(*options); });
    AddComponentOption(command, options->componentPath);
}
