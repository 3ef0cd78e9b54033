// Host arrays of values in [0, 1] (images, alpha mattes, masks) in any of the
// usual classes: double and single as they are, uint8 and uint16 scaled,
// logical as 0 and 1. Check first (raising through the checker), then hand the
// library a view: the conversion is its own, the same for every host.
#pragma once

#include <cmath>
#include <cstdint>

#include "hostArgs.h"
#include "pairseek.h"

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

// The checked array as the library's view of it, column-major; the library
// scales integers and reads logicals, as it does for every host.
inline pairseek::ArrayView view(const mxArray* a) {
    pairseek::ElementType type = pairseek::ElementType::boolean;
    if (mxIsDouble(a)) type = pairseek::ElementType::float64;
    else if (mxIsSingle(a)) type = pairseek::ElementType::float32;
    else if (mxIsUint8(a)) type = pairseek::ElementType::uint8;
    else if (mxIsUint16(a)) type = pairseek::ElementType::uint16;
    return pairseek::ArrayView::columnMajor(mxGetData(a), type, hostArgs::dim(a, 0), hostArgs::dim(a, 1),
                                            hostArgs::dim(a, 2));
}

}  // namespace unitArray
