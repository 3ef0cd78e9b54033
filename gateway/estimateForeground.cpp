// Host module estimateForeground: foreground (and background) colours of an
// image from its alpha matte, two new rows x cols x 3 double arrays. Calling
// form and argument rules: matlab/estimateForeground.m.
#include <cstdio>
#include <cstring>
#include <vector>

#include "cutout.h"
#include "hostArgs.h"
#include "unitArray.h"

namespace {

enum EstimateForegroundInput { ImageIn, AlphaIn, EstimateForegroundInputs };
enum EstimateForegroundOutput { ForegroundOut, BackgroundOut, EstimateForegroundOutputs };

constexpr hostArgs::Checker check{"estimateForeground"};
using hostArgs::Size;

mxArray* colourArray(const std::vector<double>& values, Size rows, Size cols) {
    const mwSize dims[3] = {static_cast<mwSize>(rows), static_cast<mwSize>(cols), 3};
    mxArray* a = mxCreateNumericArray(3, dims, mxDOUBLE_CLASS, mxREAL);
    if (!values.empty()) std::memcpy(mxGetData(a), values.data(), values.size() * sizeof(double));
    return a;
}

// Owns the estimate, so the caller raises host errors only once it is released.
hostArgs::RunStatus estimateAndReturn(const mxArray* image, const mxArray* alpha, Size rows, Size cols, int nlhs,
                                      mxArray* plhs[]) {
    pairseek::ForegroundEstimate estimate;
    const hostArgs::RunStatus status = hostArgs::runGuarded([&] {
        const Size n = rows * cols;
        std::vector<double> colours(static_cast<std::size_t>(3 * n)), opacity(static_cast<std::size_t>(n));
        unitArray::toDoubles(image, hostArgs::elements(image), colours.data());
        if (hostArgs::elements(image) == n)   // gray: the same plane three times
            for (Size k = 1; k < 3; ++k) std::memcpy(colours.data() + k * n, colours.data(), n * sizeof(double));
        unitArray::toDoubles(alpha, n, opacity.data());
        estimate = pairseek::estimateForeground(colours.data(), opacity.data(), rows, cols);
    });
    if (status != hostArgs::RunStatus::Done) return status;
    // ------------------------------------------------ allocate and write back
    plhs[ForegroundOut] = colourArray(estimate.foreground, rows, cols);
    if (nlhs > BackgroundOut) plhs[BackgroundOut] = colourArray(estimate.background, rows, cols);
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
