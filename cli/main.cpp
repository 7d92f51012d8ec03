// rvtune: RV_Tune's work without a window. "rvtune COMMAND ARGS..."; exit
// status 0 success, 1 failed operation, 2 usage or configuration error.
#include <malloc.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace {

// Every group of subcommands, in the order --help lists them.
std::vector<CliCommand> AllCommands() {
    std::vector<CliCommand> all;
    for (const auto* group : {&FileCommands(), &EcuCommands(), &LogbookCommands(), &HitsCommands()}) all.insert(all.end(), group->begin(), group->end());
    return all;
}

void PrintUsage(std::FILE* out, const std::vector<CliCommand>& commands) {
    std::fprintf(out, "usage: rvtune COMMAND ARGUMENTS...\n\ncommands:\n");
    for (const CliCommand& command : commands) {
        std::string head = std::string(command.name) + " " + command.arguments;
        std::fprintf(out, "  %-20s %s\n", head.c_str(), command.summary);
    }
    std::fprintf(out,
                 "\nThe machine comes from the registry file $RV_TUNE_REGISTRY (else\n"
                 "$XDG_CONFIG_HOME/RV_Tune/registry.reg), or for one run from\n"
                 "$RV_TUNE_MACHINE (a machine's folder name). Run from the package, rvtune\n"
                 "works in the user's copy of the shipped machines, $XDG_DATA_HOME/orvandel\n"
                 "(else ~/.local/share/orvandel). Exit status: 0 success, 1 failed\n"
                 "operation, 2 usage or configuration error; set-constant 3 when the value\n"
                 "saved is the one the constant's range held the value asked to.\n");
}

bool IsHelp(const char* argument) {
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    // A command reads a data file, splits it into lines, rebuilds its records
    // and writes it whole, one large block after the other. Kept in the heap
    // instead of mapped and unmapped one by one, the memory of one is reused
    // by the next instead of being faulted in afresh, page by page.
    // A file over the size limit (ulimit -f) is a failed write with its
    // message, not a death by signal with the file cut mid-record.
    std::signal(SIGXFSZ, SIG_IGN);
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 32 << 20);
    const std::vector<CliCommand> commands = AllCommands();
    if (argc < 2) {
        PrintUsage(stderr, commands);
        return kExitUsage;
    }
    if (IsHelp(argv[1])) {
        PrintUsage(stdout, commands);
        return kExitOk;
    }
    for (const CliCommand& command : commands) {
        if (std::strcmp(argv[1], command.name) != 0) continue;
        std::vector<std::string> arguments(argv + 2, argv + argc);
        if (!arguments.empty() && IsHelp(argv[2])) {
            std::printf("usage: rvtune %s %s\n  %s\n", command.name, command.arguments, command.summary);
            return kExitOk;
        }
        const int count = static_cast<int>(arguments.size());
        if (count < command.minArguments || count > command.maxArguments) {
            ReportError(std::string("usage: rvtune ") + command.name + " " + command.arguments);
            return kExitUsage;
        }
        return command.run(arguments);
    }
    ReportError(std::string("unknown command '") + argv[1] + "'; see rvtune --help");
    return kExitUsage;
}
