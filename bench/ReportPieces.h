// One report taken apart in-process, with the component's own pieces linked
// in: the database reads alone, the whole document build, a fresh stylesheet
// load and compile, and the parse plus transform. Display runs exactly these
// pieces in this order, so their times split one report's time.
#pragma once

#include <string>
#include <vector>

#include "HardwareList.h"
#include "bench/BenchSupport.h"
#include "report/StylesheetTransformer.h"

namespace bench {

// Reads every row the report reads for `pcId`, with the same queries in the
// same order (the sections' lists, the adapters' address rows, BIOS row 0,
// the user-defined devices), through the same table and query classes, but
// writes nothing. Returns the number of rows read.
size_t ReadReportRows(CDataConnection& connection, int32_t pcId);

// A transformer that passes `folder` as PathName, as Display does from the
// component's own location.
class BenchTransformer : public StylesheetTransformer {
public:
    explicit BenchTransformer(std::string folder) : m_folder(std::move(folder)) {}

protected:
    bool LookUpStylesFolder(CString& folder) override;

private:
    std::string m_folder;
};

struct SplitTimes {
    std::vector<double> reads, build, load, transform;  // milliseconds per PC
    size_t rows = 0;
};

// For each PC: ReadReportRows, ReportGenerator::BuildDocument, a fresh
// StylesheetTransformer's LoadStylesheet, then its Transform.
SplitTimes MeasureSplit(CDataConnection& connection, const std::vector<int32_t>& pcIds,
                        const std::string& stylesFolder);

// The report document for one PC, as Display builds it.
std::string BuildReportDocument(CDataConnection& connection, int32_t pcId);

}  // namespace bench
