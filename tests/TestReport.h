// The request a host fills for one PC's report, as every report test needs it.
#pragma once

#include <gtest/gtest.h>

#include "HardwareList.h"
#include "host/ComponentLoader.h"

namespace testreport {

// The built component, loaded once per test program by its absolute path.
inline const HwExports& Component() {
    static ComponentLoader loader;
    static const bool loaded = loader.Load(HW_BUILD_DIR "/Components/HardwareListH.so");
    EXPECT_TRUE(loaded) << loader.Error();
    return loader.Exports();
}

inline DisplayRequest Request(CDataConnection& connection, int32_t pc,
                              const char* company = "Acme Corp", const char* user = "admin") {
    DisplayRequest request;
    request.Connection = &connection;
    request.PCID = pc;
    request.CompanyName = company;
    request.User = user;
    return request;
}

}  // namespace testreport
