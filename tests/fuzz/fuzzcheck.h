#pragma once
// The property check of the fuzz targets: a property that fails names itself and aborts the run.

#include <cstdio>
#include <cstdlib>

inline void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}
