#include "host/ReportRun.h"

#include "host/Inventory.h"
#include "platform/ComError.h"
#include "platform/Transaction.h"
#include "platform/XmlServices.h"

void DisplayInOneTransaction(const HwExports& exports, const DisplayRequest& request,
                             CString& hostString) {
    CTransaction reading(request.Connection->m_database);
    exports.Display(&request, &hostString);
    reading.Commit();
}

ReportOutcome RenderReport(const HwExports& exports, CDataConnection& connection,
                           const ReportRequest& request) {
    ReportOutcome outcome;
    try {
        CTransaction reading(connection.m_database);
        // Display would render an empty frame for an unknown PC; say so instead.
        if (!PcHasInventoryRows(connection, request.pcId)) {
            outcome.status = ReportOutcome::kNoInventory;
            return outcome;
        }
        DisplayRequest display;
        display.Connection = &connection;
        display.PCID = request.pcId;
        display.User = request.user.c_str();
        display.CompanyName = request.company.c_str();
        CString host(request.hostString.c_str());
        exports.Display(&display, &host);
        reading.Commit();
        if (host.IsEmpty()) {
            // The component says why on this thread, without a word on stderr.
            outcome.status = ReportOutcome::kTransformFailed;
            outcome.error = GetLastTransformFailure();
            return outcome;
        }
        outcome.text = std::move(host.str());
    } catch (const CDBException& e) {
        outcome.status = ReportOutcome::kDatabaseError;
        outcome.error = e.what();
        outcome.sqlState = e.GetSqlState().str();
    } catch (const _com_error& e) {
        // The stylesheet parameter could not be passed, or memory ran out.
        outcome.status = ReportOutcome::kTransformFailed;
        outcome.error = e.Error() == E_OUTOFMEMORY ? "out of memory" : e.what();
    }
    return outcome;
}

bool ConnectionBroken(const ReportOutcome& outcome, CDataConnection& connection) {
    if (outcome.status == ReportOutcome::kDatabaseError &&
        outcome.sqlState.compare(0, 2, "08") == 0)
        return true;
    return connection.m_database.IsConnectionDead();
}
