#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kestrelon::fuzz {

void Finding(const char* what) {
    std::fprintf(stderr, "fuzz finding: %s\n", what);
    std::abort();
}

bool CheckFixedPoint() {
    static const bool on = [] {
        const char* v = std::getenv("KESTRELON_FUZZ_FIXED_POINT");
        return v && std::strcmp(v, "1") == 0;
    }();
    return on;
}

} // namespace kestrelon::fuzz
