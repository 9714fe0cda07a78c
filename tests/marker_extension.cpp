// A library that leaves a mark the moment it is loaded: proof, when the mark
// is missing, that a query could not load it into the process.
#include <cstdio>
#include <cstdlib>

namespace {

__attribute__((constructor)) void LeaveMark() {
    if (const char* path = getenv("HW_MARKER_FILE"))
        if (FILE* file = fopen(path, "w")) fclose(file);
}

}  // namespace
