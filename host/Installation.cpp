#include "host/Installation.h"

#include <unistd.h>

#include <climits>

std::string InstallationFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "../";
    const std::string program(path, static_cast<size_t>(length));
    const std::string folder = program.substr(0, program.rfind('/'));  // <root>/bin
    const size_t root = folder.rfind('/');
    return root == std::string::npos ? folder + "/../" : folder.substr(0, root + 1);
}

std::string InstallationStylesFolder() {
    return InstallationFolder() + "Styles/";
}

std::string InstallationSchemaFolder() {
    return InstallationFolder() + "schema/";
}
