// hostreg's entry: a table of commands, each run by its own file.
#include "reg.h"

#include <strings.h>

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv); // argv[0] is the command's first argument
    const char* usage;
};

const Command kCommands[] = {
    {"query", RunQuery, "QUERY KeyName [/v ValueName | /ve] [/s]"},
    {"add", RunAdd, "ADD KeyName [/v ValueName | /ve] [/t Type] [/d Data] [/f]"},
    {"delete", RunDelete, "DELETE KeyName [/v ValueName | /ve | /va] [/f]"},
    {"import", RunImport, "IMPORT FileName"},
    {"export", RunExport, "EXPORT KeyName FileName [/y]"},
};

int PrintUsage() {
    PrintLine("");
    PrintLine("REG Operation [Parameter List]");
    PrintLine("");
    for (const Command& c : kCommands)
        PrintLine(std::string("  REG ") + c.usage);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (IsOption(argv[1], "?") || IsOption(argv[1], "h")))
        return PrintUsage();
    for (const Command& c : kCommands) {
        if (argc >= 2 && strcasecmp(argv[1], c.name) == 0) {
            if (argc >= 3 && (IsOption(argv[2], "?") || IsOption(argv[2], "h"))) {
                PrintLine(std::string("REG ") + c.usage);
                return 0;
            }
            return c.run(argc - 2, argv + 2);
        }
    }
    return ReportError("Invalid syntax.\r\nType \"REG /?\" for usage.");
}
