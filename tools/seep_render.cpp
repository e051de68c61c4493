// seep-render: plays a session file without a window and writes the result.

#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "tools/RenderArgs.h"
#include "tools/RenderRun.h"

int main(int argc, char** argv) {
    // The one place the program catches anything: whatever escapes a run
    // (only running out of memory can) ends it with a line, not an abort.
    try {
        RenderArgs args;
        std::string error;
        if (!parseRenderArgs(std::vector<std::string>(argv + 1, argv + argc), args, error)) {
            std::fprintf(stderr, "seep-render: %s (seep-render --help shows the usage)\n", error.c_str());
            return renderRefused;
        }
        if (args.help) {
            std::fputs(renderUsage().c_str(), stdout);
            return renderSucceeded;
        }
        return runRender(args);
    } catch (const std::bad_alloc&) {
        std::fputs("seep-render: out of memory\n", stderr);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "seep-render: %s\n", failure.what());
    }
    return renderWriteFailed;
}
