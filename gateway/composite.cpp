// Host module composite: a cut-out over a new background colour or image, one
// new rows x cols x 3 double array. Calling form: matlab/composite.m.
#include <cstdio>
#include <cstring>
#include <vector>

#include "hostArgs.h"
#include "pairseek.h"
#include "unitArray.h"

namespace {

enum CompositeInput { ForegroundIn, AlphaIn, BackgroundIn, CompositeInputs };
enum CompositeOutput { ImageOut, CompositeOutputs };

constexpr hostArgs::Checker check{"composite"};
using hostArgs::Size;

// Owns the composite, so the caller raises host errors only once it is released.
hostArgs::RunStatus compositeAndReturn(const mxArray* foreground, const mxArray* alpha, const mxArray* background,
                                       Size rows, Size cols, mxArray* plhs[]) {
    pairseek::ColourImage image;
    const hostArgs::RunStatus status = hostArgs::runGuarded([&] {
        // A colour is a one-pixel background: the library spreads it over the image.
        pairseek::ArrayView behind = unitArray::view(background);
        if (hostArgs::elements(background) == 3) behind = {behind.data, behind.type, 1, 1, 3, 0, 0, 1};
        image = pairseek::composite(unitArray::view(foreground), unitArray::view(alpha), behind);
    });
    if (status != hostArgs::RunStatus::Done) return status;
    // ------------------------------------------------ allocate and write back
    plhs[ImageOut] = hostArgs::doubleArray(image.planes, rows, cols, 3);
    return status;
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    // --------------------------------------------------------- unpack
    check.argumentCounts(nrhs, CompositeInputs, CompositeInputs, nlhs, CompositeOutputs);
    const mxArray* foreground = prhs[ForegroundIn];
    const mxArray* alpha = prhs[AlphaIn];
    const mxArray* background = prhs[BackgroundIn];

    // --------------------------------------------------------- check
    unitArray::check(check, foreground, "foreground", false);
    if (hostArgs::numberOfDims(foreground) != 3 || hostArgs::dim(foreground, 2) != 3)
        check.fail("shape", "foreground must be rows x cols x 3; got %s", hostArgs::ShapeText(foreground).text);
    const Size rows = hostArgs::dim(foreground, 0), cols = hostArgs::dim(foreground, 1);
    check.count(3 * rows * cols, "the number of foreground values");
    unitArray::check(check, alpha, "alpha", false);
    check.grid(alpha, "alpha", rows, cols);
    unitArray::check(check, background, "background", false);
    const bool colour = hostArgs::numberOfDims(background) == 2 && hostArgs::elements(background) == 3 &&
                        (hostArgs::dim(background, 0) == 1 || hostArgs::dim(background, 1) == 1);
    const bool image = hostArgs::numberOfDims(background) == 3 && hostArgs::dim(background, 0) == rows &&
                       hostArgs::dim(background, 1) == cols && hostArgs::dim(background, 2) == 3;
    if (!colour && !image)
        check.fail("shape", "background must be a colour (3 values) or a %lldx%lldx3 image; got %s", rows, cols,
                   hostArgs::ShapeText(background).text);

    // --------------------------------------------------------- run, allocate and write back
    const hostArgs::RunStatus status = compositeAndReturn(foreground, alpha, background, rows, cols, plhs);
    char task[96];
    std::snprintf(task, sizeof task, "the composite of a %lldx%lld cut-out", rows, cols);
    check.finished(status, task);
}
