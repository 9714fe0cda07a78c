// The command line on CLI11: the program's help and version, and the usage
// errors a person can act on. CLI11 takes any next argument as an option's
// value and names an unknown option without a hint; both are handled here.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "console/Console.h"
#include "host/ComponentLoader.h"

namespace {

const char kDescription[] =
    "Drives the hardware inventory component (Components/HardwareListH.so) through its\n"
    "exports, as the suite's console does: reports, batches and queries over a fleet's\n"
    "hardware tables in SQLite or any ODBC database.\n";

constexpr size_t kHelpColumn = 32;
constexpr size_t kHelpWidth = 80;

const char kFooter[] =
    "hwconsole COMMAND --help shows a command's options.\n"
    "\n"
    "exit codes:\n"
    "  0  success\n"
    "  1  the work failed: cannot connect (the ODBC diagnostics and SQLSTATE are\n"
    "     shown), database error, PC without inventory rows, stylesheet missing or\n"
    "     broken, output not writable, schema file missing, init-db target already\n"
    "     filled; for batch: any PC failed, or no PC was selected\n"
    "  2  bad command line (unknown option, missing value, option given twice),\n"
    "     or a query that is not a single SELECT\n"
    "  3  the component is missing, cannot be loaded, or failed the handshake";

// Edits (insert, delete, replace, swap two neighbours) from `a` to `b`.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// The name in `names` a mistyped `word` most likely meant, or "": one that
// starts with it or that it starts with, or one within a third of its
// length in edits.
std::string Nearest(const std::string& word, const std::vector<std::string>& names) {
    std::string best;
    size_t bestDistance = std::max<size_t>(1, word.size() / 3) + 1;
    for (const std::string& name : names) {
        const std::string& shorter = word.size() < name.size() ? word : name;
        const std::string& longer = word.size() < name.size() ? name : word;
        const bool prefix = shorter.size() >= 4 && longer.compare(0, shorter.size(), shorter) == 0;
        const size_t distance = prefix ? 1 : EditDistance(word, name);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

std::string Hint(const std::string& word, const std::vector<std::string>& names) {
    const std::string nearest = Nearest(word, names);
    return nearest.empty() ? "" : " (did you mean " + nearest + "?)";
}

// "--name" or "--name=...": what the next argument is when the value is
// missing. "-- a comment" (an SQL text) and "-1" are values.
bool LooksLikeOption(const std::string& arg) {
    size_t i = 2;
    if (arg.compare(0, i, "--") != 0 || arg.size() == i) return false;
    while (i < arg.size() && (isalnum(static_cast<unsigned char>(arg[i])) || arg[i] == '-')) ++i;
    return i == arg.size() || arg[i] == '=';
}

bool TakesValue(const CLI::Option* option) {
    return option->nonpositional() && option->get_items_expected_max() > 0;
}

std::vector<std::string> OptionNames(const CLI::App* command) {
    std::vector<std::string> names;
    for (const CLI::Option* option : command->get_options())
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    return names;
}

// An option of `command` that takes a value but is given none: last on the
// line, "--name=" or followed by another option (a value that looks like one
// is written --name=VALUE). Returns the message, or "".
std::string MissingValue(const CLI::App* command, const std::vector<std::string>& args) {
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") break;
        if (arg.compare(0, 2, "--") != 0) continue;
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const CLI::Option* option = command->get_option_no_throw(name);
        if (!option || !TakesValue(option)) continue;
        const std::string usage = name + " " + option->get_type_name();
        if (equals != std::string::npos) {
            if (equals + 1 == arg.size()) return name + " needs a value: " + usage;
        } else if (i + 1 == args.size() || LooksLikeOption(args[i + 1])) {
            return name + " needs a value: " + usage;
        } else {
            ++i;
        }
    }
    return "";
}

// "--pc given 2 times" for the first option that takes one value but was
// given more often, or "".
std::string Repeated(const CLI::App* command) {
    for (const CLI::Option* option : command->get_options())
        if (TakesValue(option) && option->count() > 1)
            return option->get_name() + " is given " + std::to_string(option->count()) +
                   " times; give it once";
    return "";
}

// `text` cut into lines of at most `width` characters at spaces, so that
// descriptions stay in their column of the help.
std::string Wrapped(const std::string& text, size_t width) {
    std::string out, line, word;
    auto flush = [&] {
        if (!out.empty()) out += '\n';
        out += line;
        line.clear();
    };
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ' ' && text[i] != '\n') {
            word += text[i];
            continue;
        }
        if (!line.empty() && line.size() + 1 + word.size() > width) flush();
        if (!word.empty()) line += (line.empty() ? "" : " ") + word;
        word.clear();
        if (i < text.size() && text[i] == '\n') flush();
    }
    if (!line.empty()) flush();
    return out;
}

// The version, then the component's own identity through its exports.
int PrintVersion() {
    printf("hwconsole %s\n", HW_VERSION);
    ComponentLoader component;
    if (!component.Load(DefaultComponentPath())) {
        printf("component: not loaded (%s)\n", component.Error().c_str());
        return kExitComponent;
    }
    const HwExports& e = component.Exports();
    printf("component: %s, identity %d, %s\n", e.GetName(0), e.GetID(), component.Path().c_str());
    return kExitOk;
}

}  // namespace

CommandLine::CommandLine() : m_app(kDescription, "hwconsole") {
    m_app.footer(kFooter);
    m_app.require_subcommand(0, 1);
    m_app.add_flag("--version", "show the version and the component's identity");
    // Each option is read once; a repeat is reported by Run, in its own words.
    m_app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    m_app.get_formatter()->column_width(kHelpColumn);
    m_app.get_formatter()->label("SUBCOMMAND", "COMMAND");
}

