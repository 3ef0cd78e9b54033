// The scan's colours raised to gamma (see lightScan.h).
#include "lightScan.h"

#include <cmath>

namespace pairseek {
namespace {

constexpr std::ptrdiff_t recordPart = 65536;

void decodeList(std::vector<SampleRecord>& records, double gamma, const ParallelFor& parallel) {
    inParts(static_cast<std::ptrdiff_t>(records.size()), recordPart, parallel,
            [&](std::ptrdiff_t first, std::ptrdiff_t last) {
                for (auto k = static_cast<std::size_t>(first); k < static_cast<std::size_t>(last); ++k) {
                    SampleRecord& r = records[k];
                    r.red = std::pow(r.red, gamma);
                    r.green = std::pow(r.green, gamma);
                    r.blue = std::pow(r.blue, gamma);
                    r.gray = grayOf(r.red, r.green, r.blue);
                }
            });
}

}  // namespace

void decodeToLight(FringeScanResult& scan, double gamma, const ParallelFor& parallel) {
    if (gamma == 1) return;
    decodeList(scan.foreground, gamma, parallel);
    decodeList(scan.background, gamma, parallel);
    decodeList(scan.unknown, gamma, parallel);
}

}  // namespace pairseek
