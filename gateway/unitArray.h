// Host arrays of values in [0, 1] (images, alpha mattes, masks) in any of the
// usual classes: double and single as they are, uint8 / 65535 and uint16 scaled,
// logical as 0 and 1. Check first (raising through the checker), then convert
// inside the guarded work: the conversion calls no host function.
#pragma once

#include <cmath>
#include <cstdint>

#include "hostArgs.h"

namespace unitArray {

// Raises pairseek:<module>:class or :range unless `a` is a real, full array of
// an accepted class whose values lie in [0, 1] (floating point: finite).
inline void check(const hostArgs::Checker& check, const mxArray* a, const char* name, bool logicalAllowed) {
    const bool known = mxIsDouble(a) || mxIsSingle(a) || mxIsUint8(a) || mxIsUint16(a) ||
                       (logicalAllowed && mxIsLogical(a));
    if (!known || mxIsComplex(a) || mxIsSparse(a))
        check.fail("class", "%s must be a real %s array; got %s", name,
                   logicalAllowed ? "double, single, uint8, uint16 or logical" : "double, single, uint8 or uint16",
                   hostArgs::ClassText(a).text);
    const hostArgs::Size n = hostArgs::elements(a);
    if (mxIsDouble(a)) {
        const double* v = hostArgs::doubles(a);
        for (hostArgs::Size k = 0; k < n; ++k)
            if (!(v[k] >= 0 && v[k] <= 1))
                check.fail("range", "%s(%lld) is %g; expected a value in [0, 1]", name, k + 1, v[k]);
    } else if (mxIsSingle(a)) {
        const float* v = static_cast<const float*>(mxGetData(a));
        for (hostArgs::Size k = 0; k < n; ++k)
            if (!(v[k] >= 0 && v[k] <= 1))
                check.fail("range", "%s(%lld) is %g; expected a value in [0, 1]", name, k + 1,
                           static_cast<double>(v[k]));
    }
}

// The checked array's first n values as doubles in [0, 1].
inline void toDoubles(const mxArray* a, hostArgs::Size n, double* out) {
    if (mxIsDouble(a)) {
        const double* v = hostArgs::doubles(a);
        for (hostArgs::Size k = 0; k < n; ++k) out[k] = v[k];
    } else if (mxIsSingle(a)) {
        const float* v = static_cast<const float*>(mxGetData(a));
        for (hostArgs::Size k = 0; k < n; ++k) out[k] = static_cast<double>(v[k]);
    } else if (mxIsUint16(a)) {
        const std::uint16_t* v = static_cast<const std::uint16_t*>(mxGetData(a));
        for (hostArgs::Size k = 0; k < n; ++k) out[k] = v[k] / 65535.0;
    } else if (mxIsUint8(a)) {
        const std::uint8_t* v = hostArgs::bytes(a);
        for (hostArgs::Size k = 0; k < n; ++k) out[k] = v[k] / 255.0;
    } else {   // logical
        const mxLogical* v = mxGetLogicals(a);
        for (hostArgs::Size k = 0; k < n; ++k) out[k] = v[k] ? 1.0 : 0.0;
    }
}

}  // namespace unitArray
