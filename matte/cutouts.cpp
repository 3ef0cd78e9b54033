// The cut-out functions of the public header over any caller's arrays: read and
// check them as the matte does, then run the cutout library.
#include "cutout.h"
#include "inputs.h"
#include "pairseek.h"
#include "threadPool.h"

namespace pairseek {
namespace {

ColourImage colourImage(const ArrayView& like, std::vector<double> planes) {
    return {like.rows, like.cols, std::move(planes)};
}

}  // namespace

ForegroundColours estimateForeground(const ArrayView& image, const ArrayView& alpha, int threads) {
    checkThreads(threads);
    return reportingMemory("foreground estimate", image, [&] {
        const std::vector<double> planes = readImagePlanes(image);
        const std::vector<double> unitAlpha = readUnitGrid(alpha, image, "alpha", "alphaRange");
        ThreadPool pool(threads);
        ForegroundEstimate estimate =
            estimateForeground(planes.data(), unitAlpha.data(), image.rows, image.cols, {}, pool.parallelFor(), pool.size());
        return ForegroundColours{colourImage(image, std::move(estimate.foreground)),
                                 colourImage(image, std::move(estimate.background))};
    });
}

ColourImage composite(const ArrayView& foreground, const ArrayView& alpha, const ArrayView& background) {
    return reportingMemory("composite", foreground, [&] {
        const std::vector<double> front = readImagePlanes(foreground);
        const std::vector<double> unitAlpha = readUnitGrid(alpha, foreground, "alpha", "alphaRange");
        const std::vector<double> back = readImagePlanes(background);
        if (background.rows == 1 && background.cols == 1)
            return colourImage(foreground, composite(front.data(), unitAlpha.data(), foreground.rows, foreground.cols,
                                                     std::array<double, 3>{back[0], back[1], back[2]}));
        if (background.rows != foreground.rows || background.cols != foreground.cols)
            throw MatteError(MatteError::Kind::value, "sizeMismatch",
                             "the background image must be " + std::to_string(foreground.rows) + " x " +
                                 std::to_string(foreground.cols) + " like the foreground (or one pixel, a colour); got " +
                                 std::to_string(background.rows) + " x " + std::to_string(background.cols));
        return colourImage(foreground, composite(front.data(), unitAlpha.data(), foreground.rows, foreground.cols,
                                                 back.data()));
    });
}

ColourImage composite(const ArrayView& foreground, const ArrayView& alpha, double red, double green, double blue) {
    return reportingMemory("composite", foreground, [&] {
        for (const double v : {red, green, blue})
            if (!(v >= 0.0 && v <= 1.0))
                throw MatteError(MatteError::Kind::value, "colourRange",
                                 "the background colour must have R, G and B in [0, 1]; got " + std::to_string(v));
        const std::vector<double> front = readImagePlanes(foreground);
        const std::vector<double> unitAlpha = readUnitGrid(alpha, foreground, "alpha", "alphaRange");
        return colourImage(foreground, composite(front.data(), unitAlpha.data(), foreground.rows, foreground.cols,
                                                 std::array<double, 3>{red, green, blue}));
    });
}

std::vector<std::uint8_t> trimapFromMask(const ArrayView& mask, const TrimapOptions& options) {
    return reportingMemory("trimap", mask, [&] {
        const std::vector<double> unitMask = readUnitGrid(mask, mask, "mask", "maskRange");
        return trimapFromMask(unitMask.data(), mask.rows, mask.cols, options);
    });
}

}  // namespace pairseek
