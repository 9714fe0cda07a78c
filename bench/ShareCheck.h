// Threads transforming with one shared compiled stylesheet, with nothing of
// ours between them: for a race detector that sees into libxslt and libxml2
// (bench/racecheck runs it under valgrind's DRD).
#pragma once

#include <string>

namespace bench {

// Loads `stylesheet` through the process-wide cache, transforms `document`
// once on this thread (as the first report does before the stylesheet is
// shared), then `threads` threads transform it three times each with plain
// libxslt calls. Throws std::runtime_error when a transformation fails.
void RunShareCheck(const std::string& stylesheet, const std::string& document, int threads);

}  // namespace bench
