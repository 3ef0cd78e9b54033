// Host module refineBand: the matte refinement's band solve over host arrays,
// one new nU x 1 array of refined alphas. Calling form and argument rules:
// matlab/refineBand.m.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bandRefine.h"
#include "hostArgs.h"

namespace {

enum RefineBandInput {
    ImageIn, UnknownMaskIn, KnownAlphaIn, TargetIn, ConfidenceIn, LambdaIn, RadiusIn, EpsilonIn, ToleranceIn,
    RefineBandInputs
};
enum RefineBandOutput { AlphaOut, RefineBandOutputs };

constexpr hostArgs::Checker check{"refineBand"};
using hostArgs::Size;

// Beyond this the windows hold more pixels than any matte needs, and the band's
// (4 * radius + 1)^2 neighbours per pixel would not fit memory anyway.
constexpr double maxRadius = 100;

using hostArgs::doubles;

// Owns the refined values, so the caller raises host errors only once they are released.
hostArgs::RunStatus refineAndReturn(const pairseek::RefineInput& in, const pairseek::RefineParams& params,
                                    mxArray* plhs[]) {
    std::vector<double> alpha;
    const hostArgs::RunStatus status = hostArgs::runGuarded([&] { alpha = pairseek::refineBand(in, params); });
    if (status != hostArgs::RunStatus::Done) return status;
    // ------------------------------------------------ allocate and write back
    plhs[AlphaOut] = hostArgs::doubleArray(alpha, static_cast<Size>(alpha.size()), 1);
    return hostArgs::RunStatus::Done;
}

double scalar(const mxArray* a, const char* name) {
    check.realDouble(a, name);
    if (hostArgs::elements(a) != 1) check.fail("shape", "%s must be a scalar; got %s", name, hostArgs::ShapeText(a).text);
    return doubles(a)[0];
}

void checkFinite(const double* values, Size n, const char* name) {
    for (Size k = 0; k < n; ++k)
        if (!std::isfinite(values[k])) check.fail("nonFinite", "%s(%lld) is %g; expected a finite number", name, k + 1, values[k]);
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    // --------------------------------------------------------- unpack
    check.argumentCounts(nrhs, RefineBandInputs, RefineBandInputs, nlhs, RefineBandOutputs);
    const mxArray* image = prhs[ImageIn];
    const mxArray* unknownMask = prhs[UnknownMaskIn];
    const mxArray* knownAlpha = prhs[KnownAlphaIn];
    const mxArray* target = prhs[TargetIn];
    const mxArray* confidence = prhs[ConfidenceIn];

    // --------------------------------------------------------- check
    check.realDouble(image, "image");
    if (hostArgs::numberOfDims(image) != 3 || hostArgs::dim(image, 2) != 3)
        check.fail("shape", "image must be rows x cols x 3; got %s", hostArgs::ShapeText(image).text);
    const Size rows = hostArgs::dim(image, 0), cols = hostArgs::dim(image, 1);
    check.count(rows * cols, "the number of image pixels");
    check.mask(unknownMask, "unknownMask");
    check.grid(unknownMask, "unknownMask", rows, cols);
    check.realDouble(knownAlpha, "knownAlpha");
    check.grid(knownAlpha, "knownAlpha", rows, cols);
    check.realDouble(target, "target");
    check.realDouble(confidence, "confidence");
    const double lambda = scalar(prhs[LambdaIn], "lambda");
    const double radius = scalar(prhs[RadiusIn], "radius");
    const double epsilon = scalar(prhs[EpsilonIn], "epsilon");
    const double tolerance = scalar(prhs[ToleranceIn], "tolerance");

    const std::uint8_t* mask = hostArgs::bytes(unknownMask);
    Size nU = 0;
    for (Size k = 0; k < rows * cols; ++k) nU += mask[k] != 0;
    check.elementCount(target, "target", nU);
    check.elementCount(confidence, "confidence", nU);

    if (!(lambda > 0 && std::isfinite(lambda))) check.fail("lambda", "lambda must be a finite number > 0; got %g", lambda);
    if (!(radius >= 1 && radius <= maxRadius && radius == std::floor(radius)))
        check.fail("radius", "radius must be an integer in 1..%.0f; got %.17g", maxRadius, radius);
    if (!(epsilon > 0 && std::isfinite(epsilon)))
        check.fail("epsilon", "epsilon must be a finite number > 0; got %g", epsilon);
    if (!(tolerance > 0 && tolerance < 1))
        check.fail("tolerance", "tolerance must be a number with 0 < tolerance < 1; got %g", tolerance);
    // The sparse matrix indexes its entries with 32-bit integers.
    const Size span = 4 * static_cast<Size>(radius) + 1;
    check.count(nU * span * span, "the band's entry count (unknown pixels x (4 * radius + 1)^2)");

    checkFinite(doubles(image), 3 * rows * cols, "image");
    checkFinite(doubles(knownAlpha), rows * cols, "knownAlpha");
    checkFinite(doubles(target), nU, "target");
    const double* confidenceValues = doubles(confidence);
    for (Size i = 0; i < nU; ++i)
        if (!(confidenceValues[i] >= 0 && confidenceValues[i] <= 1))
            check.fail("confidence", "confidence(%lld) is %g; expected a number in [0, 1]", i + 1, confidenceValues[i]);

    // --------------------------------------------------------- run, allocate and write back
    const pairseek::RefineInput in{doubles(image), mask, doubles(knownAlpha), doubles(target), confidenceValues,
                                   static_cast<std::ptrdiff_t>(rows), static_cast<std::ptrdiff_t>(cols)};
    pairseek::RefineParams params;
    params.lambda = lambda;
    params.radius = static_cast<int>(radius);
    params.epsilon = epsilon;
    params.tolerance = tolerance;
    const hostArgs::RunStatus status = refineAndReturn(in, params, plhs);
    char task[128];
    std::snprintf(task, sizeof task, "the band solve of %lld unknown pixels on a %lldx%lld image", nU, rows, cols);
    check.finished(status, task);
}
