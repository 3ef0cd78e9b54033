#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzzSource.h"

void pairseek::testing::failWith(const std::string& violation) {
    std::fprintf(stderr, "property violated: %s\n", violation.c_str());
    std::abort();
}
