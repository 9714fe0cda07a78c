// One PC's report through the component's Display export: the part that
// `report` and each `batch` worker share.
#pragma once

#include <cstdint>
#include <string>

#include "HardwareList.h"
#include "host/ComponentLoader.h"

struct ReportOutcome {
    enum Status { kOk, kNoInventory, kDatabaseError, kTransformFailed } status = kOk;
    std::string text;      // the rendered report when kOk
    std::string error;     // the diagnostics of kDatabaseError, why kTransformFailed
    std::string sqlState;  // and the SQLSTATE of its first record
};

struct ReportRequest {
    int32_t pcId = 0;
    std::string user;
    std::string company;
    std::string hostString;  // Display's host string on entry
};

// Calls Display for `request` (on request.Connection) inside one read
// transaction: the report's statements all read the same state of the
// database, and SQLite takes its locks and checks its file once per report
// instead of at every statement. Throws what Display throws, the
// transaction then rolled back.
void DisplayInOneTransaction(const HwExports& exports, const DisplayRequest& request,
                             CString& hostString);

// Checks that the PC has inventory rows, then calls Display on `connection`,
// both in one read transaction.
// Never throws: a database error becomes kDatabaseError. Safe to call from
// several threads at once, each with its own connection.
ReportOutcome RenderReport(const HwExports& exports, CDataConnection& connection,
                           const ReportRequest& request);

// The SQLSTATE class 08 (connection exception) or a connection the driver
// reports dead: the next report needs a fresh connection.
bool ConnectionBroken(const ReportOutcome& outcome, CDataConnection& connection);
