#include "syntheticScene.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace pairseek::testing {

const std::vector<SceneSize>& sceneSizes() {
    static const std::vector<SceneSize> sizes = {
        {"small", 200, 200, 60.0, 13.3, 15.0, 8},
        {"medium", 1000, 1000, 300.0, 53.0, 60.0, 14},
        {"large", 2000, 2000, 700.0, 114.0, 150.0, 66},
    };
    return sizes;
}

namespace {

void appendTable(const std::vector<SampleRecord>& records, std::vector<double>& colour, std::vector<double>& pos) {
    const std::size_t n = records.size();
    colour.assign(4 * n, 0.0);
    pos.assign(2 * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const SampleRecord& s = records[i];
        colour[i] = s.red;
        colour[n + i] = s.green;
        colour[2 * n + i] = s.blue;
        colour[3 * n + i] = s.gray;
        pos[i] = s.row;
        pos[n + i] = s.col;
    }
}

}  // namespace

SyntheticScene makeSyntheticScene(const SceneSize& size, std::uint32_t seed) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> noise(-0.03, 0.03);
    const std::ptrdiff_t rows = size.rows, cols = size.cols, cells = rows * cols;
    std::vector<double> image(static_cast<std::size_t>(3 * cells));
    std::vector<std::uint8_t> fgMask(static_cast<std::size_t>(cells)), bgMask(fgMask.size()), unknown(fgMask.size());
    std::vector<double> inward(fgMask.size()), outward(fgMask.size());   // radial distance into the band

    const double cr = 0.5 * static_cast<double>(rows), cc = 0.5 * static_cast<double>(cols);
    for (std::ptrdiff_t c = 0; c < cols; ++c) {
        for (std::ptrdiff_t r = 0; r < rows; ++r) {
            const std::size_t at = static_cast<std::size_t>(gridIndex(r, c, rows));
            const double y = static_cast<double>(r) - cr, x = static_cast<double>(c) - cc;
            const double rho = std::sqrt(x * x + y * y), theta = std::atan2(y, x);
            const double edge = size.radius + size.wave * std::sin(size.waves * theta);
            const double inner = edge - size.halfBand, outer = edge + size.halfBand;
            // Smooth colour fields, reddish inside and bluish outside, blended across the band.
            const double fr = 0.75 + 0.2 * std::sin(x / 37.0), fg = 0.35 + 0.15 * std::cos(y / 23.0), fb = 0.2;
            const double br = 0.15, bgr = 0.3 + 0.2 * std::sin((x + y) / 51.0), bb = 0.7 + 0.2 * std::cos(x / 19.0);
            double alpha = 1.0;
            if (rho >= outer) {
                alpha = 0.0;
                bgMask[at] = 1;
            } else if (rho > inner) {
                alpha = std::clamp((outer - rho) / (outer - inner) + 0.3 * std::sin(theta * 97.0), 0.0, 1.0);
                unknown[at] = 1;
                inward[at] = rho - inner;
                outward[at] = outer - rho;
            } else {
                fgMask[at] = 1;
            }
            image[at] = alpha * fr + (1.0 - alpha) * br + noise(engine);
            image[static_cast<std::size_t>(cells) + at] = alpha * fg + (1.0 - alpha) * bgr + noise(engine);
            image[static_cast<std::size_t>(2 * cells) + at] = alpha * fb + (1.0 - alpha) * bb + noise(engine);
        }
    }

    const FringeScanResult fringe =
        collectFringe(image.data(), fgMask.data(), bgMask.data(), unknown.data(), size.rows, size.cols);
    SyntheticScene s;
    s.rows = size.rows;
    s.cols = size.cols;
    s.nU = static_cast<Count>(fringe.unknown.size());
    s.nF = static_cast<Count>(fringe.foreground.size());
    s.nB = static_cast<Count>(fringe.background.size());
    appendTable(fringe.unknown, s.unknownColour, s.unknownPos);
    appendTable(fringe.foreground, s.fgColour, s.fgPos);
    appendTable(fringe.background, s.bgColour, s.bgPos);
    s.indexMap = fringe.indexMap;
    s.unknownMask = unknown;

    // Scales grow with the distance to each side of the band; pairs start at random.
    std::uniform_int_distribution<std::int32_t> pickF(1, std::max(s.nF, 1)), pickB(1, std::max(s.nB, 1));
    for (const SampleRecord& u : fringe.unknown) {
        const std::size_t at =
            static_cast<std::size_t>(gridIndex(static_cast<std::ptrdiff_t>(u.row) - 1, static_cast<std::ptrdiff_t>(u.col) - 1, rows));
        s.fgScale.push_back(std::max(1.0, inward[at]));
        s.bgScale.push_back(std::max(1.0, outward[at]));
        s.fgIndex.push_back(pickF(engine));
        s.bgIndex.push_back(pickB(engine));
    }
    return s;
}

void SyntheticScene::toSearchCase(SearchCase& c) const {
    auto zeroBased = [](const std::vector<double>& colour, const std::vector<double>& pos, Count n) {
        SampleColumns t;
        t.count = n;
        t.colour = colour;
        t.position = pos;
        for (double& p : t.position) p -= 1.0;
        return t;
    };
    c.rows = rows;
    c.cols = cols;
    c.unknown = zeroBased(unknownColour, unknownPos, nU);
    c.foreground = zeroBased(fgColour, fgPos, nF);
    c.background = zeroBased(bgColour, bgPos, nB);
    c.fgScale = fgScale;
    c.bgScale = bgScale;
    c.indexMap = indexMap;
    for (std::int32_t& m : c.indexMap) m -= 1;
    c.mask = unknownMask;
    c.fgIndex = fgIndex;
    c.bgIndex = bgIndex;
    for (std::int32_t& v : c.fgIndex) v -= 1;
    for (std::int32_t& v : c.bgIndex) v -= 1;
    c.opacity.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), 0.0);
    c.params = params;
}

}  // namespace pairseek::testing
