// Fuzzes collectFringe on arbitrary images and overlapping masks: no fault
// under the sanitizers, and the lists and the map agree with the trimap.
#include <cstdint>
#include <string>

#include "fuzzSource.h"
#include "invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace pairseek::testing;
    FuzzedDataProvider data(bytes, size);
    FuzzSource source{data};
    const TrimapCase t = makeTrimapCase(source, 24);
    const pairseek::FringeScanResult result =
        pairseek::collectFringe(t.image.data(), t.fgMask.data(), t.bgMask.data(), t.unknownMask.data(), t.rows, t.cols);
    const std::string violation = checkFringe(t, result);
    if (!violation.empty()) failWith(violation);
    return 0;
}
