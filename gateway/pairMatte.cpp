// Host module pairMatte: the whole matte pipeline over host arrays, with
// name-value options. Calling form and argument rules: matlab/help/pairMatte.m.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "hostArgs.h"
#include "pairseek.h"
#include "unitArray.h"

namespace {

enum PairMatteInput { ImageIn, TrimapIn, FirstOptionIn };
enum PairMatteOutput { AlphaOut, ForegroundOut, PairMatteOutputs };

constexpr hostArgs::Checker check{"pairMatte"};
using hostArgs::Size;

// Fails with `code` unless `a` is of a class the library reads.
void checkClass(const mxArray* a, const char* name, const char* code, bool logicalAllowed) {
    if (mxIsComplex(a) || mxIsSparse(a))
        check.fail(code, "%s must be a real, full array; got %s", name, hostArgs::ClassText(a).text);
    if (mxIsDouble(a) || mxIsSingle(a) || mxIsUint8(a) || mxIsUint16(a) || (logicalAllowed && mxIsLogical(a))) return;
    check.fail(code, "%s must be %s; got %s", name,
               logicalAllowed ? "uint8, uint16, double, single or logical" : "double, single, uint8 or uint16",
               hostArgs::ClassText(a).text);
}

struct Options {
    pairseek::MatteOptions matte;
    bool verbose = false;
};

double scalarOption(const mxArray* value, const char* name, const char* expected) {
    if (!mxIsNumeric(value) && !mxIsLogical(value)) check.fail(name, "option %s must be %s", name, expected);
    if (mxIsComplex(value) || hostArgs::elements(value) != 1) check.fail(name, "option %s must be %s", name, expected);
    return mxGetScalar(value);
}

double integerOption(const mxArray* value, const char* name, double low, double high, const char* expected) {
    const double v = scalarOption(value, name, expected);
    if (!(v >= low && v <= high && v == std::floor(v))) check.fail(name, "option %s must be %s", name, expected);
    return v;
}

Options readOptions(int nrhs, const mxArray* prhs[]) {
    static const char* const names[] = {"Passes",  "Decay",      "ColourWeight", "Seed",       "Refine",
                                        "Verbose", "Foreground", "Threads",      "Gamma"};
    constexpr int nameCount = sizeof names / sizeof names[0];
    Options options;
    if ((nrhs - FirstOptionIn) % 2 != 0)
        check.fail("options", "options must come in name, value pairs; got %d extra arguments", nrhs - FirstOptionIn);
    for (int k = FirstOptionIn; k < nrhs; k += 2) {
        char given[32] = "";
        if (!mxIsChar(prhs[k]) || mxGetString(prhs[k], given, sizeof given) != 0)
            check.fail("options", "unknown option; expected one of Passes, Decay, ColourWeight, Seed, Refine, Verbose, "
                       "Foreground, Threads, Gamma");
        int which = -1;
        for (int n = 0; n < nameCount; ++n)
            if (hostArgs::sameName(given, names[n])) which = n;
        const mxArray* value = prhs[k + 1];
        switch (which) {
            case 0:
                options.matte.passes = static_cast<int>(integerOption(value, "Passes", 1, 1e9, "a positive integer"));
                break;
            case 1: options.matte.decay = scalarOption(value, "Decay", "a number with 0 <= Decay < 1"); break;
            case 2: options.matte.colourWeight = scalarOption(value, "ColourWeight", "a finite number >= 0"); break;
            case 3:
                options.matte.seed = static_cast<std::uint32_t>(
                    integerOption(value, "Seed", 0, 4294967295.0, "an integer in 0..4294967295"));
                break;
            case 4:
            case 5: {
                const char* name = names[which];
                const double v = scalarOption(value, name, "true or false");
                if (std::isnan(v)) check.fail(name, "option %s must be true or false", name);
                (which == 4 ? options.matte.refine : options.verbose) = v != 0;
                break;
            }
            case 6: {
                char method[16] = "";
                if (!mxIsChar(value) || mxGetString(value, method, sizeof method) != 0 ||
                    (!hostArgs::sameName(method, "estimated") && !hostArgs::sameName(method, "samples")))
                    check.fail("Foreground", "option Foreground must be 'estimated' or 'samples'");
                options.matte.foreground = hostArgs::sameName(method, "samples") ? pairseek::Foreground::samples
                                                                              : pairseek::Foreground::estimated;
                break;
            }
            case 7:
                options.matte.threads = static_cast<int>(
                    integerOption(value, "Threads", 0, 4096, "an integer in 0..4096 (0: every core)"));
                break;
            case 8: options.matte.gamma = scalarOption(value, "Gamma", "a number in 0.25..4"); break;
            default:
                check.fail("options", "unknown option '%s'; expected one of Passes, Decay, ColourWeight, Seed, "
                           "Refine, Verbose, Foreground, Threads, Gamma", given);
        }
    }
    return options;
}

// The old driver's console lines, for 'Verbose'.
pairseek::ProgressCallback verboseLines() {
    const auto started = std::chrono::steady_clock::now();
    auto seconds = [started] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    auto refining = std::make_shared<double>(0.0);
    return [seconds, refining](const pairseek::Progress& p) {
        const std::string stage = p.stage;
        if (stage == "scan")
            mexPrintf("Total %d unknowns, %d foreground boundary, %d background boundary.\n",
                      static_cast<int>(p.unknown), static_cast<int>(p.foregroundSamples),
                      static_cast<int>(p.backgroundSamples));
        else if (stage == "search")
            mexPrintf("pairMatte: pass %d of %d, %.3f s, pair changed at %.2f %% of %lld unknown pixels\n", p.step,
                      p.steps, seconds(), 100.0 * static_cast<double>(p.changedPairs) / static_cast<double>(p.unknown),
                      static_cast<long long>(p.unknown));
        else if (stage == "refine" && p.step == 0)
            *refining = seconds();
        else if (stage == "refine")
            mexPrintf("pairMatte: refined in %.3f s, %.3f s in all\n", seconds() - *refining, seconds());
        return true;
    };
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    // --------------------------------------------------------- unpack
    if (nrhs < FirstOptionIn) check.fail("inputCount", "expected an image, a trimap and options; got %d inputs", nrhs);
    if (nlhs > PairMatteOutputs) check.fail("outputCount", "expected at most %d outputs, got %d", PairMatteOutputs, nlhs);
    const mxArray* image = prhs[ImageIn];
    const mxArray* trimap = prhs[TrimapIn];

    // --------------------------------------------------------- check (the pipeline checks values)
    Options options = readOptions(nrhs, prhs);
    if (hostArgs::numberOfDims(image) > 3)
        check.fail("imageSize", "image must be rows x cols x 3 or rows x cols; got %s", hostArgs::ShapeText(image).text);
    if (hostArgs::numberOfDims(trimap) > 3)
        check.fail("sizeMismatch", "trimap must be rows x cols like the image; got %s", hostArgs::ShapeText(trimap).text);
    checkClass(image, "image", "imageClass", false);
    checkClass(trimap, "trimap", "trimapClass", true);
    const pairseek::ArrayView imageView = unitArray::view(image), trimapView = unitArray::view(trimap);
    if (options.verbose) options.matte.progress = verboseLines();

    // --------------------------------------------------------- run
    pairseek::Matte matte;
    std::string failure, message;
    try {
        matte = pairseek::pairMatte(imageView, trimapView, options.matte);
    } catch (const pairseek::MatteError& e) {
        failure = e.code();
        message = e.what();
    } catch (const std::bad_alloc&) {
        failure = "outOfMemory";
        message = "not enough memory for the matte";
    } catch (const std::exception& e) {
        failure = "internal";
        message = std::string("the matte stopped on an unexpected C++ exception: ") + e.what();
    }
    if (!failure.empty()) {
        char id[96], text[768];
        std::snprintf(id, sizeof id, "pairseek:pairMatte:%s", failure.c_str());
        std::snprintf(text, sizeof text, "%s", message.c_str());
        matte = {};
        failure.clear();
        failure.shrink_to_fit();
        message.clear();
        message.shrink_to_fit();
        mexErrMsgIdAndTxt(id, "%s", text);
    }

    // --------------------------------------------------------- allocate and write back
    plhs[AlphaOut] = hostArgs::doubleArray(matte.alpha, matte.rows, matte.cols);
    if (nlhs > ForegroundOut) plhs[ForegroundOut] = hostArgs::doubleArray(matte.foreground, matte.rows, matte.cols, 3);
}
