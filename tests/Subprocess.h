// Runs a program and collects its exit code and output, for tests that use
// the real hwconsole binary.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/TestDatabase.h"

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

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
    result.out = testdb::ReadText(outName);
    result.err = testdb::ReadText(errName);
    unlink(outName);
    unlink(errName);
    return result;
}

// Every row of a SQLite file as SQL text: equal dumps, equal databases.
inline std::string SqliteDump(const std::string& file) {
    return RunProcess({"/usr/bin/sqlite3", file, ".dump"}).out;
}

inline const std::string kConsole = HW_BUILD_DIR "/bin/hwconsole";

// hwconsole with the given arguments.
inline ProcessResult RunConsole(const std::vector<std::string>& args) {
    // Appended, not inserted in front: GCC 12 at -O3 takes the insert into a
    // short braced list for an out-of-bounds access (-Warray-bounds).
    std::vector<std::string> command{kConsole};
    command.insert(command.end(), args.begin(), args.end());
    return RunProcess(command);
}

// A fleet that `init-db` generates once per test suite (`Pcs` PCs from
// `Seed`), in a SQLite file the cases read.
template <int Pcs, int Seed>
class GeneratedFleet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ProcessResult init = RunConsole({"init-db", "--db", Db(), "--pcs", std::to_string(Pcs),
                                         "--seed", std::to_string(Seed)});
        ASSERT_EQ(init.exitCode, 0) << init.err;
    }
    static std::string Db() {
        static testdb::TempDir dir;
        return dir.File("fleet.db");
    }
    // The first column of the first row of `sql` on the fleet.
    static std::string Sql(const std::string& sql) {
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(Db()).c_str());
        return testdb::QueryText(connection.m_database, sql);
    }
};
