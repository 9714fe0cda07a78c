// One report taken apart in-process, with the component's own pieces linked
// in: the nine sections alone, the whole document build, a fresh stylesheet
// load and compile, and the parse plus transform. Display runs exactly these
// pieces in this order, so their times split one report's time.
#pragma once

#include <string>
#include <vector>

#include "HardwareList.h"
#include "bench/BenchSupport.h"
#include "report/StylesheetTransformer.h"

namespace bench {

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
    std::vector<double> sections, build, load, transform;  // milliseconds per PC
};

// For each PC: the sections' own WriteSection calls, as BuildDocument makes
// them, into a text of their own; ReportGenerator::BuildDocument; a fresh
// StylesheetTransformer's LoadStylesheet, then its Transform.
SplitTimes MeasureSplit(CDataConnection& connection, const std::vector<int32_t>& pcIds,
                        const std::string& stylesFolder);

// The report document for one PC, as Display builds it.
std::string BuildReportDocument(CDataConnection& connection, int32_t pcId);

}  // namespace bench
