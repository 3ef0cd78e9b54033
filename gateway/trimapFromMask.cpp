// Host module trimapFromMask: a trimap (uint8 0 / 128 / 255) from a binary or
// soft mask. Calling form and options: matlab/trimapFromMask.m.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cutout.h"
#include "hostArgs.h"
#include "pairseek.h"
#include "unitArray.h"

namespace {

enum TrimapFromMaskInput { MaskIn, FirstOptionIn };
enum TrimapFromMaskOutput { TrimapOut, TrimapFromMaskOutputs };

constexpr hostArgs::Checker check{"trimapFromMask"};
using hostArgs::Size;

// The option's value: a real finite double or single scalar (Band: also [] for the default).
double optionValue(const mxArray* value, const char* name, bool emptyAllowed, double emptyValue) {
    if (emptyAllowed && mxIsEmpty(value) && (mxIsDouble(value) || mxIsSingle(value))) return emptyValue;
    if (!(mxIsDouble(value) || mxIsSingle(value)) || mxIsComplex(value) || mxIsSparse(value) ||
        hostArgs::elements(value) != 1)
        check.fail(name, "option %s must be a real scalar; got a %s %s", name, hostArgs::ShapeText(value).text,
                   hostArgs::ClassText(value).text);
    const double v = mxGetScalar(value);
    if (!std::isfinite(v)) check.fail(name, "option %s must be finite; got %g", name, v);
    return v;
}

// What the C++ work ended with, in plain storage: raising never skips a destructor.
struct Outcome {
    hostArgs::RunStatus status = hostArgs::RunStatus::Done;
    char code[32] = "", message[512] = "";
};

Outcome makeTrimap(const mxArray* mask, Size rows, Size cols, const pairseek::TrimapOptions& options,
                   mxArray* plhs[]) {
    Outcome outcome;
    std::vector<std::uint8_t> trimap;
    outcome.status = hostArgs::runGuarded([&] {
        try {
            std::vector<double> values(static_cast<std::size_t>(rows * cols));
            unitArray::toDoubles(mask, rows * cols, values.data());
            trimap = pairseek::trimapFromMask(values.data(), rows, cols, options);
        } catch (const pairseek::MatteError& e) {
            std::snprintf(outcome.code, sizeof outcome.code, "%s", e.code().c_str());
            std::snprintf(outcome.message, sizeof outcome.message, "%s", e.what());
        }
    });
    if (outcome.status != hostArgs::RunStatus::Done || outcome.code[0] != '\0') return outcome;
    // ------------------------------------------------ allocate and write back
    plhs[TrimapOut] = mxCreateNumericMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(cols), mxUINT8_CLASS, mxREAL);
    if (!trimap.empty()) std::memcpy(mxGetData(plhs[TrimapOut]), trimap.data(), trimap.size());
    return outcome;
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    // --------------------------------------------------------- unpack
    if (nrhs < 1) check.fail("inputCount", "expected a mask and name, value pairs; got no input");
    if (nlhs > TrimapFromMaskOutputs) check.fail("outputCount", "expected at most 1 output, got %d", nlhs);
    const mxArray* mask = prhs[MaskIn];
    if ((nrhs - FirstOptionIn) % 2 != 0)
        check.fail("inputCount", "options must come in name, value pairs; got %d arguments after the mask",
                   nrhs - FirstOptionIn);

    // --------------------------------------------------------- check
    unitArray::check(check, mask, "mask", true);
    if (hostArgs::numberOfDims(mask) != 2)
        check.fail("shape", "mask must be rows x cols; got %s", hostArgs::ShapeText(mask).text);
    const Size rows = hostArgs::dim(mask, 0), cols = hostArgs::dim(mask, 1);
    check.count(rows * cols, "the number of mask pixels");
    pairseek::TrimapOptions options;
    for (int k = FirstOptionIn; k < nrhs; k += 2) {
        char name[32] = "";
        if (!mxIsChar(prhs[k]) || mxGetString(prhs[k], name, sizeof name) != 0)
            check.fail("optionName", "option names are 'Band', 'Low' and 'High'; argument %d is not one", k + 1);
        if (hostArgs::sameName(name, "Band")) {
            options.band = optionValue(prhs[k + 1], "Band", true, -1);
            if (options.band < 0 && !mxIsEmpty(prhs[k + 1]))
                check.fail("Band", "option Band must be >= 0 (or [] for the default); got %g", options.band);
        } else if (hostArgs::sameName(name, "Low")) {
            options.low = optionValue(prhs[k + 1], "Low", false, 0);
        } else if (hostArgs::sameName(name, "High")) {
            options.high = optionValue(prhs[k + 1], "High", false, 0);
        } else {
            check.fail("optionName", "option names are 'Band', 'Low' and 'High'; got '%s'", name);
        }
    }
    if (!(options.low >= 0 && options.low < options.high && options.high <= 1))
        check.fail("thresholds", "options Low and High must satisfy 0 <= Low < High <= 1; got %g and %g", options.low,
                   options.high);

    // --------------------------------------------------------- run, allocate and write back
    const Outcome outcome = makeTrimap(mask, rows, cols, options, plhs);
    if (outcome.code[0] != '\0') check.fail(outcome.code, "%s", outcome.message);
    char task[96];
    std::snprintf(task, sizeof task, "the trimap of a %lldx%lld mask", rows, cols);
    check.finished(outcome.status, task);
}
