#pragma once

// The sizes every benchmark runs at, and the smoke run CI uses.

#include <cstring>
#include <vector>

namespace vcbench {

// Removes "--smoke" from the arguments and says whether it was there. A smoke
// run registers every case once at the smallest size, so CI keeps the
// benchmarks building and running without timing anything.
inline bool takeSmokeFlag(int &argc, char **argv)
{
    bool smoke = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return smoke;
}

// The row counts a case is run at. The 0-row run measures the fixed cost.
inline std::vector<int> listSizes(bool smoke)
{
    if (smoke)
        return {1000};
    return {0, 1000, 4000, 16000, 32000};
}

} // namespace vcbench
