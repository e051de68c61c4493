#include "util/Assert.h"

#include <cstdio>
#include <cstdlib>

void seepAssertionFailed(const char* condition, const char* why, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: assertion failed: %s (%s)\n", file, line, condition, why);
    std::fflush(stderr);
    std::abort();
}
