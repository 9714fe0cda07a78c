// The request a host fills for one PC's report, as every report test needs it.
#pragma once

#include "HardwareList.h"

namespace testreport {

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
