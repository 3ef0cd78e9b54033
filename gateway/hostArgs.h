// Host-argument checks shared by the modules. Each check raises through
// mexErrMsgIdAndTxt with the identifier "pairseek:<module>:<what>" and a message
// saying what was expected and what came. Nothing here owns memory, so raising
// (a longjmp or a host exception, depending on the host) leaks nothing.
#pragma once

#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "mex.h"

namespace hostArgs {

// Sizes widened to one signed type: mwSize is signed in Octave, size_t in MATLAB.
using Size = long long;

inline constexpr Size maxCount = INT32_MAX;   // counts and grid sides are 32-bit signed in the core

// Option names match in any case.
inline bool sameName(const char* given, const char* name) {
    for (; *given && *name; ++given, ++name)
        if (std::tolower(static_cast<unsigned char>(*given)) != std::tolower(static_cast<unsigned char>(*name)))
            return false;
    return *given == *name;
}

inline Size numberOfDims(const mxArray* a) { return static_cast<Size>(mxGetNumberOfDimensions(a)); }

// Dimension k (0-based); trailing dimensions beyond the array's own are 1.
inline Size dim(const mxArray* a, Size k) {
    return k < numberOfDims(a) ? static_cast<Size>(mxGetDimensions(a)[k]) : 1;
}

// A new rows x cols (x planes) double array holding `values`, column-major.
inline mxArray* doubleArray(const std::vector<double>& values, Size rows, Size cols, Size planes = 1) {
    const mwSize dims[3] = {static_cast<mwSize>(rows), static_cast<mwSize>(cols), static_cast<mwSize>(planes)};
    mxArray* a = mxCreateNumericArray(planes == 1 ? 2 : 3, dims, mxDOUBLE_CLASS, mxREAL);
    if (!values.empty()) std::memcpy(mxGetData(a), values.data(), values.size() * sizeof(double));
    return a;
}

inline Size elements(const mxArray* a) { return static_cast<Size>(mxGetNumberOfElements(a)); }

// Typed views of an array's data, for arrays whose class was checked.
inline const double* doubles(const mxArray* a) { return static_cast<const double*>(mxGetData(a)); }
inline const std::int32_t* int32s(const mxArray* a) { return static_cast<const std::int32_t*>(mxGetData(a)); }
inline const std::uint8_t* bytes(const mxArray* a) { return static_cast<const std::uint8_t*>(mxGetData(a)); }

// How a module's C++ work ended. The work calls no host function; it runs to
// its end, destructors included, before any host error is raised.
enum class RunStatus { Done, OutOfMemory, Failed };

template <class Work>
RunStatus runGuarded(Work&& work) noexcept {
    try {
        work();
    } catch (const std::bad_alloc&) {
        return RunStatus::OutOfMemory;
    } catch (...) {
        return RunStatus::Failed;
    }
    return RunStatus::Done;
}

// "3x4x2": the array's dimensions, for messages.
struct ShapeText {
    char text[128];
    explicit ShapeText(const mxArray* a) {
        int used = 0;
        text[0] = '\0';
        for (Size k = 0; k < numberOfDims(a) && used < static_cast<int>(sizeof text) - 24; ++k)
            used += std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used), k ? "x%lld" : "%lld",
                                  dim(a, k));
    }
};

// "complex sparse double": the array's class, for messages.
struct ClassText {
    char text[96];
    explicit ClassText(const mxArray* a) {
        std::snprintf(text, sizeof text, "%s%s%s", mxIsComplex(a) ? "complex " : "", mxIsSparse(a) ? "sparse " : "",
                      mxGetClassName(a));
    }
};

class Checker {
public:
    explicit constexpr Checker(const char* module) : module_(module) {}

    // Raises pairseek:<module>:<what>; never returns.
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    [[noreturn]] void fail(const char* what, const char* format, ...) const {
        char id[128], message[768];
        std::snprintf(id, sizeof id, "pairseek:%s:%s", module_, what);
        va_list args;
        va_start(args, format);
        std::vsnprintf(message, sizeof message, format, args);
        va_end(args);
        mexErrMsgIdAndTxt(id, "%s", message);
        std::abort();   // not reached: the host unwinds out of mexErrMsgIdAndTxt
    }

    void argumentCounts(int nrhs, int minIn, int maxIn, int nlhs, int maxOut) const {
        if (nrhs < minIn || nrhs > maxIn) {
            if (minIn == maxIn) fail("inputCount", "expected %d inputs, got %d", minIn, nrhs);
            fail("inputCount", "expected %d or %d inputs, got %d", minIn, maxIn, nrhs);
        }
        if (nlhs > maxOut) fail("outputCount", "expected at most %d outputs, got %d", maxOut, nlhs);
    }

    // Plain real (non-complex, non-sparse) double.
    void realDouble(const mxArray* a, const char* name) const {
        if (!mxIsDouble(a) || mxIsComplex(a) || mxIsSparse(a))
            fail("class", "%s must be a real double array; got %s", name, ClassText(a).text);
    }

    void realInt32(const mxArray* a, const char* name) const {
        if (!mxIsInt32(a) || mxIsComplex(a))
            fail("class", "%s must be a real int32 array; got %s", name, ClassText(a).text);
    }

    // One byte per element, set when non-zero: logical, uint8 or int8.
    void mask(const mxArray* a, const char* name) const {
        const bool oneByte = mxIsLogical(a) || mxIsUint8(a) || mxIsInt8(a);
        if (!oneByte || mxIsComplex(a) || mxIsSparse(a) || mxGetElementSize(a) != 1)
            fail("class", "%s must be a logical, uint8 or int8 array; got %s", name, ClassText(a).text);
    }

    // Exactly rows x cols (two dimensions).
    void grid(const mxArray* a, const char* name, Size rows, Size cols) const {
        if (numberOfDims(a) != 2 || dim(a, 0) != rows || dim(a, 1) != cols)
            fail("shape", "%s must be %lldx%lld; got %s", name, rows, cols, ShapeText(a).text);
    }

    // A two-dimensional table of at least minCols columns; its row count is returned.
    Size table(const mxArray* a, const char* name, Size minCols) const {
        if (numberOfDims(a) != 2 || dim(a, 1) < minCols)
            fail("shape", "%s must be an n x %lld (or wider) table; got %s", name, minCols, ShapeText(a).text);
        return dim(a, 0);
    }

    void elementCount(const mxArray* a, const char* name, Size n) const {
        if (elements(a) != n) fail("shape", "%s must have %lld elements; got %s", name, n, ShapeText(a).text);
    }

    void count(Size n, const char* what) const {
        if (n > maxCount) fail("tooLarge", "%s is %lld; at most %lld is supported", what, n, maxCount);
    }

    // Raises outOfMemory or internal unless the work named by `task` is done.
    void finished(RunStatus status, const char* task) const {
        if (status == RunStatus::OutOfMemory) fail("outOfMemory", "not enough memory for %s", task);
        if (status == RunStatus::Failed) fail("internal", "%s stopped on an unexpected C++ exception", task);
    }

private:
    const char* module_;
};

}  // namespace hostArgs
