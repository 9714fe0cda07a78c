// Finding the installation's Styles folder from the component's own file:
// <root>/Components/HardwareListH.so -> <root>/Styles/.
#pragma once

#include "platform/CString.h"
#include "platform/Win32.h"

// The folder "Styles" beside the folder holding `hModule`'s file, ending in
// the separator the module path uses. Both '\' and '/' count as separators.
// Returns false, leaving `folder` untouched, when the path has fewer than two.
bool GetStylesFolder(CString& folder, HINSTANCE hModule);

// The same rule applied to a module path given as text.
bool StylesFolderFromModulePath(CString& folder, const char* modulePath);
