// Host module estimateForeground: foreground (and background) colours of an
// image from its alpha matte, two new rows x cols x 3 double arrays. Calling
// form and argument rules: matlab/estimateForeground.m.
#include <cstdio>
#include <cstring>
#include <vector>

#include "hostArgs.h"
#include "pairseek.h"
#include "unitArray.h"

namespace {

enum EstimateForegroundInput { ImageIn, AlphaIn, EstimateForegroundInputs };
enum EstimateForegroundOutput { ForegroundOut, BackgroundOut, EstimateForegroundOutputs };

constexpr hostArgs::Checker check{"estimateForeground"};
using hostArgs::Size;

// Owns the estimate, so the caller raises host errors only once it is released.
hostArgs::RunStatus estimateAndReturn(const mxArray* image, const mxArray* alpha, Size rows, Size cols, int nlhs,
                                      mxArray* plhs[]) {
    pairseek::ForegroundColours estimate;
    const hostArgs::RunStatus status = hostArgs::runGuarded(
        [&] { estimate = pairseek::estimateForeground(unitArray::view(image), unitArray::view(alpha)); });
    if (status != hostArgs::RunStatus::Done) return status;
    // ------------------------------------------------ allocate and write back
    plhs[ForegroundOut] = hostArgs::doubleArray(estimate.foreground.planes, rows, cols, 3);
    if (nlhs > BackgroundOut) plhs[BackgroundOut] = hostArgs::doubleArray(estimate.background.planes, rows, cols, 3);
    return status;
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    // --------------------------------------------------------- unpack
    check.argumentCounts(nrhs, EstimateForegroundInputs, EstimateForegroundInputs, nlhs, EstimateForegroundOutputs);
    const mxArray* image = prhs[ImageIn];
    const mxArray* alpha = prhs[AlphaIn];

    // --------------------------------------------------------- check
    unitArray::check(check, image, "image", false);
    const Size dims = hostArgs::numberOfDims(image);
    if (dims > 3 || (hostArgs::dim(image, 2) != 3 && hostArgs::dim(image, 2) != 1))
        check.fail("shape", "image must be rows x cols x 3 or rows x cols; got %s", hostArgs::ShapeText(image).text);
    const Size rows = hostArgs::dim(image, 0), cols = hostArgs::dim(image, 1);
    check.count(3 * rows * cols, "the number of image values");
    unitArray::check(check, alpha, "alpha", false);
    check.grid(alpha, "alpha", rows, cols);

    // --------------------------------------------------------- run, allocate and write back
    const hostArgs::RunStatus status = estimateAndReturn(image, alpha, rows, cols, nlhs, plhs);
    char task[96];
    std::snprintf(task, sizeof task, "the foreground of a %lldx%lld image", rows, cols);
    check.finished(status, task);
}
