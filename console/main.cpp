#include <cstdio>
#include <cstring>
#include <string>

#include "console/Console.h"

namespace {

const char kHelp[] =
    "usage: hwconsole COMMAND [options]\n"
    "\n"
    "Drives the hardware inventory component (Components/HardwareListH.so)\n"
    "through its exports, as the suite's console does.\n"
    "\n"
    "commands:\n"
    "  info      load the component, verify it and show its identity\n"
    "  report    one PC's hardware report through the component's Display\n"
    "              --db FILE | --connect STRING   the database (SQLite file, or ODBC)\n"
    "              --pc ID                        the PC's identifier\n"
    "              --user TEXT --company TEXT     shown in the report's header\n"
    "              --format html|print|text|xml   html: the screen page (default);\n"
    "                                             print: an A4 page; text: plain text;\n"
    "                                             xml: the report document itself\n"
    "              --styles DIR/                  load the stylesheet from DIR instead\n"
    "                                             (not together with --format)\n"
    "              --out FILE                     write there (default: standard output)\n"
    "  batch     reports for many PCs, one file per PC (pc-ID.html, .txt or .xml)\n"
    "              --db FILE | --connect STRING\n"
    "              --pcs LIST | --all             e.g. 1-500,733; --all: every PC in\n"
    "                                             SystemOverview or BIOS\n"
    "              --out-dir DIR                  created if missing\n"
    "              --jobs N                       worker threads, each with its own\n"
    "                                             connection (default: cores, at most 8)\n"
    "              --reconnect-wait SECONDS       how long a worker whose connection broke\n"
    "                                             waits for an unreachable server to come\n"
    "                                             back (default 30; 0: do not wait)\n"
    "              --format, --styles, --user, --company   as for report\n"
    "            A progress bar shows on a terminal; a failing PC is reported and\n"
    "            the batch goes on; the summary goes to standard output.\n"
    "  query     a read-only hardware query over the whole fleet\n"
    "              --db FILE | --connect STRING   opened read-only; on PostgreSQL as a\n"
    "                                             role that can only read (hwreader)\n"
    "              --sql \"SELECT ...\"             one SELECT (or WITH ... SELECT) only,\n"
    "                                             calling only plain functions\n"
    "              --named low-disk               logical disks under 10 % free, fullest\n"
    "                                             first (CD-ROM volumes left out)\n"
    "              --named cpu --like TEXT        PCs whose processor name contains TEXT\n"
    "              --named memory-below --mb N    PCs with less than N MB of memory\n"
    "              --pc-link PATTERN              link the named queries' PC names to\n"
    "                                             their pages, {id} the PC's number:\n"
    "                                             pc-{id}.html beside a batch folder\n"
    "              --max-rows N                   at most N rows (default 10000); the\n"
    "                                             result says where it was cut\n"
    "              --timeout SECONDS              stop the query after this long (default 30)\n"
    "              --title TEXT --user TEXT --company TEXT   shown on the page\n"
    "              --format html|xml              the page (default), or the query\n"
    "                                             document itself\n"
    "              --out FILE                     write there (default: standard output)\n"
    "  import    inventories of the open-source inventory agents into the database\n"
    "            hwconsole import --db FILE | --connect STRING [--jobs N] PATH...\n"
    "              PATH                           an XML or JSON inventory (plain, gzip or\n"
    "                                             zlib), a folder (every file in it) or -\n"
    "                                             for standard input\n"
    "              --db FILE                      an SQLite file, created with the hardware\n"
    "                                             schema when it does not exist\n"
    "              --jobs N                       threads that parse (default 1); one\n"
    "                                             connection writes, in the order given\n"
    "            Each inventory replaces its PC's rows (matched by agent device id, then\n"
    "            hardware UUID, then serial number and manufacturer; else a new PC).\n"
    "              --keep N                       snapshots of each PC's report kept for\n"
    "                                             hwconsole changes (default 20)\n"
    "            One line per inventory, a summary at the end.\n"
    "  changes   what changed on a PC, or across the fleet, between the snapshots\n"
    "            the imports kept\n"
    "              --db FILE | --connect STRING\n"
    "              --pc ID                        one PC's changes, newest first\n"
    "              --since DATE                   from DATE on (YYYY-MM-DD, UTC); without\n"
    "                                             --pc: every PC that changed since, those\n"
    "                                             whose memory, disk count or serial\n"
    "                                             number changed first\n"
    "              --all                          also free space and the logged-on user\n"
    "              --format html|text|json|csv    (default html)\n"
    "              --out FILE                     write there (default: standard output)\n"
    "  init-db   create the hardware tables and fill them with a sample fleet\n"
    "              --db FILE                      a new SQLite file (refuses to replace a\n"
    "                                             non-empty file unless --force)\n"
    "              --connect STRING               or an ODBC database with a schema file in\n"
    "                                             ../schema/ (refuses existing tables unless\n"
    "                                             --force, which drops them)\n"
    "              --pcs N                        number of PCs (default 1000)\n"
    "              --seed S                       the same seed gives the same fleet (default 1)\n"
    "              --schema DIR/                  read <dialect>.sql from DIR\n"
    "              --force                        replace an existing database\n"
    "\n"
    "common options:\n"
    "  --component PATH   the component library (default: ../Components/HardwareListH.so\n"
    "                     beside this program)\n"
    "\n"
    "exit codes:\n"
    "  0  success\n"
    "  1  the work failed: cannot connect (the ODBC diagnostics and SQLSTATE are\n"
    "     shown), database error, PC without inventory rows, stylesheet missing or\n"
    "     broken, output not writable, schema file missing, init-db target already\n"
    "     filled; for batch: any PC failed; for import: any inventory failed (the\n"
    "     others are still imported)\n"
    "  2  bad command line, or a query that is not a single SELECT\n"
    "  3  the component is missing, cannot be loaded, or failed the handshake\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !strcmp(argv[1], "--help") || !strcmp(argv[1], "-h") ||
        !strcmp(argv[1], "help")) {
        fputs(kHelp, argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    CommandLine cmd;
    for (int i = 2; i < argc; ++i) cmd.args.emplace_back(argv[i]);
    const std::string command = argv[1];
    if (command == "info") return RunInfo(cmd);
    if (command == "report") return RunReport(cmd);
    if (command == "init-db") return RunInitDb(cmd);
    if (command == "batch") return RunBatch(cmd);
    if (command == "query") return RunQuery(cmd);
    if (command == "import") return RunImport(cmd);
    if (command == "changes") return RunChanges(cmd);
    fprintf(stderr, "hwconsole: unknown command '%s' (see hwconsole --help)\n", command.c_str());
    return kExitUsage;
}
