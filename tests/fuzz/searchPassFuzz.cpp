// Fuzzes searchPass on valid inputs of arbitrary values: no fault under the
// sanitizers, pairs stay in range, costs never rise, opacity only at unknowns.
#include <cstdint>
#include <string>

#include "fuzzSource.h"
#include "invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace pairseek::testing;
    FuzzedDataProvider data(bytes, size);
    FuzzSource source{data};
    SearchCase current = makeSearchCase(source, 16, 64);
    pairseek::LinearCongruential random(data.ConsumeIntegral<std::uint32_t>());
    const int passes = data.ConsumeIntegralInRange(1, 3);
    for (int pass = 0; pass < passes; ++pass) {
        const SearchCase before = current;
        current.runPass(random);
        const std::string violation = checkPasses(before, current);
        if (!violation.empty()) failWith(violation);
    }
    return 0;
}
