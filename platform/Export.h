// Visibility of the platform library's classes: they are the one shared
// definition that the component and its hosts both link.
#pragma once

#define HWPLATFORM_API __attribute__((visibility("default")))
