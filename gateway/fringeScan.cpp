// Host module fringeScan: the boundary samples of a trimap and its unknown
// pixels as seven new host arrays, plus one counts line on the host console.
// Calling form and argument rules: matlab/fringeScan.m.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "hostArgs.h"
#include "matting.h"

namespace {

enum FringeScanInput { ImageIn, FgMaskIn, BgMaskIn, UnknownMaskIn, FringeScanInputs };
enum FringeScanOutput {
    FgPosOut, FgColourOut, BgPosOut, BgColourOut, UnknownPosOut, UnknownColourOut, IndexMapOut, FringeScanOutputs
};

constexpr hostArgs::Checker check{"fringeScan"};

struct ScanInput {
    const double* image;
    const std::uint8_t* fgMask;
    const std::uint8_t* bgMask;
    const std::uint8_t* unknownMask;
    pairseek::Count rows, cols;
};

// Position (n x 2) and colour (n x 4) tables of one list, for the requested slots only.
void returnSamples(const std::vector<pairseek::SampleRecord>& list, int slots, mxArray* plhs[], int posOut,
                   int colourOut) {
    const std::size_t n = list.size();
    if (posOut < slots) {
        plhs[posOut] = mxCreateDoubleMatrix(static_cast<mwSize>(n), 2, mxREAL);
        double* pos = static_cast<double*>(mxGetData(plhs[posOut]));
        for (std::size_t i = 0; i < n; ++i) {
            pos[i] = list[i].row;
            pos[n + i] = list[i].col;
        }
    }
    if (colourOut < slots) {
        plhs[colourOut] = mxCreateDoubleMatrix(static_cast<mwSize>(n), 4, mxREAL);
        double* colour = static_cast<double*>(mxGetData(plhs[colourOut]));
        for (std::size_t i = 0; i < n; ++i) {
            colour[i] = list[i].red;
            colour[n + i] = list[i].green;
            colour[2 * n + i] = list[i].blue;
            colour[3 * n + i] = list[i].gray;
        }
    }
}

// Owns the scan result, so the caller raises host errors only once it is released.
hostArgs::RunStatus scanAndReturn(const ScanInput& in, int slots, mxArray* plhs[]) {
    pairseek::FringeScanResult scan;
    const hostArgs::RunStatus status = hostArgs::runGuarded([&] {
        scan = pairseek::collectFringe(in.image, in.fgMask, in.bgMask, in.unknownMask, in.rows, in.cols);
    });
    if (status != hostArgs::RunStatus::Done) return status;

    // Every count is at most rows * cols, checked to fit 32 bits.
    mexPrintf("Total %d unknowns, %d foreground boundary, %d background boundary.\n",
              static_cast<int>(scan.unknown.size()), static_cast<int>(scan.foreground.size()),
              static_cast<int>(scan.background.size()));

    // ------------------------------------------------ allocate and write back
    returnSamples(scan.foreground, slots, plhs, FgPosOut, FgColourOut);
    returnSamples(scan.background, slots, plhs, BgPosOut, BgColourOut);
    returnSamples(scan.unknown, slots, plhs, UnknownPosOut, UnknownColourOut);
    if (IndexMapOut < slots) {
        const mwSize dims[2] = {static_cast<mwSize>(in.rows), static_cast<mwSize>(in.cols)};
        plhs[IndexMapOut] = mxCreateNumericArray(2, dims, mxINT32_CLASS, mxREAL);
        auto* map = static_cast<std::int32_t*>(mxGetData(plhs[IndexMapOut]));
        for (std::size_t k = 0; k < scan.indexMap.size(); ++k) map[k] = scan.indexMap[k];
    }
    return hostArgs::RunStatus::Done;
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    // --------------------------------------------------------- unpack
    check.argumentCounts(nrhs, FringeScanInputs, FringeScanInputs, nlhs, FringeScanOutputs);
    const mxArray* image = prhs[ImageIn];
    const mxArray* masks[3] = {prhs[FgMaskIn], prhs[BgMaskIn], prhs[UnknownMaskIn]};
    const char* maskNames[3] = {"fgMask", "bgMask", "unknownMask"};

    // --------------------------------------------------------- check
    check.realDouble(image, "image");
    if (hostArgs::numberOfDims(image) != 3 || hostArgs::dim(image, 2) < 3)
        check.fail("shape", "image must be rows x cols x 3 (or more planes); got %s",
                   hostArgs::ShapeText(image).text);
    const hostArgs::Size rows = hostArgs::dim(image, 0), cols = hostArgs::dim(image, 1);
    check.count(rows, "the number of image rows");
    check.count(cols, "the number of image columns");
    // Every list length and map entry is at most rows * cols.
    check.count(rows * cols, "the number of image pixels");
    for (int m = 0; m < 3; ++m) {
        check.mask(masks[m], maskNames[m]);
        check.grid(masks[m], maskNames[m], rows, cols);
    }

    // --------------------------------------------------------- run, allocate and write back
    const ScanInput in{hostArgs::doubles(image), hostArgs::bytes(masks[0]), hostArgs::bytes(masks[1]),
                       hostArgs::bytes(masks[2]), static_cast<pairseek::Count>(rows),
                       static_cast<pairseek::Count>(cols)};
    // With no outputs requested the host still takes the first one (as ans).
    const int slots = nlhs > 0 ? nlhs : 1;
    const hostArgs::RunStatus status = scanAndReturn(in, slots, plhs);
    char task[96];
    std::snprintf(task, sizeof task, "the scan of a %lldx%lld image", rows, cols);
    check.finished(status, task);
}
