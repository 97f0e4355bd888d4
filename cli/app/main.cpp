// meshaudit: checks triangle meshes with the meshaudit library, and repairs
// them. This file only dispatches: each command, with its options and its
// help, is in a file of its own, listed in Commands.cpp.
#include "Commands.h"
#include "Terminal.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <csignal>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace meshaudit::cli;
    // Writing a job to a worker that died must fail with EPIPE, not kill the
    // command; a reader of standard output that went away still ends it
    // quietly (FinishOutput, EndIfReaderGone).
    std::signal(SIGPIPE, SIG_IGN);
#ifdef __GLIBC__
    // A worker checks file after file: memory one file freed should serve
    // the next, not go back to the system to be faulted in again. The
    // allocator's defaults return it as soon as a little is free at the top
    // of the heap and map every block above 128 KiB on its own; blocks up to
    // 32 MiB come from the heap instead, and up to 64 MiB of free heap stays
    // for the next file. Larger blocks are still mapped and returned one by
    // one.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << Overview();
        return 2;
    }
    const std::string name = args.front() == "--help" || args.front() == "-h" ? "help" : args.front();
    args.erase(args.begin());
    const Command* command = FindCommand(name);
    try {
        if (command == nullptr) {
            throw UsageError("unknown command '" + name + "'");
        }
        return FinishOutput(command->run(args));
    } catch (const HelpRequested&) {
        std::cout << UsageOf(*command);
        return FinishOutput(0);
    } catch (const UsageError& e) {
        const std::string help = command != nullptr ? std::string("meshaudit ") + command->name + " --help"
                                                    : "meshaudit help";
        std::cerr << "meshaudit: " << e.what() << " (see '" << help << "')\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "meshaudit: " << e.what() << '\n';
        return 2;
    }
}