CLI::App* CommandLine::Add(const std::string& name, const std::string& summary,
                           std::function<int()> run) {
    CLI::App* command = m_app.add_subcommand(name, summary);
    command->group("Commands");
    command->footer("");  // not the program's, which a command would inherit
    m_commands.emplace_back(command, std::move(run));
    return command;
}

int CommandLine::Run(int argc, const char* const* argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        fputs(m_app.help().c_str(), stderr);
        return kExitUsage;
    }
    for (const auto& known : m_commands)
        for (CLI::Option* option : known.first->get_options())
            option->description(Wrapped(option->get_description(), kHelpWidth - kHelpColumn));
    if (args[0] == "help") {  // `hwconsole help [COMMAND]`
        args[0] = "--help";
        if (args.size() > 1) std::swap(args[0], args[1]);
    }
    CLI::App* command = nullptr;
    if (args[0][0] != '-') {
        std::vector<std::string> names;
        for (const auto& known : m_commands) {
            if (known.first->get_name() == args[0]) command = known.first;
            names.push_back(known.first->get_name());
        }
        if (!command) {
            fprintf(stderr, "hwconsole: unknown command '%s'%s (see hwconsole --help)\n",
                    args[0].c_str(), Hint(args[0], names).c_str());
            return kExitUsage;
        }
    }
    const std::string where = command ? command->get_name() + ": " : "";
    const std::string seeHelp =
        " (see hwconsole " + (command ? command->get_name() + " " : "") + "--help)\n";
    if (command) {
        const std::string missing = MissingValue(command, args);
        if (!missing.empty()) {
            fprintf(stderr, "hwconsole: %s%s%s", where.c_str(), missing.c_str(), seeHelp.c_str());
            return kExitUsage;
        }
    }
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 pops from the back
        m_app.parse(reversed);
    } catch (const CLI::CallForHelp& e) {
        return m_app.exit(e);
    } catch (const CLI::ExtrasError&) {
        const CLI::App* reader = command ? command : &m_app;
        const std::vector<std::string> extra = reader->remaining();
        const std::string first = extra.empty() ? "" : extra.front();
        if (first.compare(0, 1, "-") == 0) {
            const std::string name = first.substr(0, first.find('='));
            fprintf(stderr, "hwconsole: %sunknown option %s%s%s", where.c_str(), name.c_str(),
                    Hint(name, OptionNames(reader)).c_str(), seeHelp.c_str());
        } else {
            fprintf(stderr, "hwconsole: %sunexpected argument '%s'%s", where.c_str(), first.c_str(),
                    seeHelp.c_str());
        }
        return kExitUsage;
    } catch (const CLI::ParseError& e) {
        fprintf(stderr, "hwconsole: %s%s%s", where.c_str(), e.what(), seeHelp.c_str());
        return kExitUsage;
    }
    if (!command) {
        if (m_app.count("--version")) return PrintVersion();
        fputs(m_app.help().c_str(), stderr);
        return kExitUsage;
    }
    const std::string repeated = Repeated(command);
    if (!repeated.empty()) {
        fprintf(stderr, "hwconsole: %s%s%s", where.c_str(), repeated.c_str(), seeHelp.c_str());
        return kExitUsage;
    }
    for (const auto& known : m_commands)
        if (known.first == command) return known.second();
    return kExitUsage;
}

CLI::Option* AddOption(CLI::App* command, const std::string& name,
                       std::optional<std::string>& value, const std::string& help,
                       const std::string& valueName) {
    return command
        ->add_option_function<std::string>(
            name, [&value](const std::string& given) { value = given; }, help)
        ->type_name(valueName);
}

void AddDatabaseOptions(CLI::App* command, DatabaseChoice& database) {
    AddOption(command, "--db", database.file, "the database: a SQLite file", "FILE");
    AddOption(command, "--connect", database.connect, "or any ODBC connection string", "STRING");
}

void AddComponentOption(CLI::App* command, std::string& componentPath) {
    componentPath = DefaultComponentPath();
    command
        ->add_option("--component", componentPath,
                     "the component library (default: ../Components/HardwareListH.so "
                     "beside this program)")
        ->type_name("PATH");
}

void AddOutOption(CLI::App* command, std::string& out) {
    command->add_option("--out", out, "write there (default: standard output)")->type_name("FILE");
}

void AddHeaderOptions(CLI::App* command, std::string& user, std::string& company) {
    command->add_option("--user", user, "the user shown in the page's header")->type_name("TEXT");
    command->add_option("--company", company, "the company shown in the page's header")
        ->type_name("TEXT");
}

void AddStyleOptions(CLI::App* command, StyleChoice& styles) {
    AddOption(command, "--format", styles.format,
              "html: the screen page (default); print: an A4 page; text: plain text; "
              "xml: the report document itself",
              "html|print|text|xml");
    AddOption(command, "--styles", styles.folder,
              "load StdHardwareStyleSheet.xsl from DIR instead (not with --format)", "DIR/");
}

bool ParsePcId(const std::string& text, int32_t& id) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long value = strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX) return false;
    id = static_cast<int32_t>(value);
    return true;
}

std::string ConnectionStringOrExplain(const DatabaseChoice& database, int& exitCode,
                                      bool mustExist) {
    std::string error;
    const std::string connect = ConnectionString(database, error, mustExist);
    if (connect.empty()) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        // Naming none (or both) is a usage error; a named one that is unusable is not.
        exitCode =
            (database.file.has_value() != database.connect.has_value()) ? kExitFailed : kExitUsage;
    }
    return connect;
}
