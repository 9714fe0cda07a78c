// The component library's module: its state, its one application object and
// the two window messages registered when it loads.
#pragma once

#include "component/HardwareListApp.h"
#include "platform/ModuleState.h"

AFX_MODULE_STATE* HwModuleState();

extern UINT g_nMsgGetLoadedComponents;  // "VYNGETLOADEDCOMPONENTS"
extern UINT g_nMsgClientDataSent;       // "VYNClientComponentDataSent"
