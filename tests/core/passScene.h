// Small hand-built inputs for searchPass: samples and unknown pixels added one
// by one, tables laid out column-major only when the pass runs, and random
// sources that replay a fixed list of draws.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "matting.h"

namespace pairseek::testing {

struct SceneSample {
    Rgb colour;
    Point position;   // 0-based
};

struct ScenePixel {
    Rgb colour;
    int row, col;
    double fgScale, bgScale;
    bool masked;      // takes part in propagation
};

// Grid sentinel: opacity cells the pass must not write keep it.
inline constexpr double untouched = -7.0;

struct Scene {
    Count rows = 0, cols = 0;
    std::vector<SceneSample> foreground, background;
    std::vector<ScenePixel> unknown;
    std::vector<std::int32_t> fgIndex, bgIndex;
    std::vector<double> opacity;
    SearchParams params{0.5, 1.0};

    Scene(Count nRows, Count nCols)
        : rows(nRows), cols(nCols),
          opacity(static_cast<std::size_t>(nRows) * static_cast<std::size_t>(nCols), untouched) {}

    void addPixel(int row, int col, Rgb colour, std::int32_t f, std::int32_t b, bool masked = true,
                  double fgScale = 1.0, double bgScale = 1.0) {
        unknown.push_back({colour, row, col, fgScale, bgScale, masked});
        fgIndex.push_back(f);
        bgIndex.push_back(b);
    }

    double opacityAt(int row, int col) const { return opacity[static_cast<std::size_t>(row + col * rows)]; }

    void run(RandomSource& random) {
        std::vector<double> uCol, uPos, fCol, fPos, bCol, bPos, fgScale, bgScale;
        std::vector<std::int32_t> map(opacity.size(), -1);
        std::vector<std::uint8_t> mask(opacity.size(), 0);
        for (std::size_t i = 0; i < unknown.size(); ++i) {
            const ScenePixel& p = unknown[i];
            const auto at = static_cast<std::size_t>(p.row + p.col * rows);
            map[at] = static_cast<std::int32_t>(i);
            mask[at] = p.masked ? 1 : 0;
            fgScale.push_back(p.fgScale);
            bgScale.push_back(p.bgScale);
        }
        std::vector<SceneSample> pixels;
        for (const ScenePixel& p : unknown) pixels.push_back({p.colour, {double(p.row), double(p.col)}});
        const SampleTable u = table(pixels, uCol, uPos), f = table(foreground, fCol, fPos),
                          b = table(background, bCol, bPos);
        searchPass(u, f, b, fgScale.data(), bgScale.data(), IndexMapView{map.data(), rows, cols}, mask.data(),
                   params, PairState{fgIndex.data(), bgIndex.data()}, opacity.data(), random);
    }

  private:
    static SampleTable table(const std::vector<SceneSample>& samples, std::vector<double>& colour,
                             std::vector<double>& position) {
        const std::size_t n = samples.size();
        colour.assign(3 * n, 0.0);
        position.assign(2 * n, 0.0);
        for (std::size_t i = 0; i < n; ++i) {
            colour[i] = samples[i].colour.red;
            colour[n + i] = samples[i].colour.green;
            colour[2 * n + i] = samples[i].colour.blue;
            position[i] = samples[i].position.row;
            position[n + i] = samples[i].position.col;
        }
        return {colour.data(), position.data(), static_cast<Count>(n)};
    }
};

inline Rgb grey(double v) { return {v, v, v}; }

// Replays `draws` in order; drawing past the end is a test failure.
class ScriptedRandom final : public RandomSource {
  public:
    explicit ScriptedRandom(std::vector<int> draws) : draws_(std::move(draws)) {}
    int next() override {
        if (used_ >= draws_.size()) {
            ADD_FAILURE() << "pass drew more than the " << draws_.size() << " scripted values";
            return centreDraw;
        }
        return draws_[used_++];
    }
    std::size_t used() const { return used_; }
    std::size_t size() const { return draws_.size(); }

    // Aims at the centre itself for every radius below 16383.5.
    static constexpr int centreDraw = 16383;

  private:
    std::vector<int> draws_;
    std::size_t used_ = 0;
};

}  // namespace pairseek::testing
