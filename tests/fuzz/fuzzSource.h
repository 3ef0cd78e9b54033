// Adapts the fuzzer's bytes to the choices the case builders make.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

namespace pairseek::testing {

struct FuzzSource {
    FuzzedDataProvider& data;
    int integer(int lo, int hi) { return data.ConsumeIntegralInRange(lo, hi); }
    double unit() { return data.ConsumeProbability<double>(); }
    bool chance(int percent) { return data.ConsumeIntegralInRange(0, 99) < percent; }
};

// Aborts, so that the fuzzer records the input, when a property fails.
void failWith(const std::string& violation);

}  // namespace pairseek::testing
