// Adapts the fuzzer's bytes to the choices the case builders make.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace pairseek::testing {

struct FuzzSource {
    FuzzedDataProvider& data;
    int integer(int lo, int hi) { return data.ConsumeIntegralInRange(lo, hi); }
    double unit() { return data.ConsumeProbability<double>(); }
    bool chance(int percent) { return data.ConsumeIntegralInRange(0, 99) < percent; }
};

// Aborts, so that the fuzzer records the input, when a property fails.
[[noreturn]] inline void failWith(const std::string& violation) {
    std::fprintf(stderr, "property violated: %s\n", violation.c_str());
    std::abort();
}

}  // namespace pairseek::testing
