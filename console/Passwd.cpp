// `hwconsole passwd FILE USER`: a user of `serve --auth FILE`, the password
// read from the terminal (asked twice, not shown) or from standard input.
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>

#include "console/Console.h"
#include "server/Access.h"

namespace {

struct PasswdOptions {
    std::string file, user;
};

std::string ReadLine(bool hidden, const char* prompt) {
    termios saved = {};
    if (hidden) {
        fputs(prompt, stderr);
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (hidden) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        fputs("\n", stderr);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

int RunPasswd(const PasswdOptions& options) {
    const bool terminal = isatty(STDIN_FILENO);
    const std::string password = ReadLine(terminal, "Password: ");
    if (terminal && ReadLine(true, "Again: ") != password) {
        fprintf(stderr, "hwconsole: the passwords differ; nothing changed\n");
        return kExitUsage;
    }
    std::string error;
    if (!SetPassword(options.file, options.user, password, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitFailed;
    }
    fprintf(stderr, "hwconsole: %s may now sign in (%s)\n", options.user.c_str(),
            options.file.c_str());
    return kExitOk;
}

}  // namespace

void AddPasswdCommand(CommandLine& line) {
    auto options = std::make_shared<PasswdOptions>();
    CLI::App* command =
        line.Add("passwd", "add a user of serve --auth FILE, or change a password",
                 [options] { return RunPasswd(*options); });
    command->footer("The password comes from the terminal, or from standard input's first line.");
    command->add_option("FILE", options->file, "the password file (created when missing)")
        ->required();
    command->add_option("USER", options->user, "the user name")->required();
}
