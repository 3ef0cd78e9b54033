// Properties that hold for every valid input, checked after the fact. Each
// check returns an empty string, or a description of the first violation.
#pragma once

#include <string>

#include "matting.h"
#include "sameValue.h"
#include "searchCase.h"

namespace pairseek::testing {

// `before` is the case as it was before `after` ran one or more passes.
inline std::string checkPasses(const SearchCase& before, const SearchCase& after) {
    const Count nU = after.unknown.count;
    for (Count i = 0; i < nU; ++i) {
        const auto u = static_cast<std::size_t>(i);
        const std::string at = "unknown pixel " + std::to_string(i) + ": ";
        if (after.fgIndex[u] < 0 || after.fgIndex[u] >= after.foreground.count) return at + "fgIndex out of range";
        if (after.bgIndex[u] < 0 || after.bgIndex[u] >= after.background.count) return at + "bgIndex out of range";
        const PairEvaluation entry = before.currentCost(i), now = after.currentCost(i);
        if (std::isnan(entry.cost)) {
            if (after.fgIndex[u] != before.fgIndex[u] || after.bgIndex[u] != before.bgIndex[u])
                return at + "left a pair whose cost is NaN";
        } else if (!(now.cost <= entry.cost)) {
            return at + "cost rose from " + std::to_string(entry.cost) + " to " + std::to_string(now.cost);
        }
    }
    for (std::size_t cell = 0; cell < after.opacity.size(); ++cell) {
        const std::int32_t j = after.indexMap[cell];
        const double expected = j < 0 ? before.opacity[cell] : after.currentCost(j).alpha;
        if (!sameDouble(after.opacity[cell], expected))
            return "opacity at cell " + std::to_string(cell) + " is " + std::to_string(after.opacity[cell]) +
                   ", expected " + std::to_string(expected);
    }
    return {};
}

inline std::string checkFringe(const TrimapCase& t, const FringeScanResult& result) {
    const std::ptrdiff_t rows = t.rows, cols = t.cols;
    if (result.indexMap.size() != static_cast<std::size_t>(rows * cols)) return "index map has the wrong size";

    auto unknownAt = [&](std::ptrdiff_t r, std::ptrdiff_t c) { return t.unknownMask[std::size_t(r + c * rows)] != 0; };
    auto touches = [&](std::ptrdiff_t r, std::ptrdiff_t c) {
        for (std::ptrdiff_t dr = -1; dr <= 1; ++dr)
            for (std::ptrdiff_t dc = -1; dc <= 1; ++dc)
                if ((dr || dc) && unknownAt(std::clamp(r + dr, std::ptrdiff_t{0}, rows - 1),
                                            std::clamp(c + dc, std::ptrdiff_t{0}, cols - 1)))
                    return true;
        return false;
    };
    // Each list must hold exactly the qualifying pixels, in column-major order,
    // with their own colours and 1-based positions.
    auto checkList = [&](const std::vector<SampleRecord>& list, auto qualifies, const char* name) -> std::string {
        std::size_t next = 0;
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            for (std::ptrdiff_t r = 0; r < rows; ++r) {
                if (!qualifies(r, c)) continue;
                const std::string at = std::string(name) + " record " + std::to_string(next) + ": ";
                if (next >= list.size()) return at + "missing";
                const SampleRecord& s = list[next++];
                const std::size_t k = std::size_t(r + c * rows), plane = std::size_t(rows * cols);
                if (s.row != double(r + 1) || s.col != double(c + 1)) return at + "wrong position";
                if (!sameDouble(s.red, t.image[k]) || !sameDouble(s.green, t.image[k + plane]) ||
                    !sameDouble(s.blue, t.image[k + 2 * plane]))
                    return at + "wrong colour";
                if (!sameDouble(s.gray, grayOf(s.red, s.green, s.blue))) return at + "wrong gray";
            }
        return next == list.size() ? std::string() : std::string(name) + " list has extra records";
    };
    std::string e = checkList(result.foreground,
                              [&](std::ptrdiff_t r, std::ptrdiff_t c) { return t.fgMask[std::size_t(r + c * rows)] && touches(r, c); },
                              "foreground");
    if (e.empty())
        e = checkList(result.background,
                      [&](std::ptrdiff_t r, std::ptrdiff_t c) { return t.bgMask[std::size_t(r + c * rows)] && touches(r, c); },
                      "background");
    if (e.empty()) e = checkList(result.unknown, unknownAt, "unknown");
    if (!e.empty()) return e;

    for (std::size_t k = 0; k < result.unknown.size(); ++k) {
        const SampleRecord& s = result.unknown[k];
        const std::size_t cell = std::size_t(s.row - 1) + std::size_t(s.col - 1) * std::size_t(rows);
        if (result.indexMap[cell] != std::int32_t(k + 1)) return "map entry of unknown record " + std::to_string(k);
    }
    for (std::size_t cell = 0; cell < result.indexMap.size(); ++cell)
        if ((result.indexMap[cell] != 0) != (t.unknownMask[cell] != 0)) return "map entry at a known cell";
    return {};
}

}  // namespace pairseek::testing
