// hwconsole: each command adds itself to the command line; Run reads the
// arguments and runs the chosen one.
#include "console/Console.h"

int main(int argc, char** argv) {
    CommandLine line;
    AddInfoCommand(line);
    AddReportCommand(line);
    AddBatchCommand(line);
    AddListCommand(line);
    AddQueryCommand(line);
    AddImportCommand(line);
    AddInitDbCommand(line);
    return line.Run(argc, argv);
}
