// `hwconsole info`: load the component, prove the handshake and show what it
// says about itself.
#include <cstdio>

#include "console/Console.h"
#include "host/ComponentLoader.h"

int RunInfo(const CommandLine& cmd) {
    ComponentLoader component;
    if (!component.Load(cmd.Option("component", DefaultComponentPath()))) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }
    const HwExports& e = component.Exports();
    CString queryStylesheet;
    e.GetContextValue(1, &queryStylesheet);
    printf("component:         %s\n", component.Path().c_str());
    printf("identity:          %d\n", e.GetID());
    printf("name:              %s\n", e.GetName(0));
    printf("query stylesheet:  %s\n", queryStylesheet.GetString());
    printf("handshake:         verified\n");
    // The registry is process-wide: the same names give the component's identifiers.
    printf("message VYNGETLOADEDCOMPONENTS:     0x%04X\n",
           RegisterWindowMessageA("VYNGETLOADEDCOMPONENTS"));
    printf("message VYNClientComponentDataSent: 0x%04X\n",
           RegisterWindowMessageA("VYNClientComponentDataSent"));
    return kExitOk;
}
