// Runs a program and collects its exit code and output, for tests that use
// the real hwconsole binary.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// argv[0] is the program path; no shell is involved.
inline ProcessResult RunProcess(const std::vector<std::string>& argv) {
    char outName[] = "/tmp/hwtest-outXXXXXX";
    char errName[] = "/tmp/hwtest-errXXXXXX";
    int outFd = mkstemp(outName);
    int errFd = mkstemp(errName);
    ProcessResult result;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(outFd, 1);
        dup2(errFd, 2);
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(outFd);
    close(errFd);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadWholeFile(outName);
    result.err = ReadWholeFile(errName);
    unlink(outName);
    unlink(errName);
    return result;
}
