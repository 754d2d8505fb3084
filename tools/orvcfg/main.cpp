// orvcfg: the command-line host of the configuration library. It finds its installation
// as every scanner does, from the place of its own executable.
#include "CommandLine.h"
#include "ExitCode.h"

#include <exception>
#include <iostream>
#include <new>

int main(int argc, char** argv)
{
    int status = TOOL_EXIT_INTERNAL;
    try {
        status = runTool(argc, argv, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "orvcfg: out of memory\n";
        return TOOL_EXIT_INTERNAL;
    } catch (const std::exception& e) {
        std::cerr << "orvcfg: internal error: " << e.what() << '\n';
        return TOOL_EXIT_INTERNAL;
    } catch (...) {
        std::cerr << "orvcfg: internal error\n";
        return TOOL_EXIT_INTERNAL;
    }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "orvcfg: standard output cannot be written\n";
        return TOOL_EXIT_INTERNAL;
    }
    return status;
}
