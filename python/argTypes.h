// Argument and result types whose only job is their name in the signatures that
// help() shows: pybind11 would call them `object`. Each argument takes any Python
// object; the binding checks it with a message naming the argument.
#pragma once

#include <pybind11/pybind11.h>

namespace binding {

struct ArrayLike {
    pybind11::object object;   // read with numpy.asarray
};

struct ProgressCallable {
    pybind11::object object;   // None or a callable
};

// The foreground alone, or the foreground and the background.
struct ColoursResult {
    pybind11::object object;   // an array or a tuple of two
};

}  // namespace binding

namespace pybind11 {
namespace detail {

template <>
struct type_caster<binding::ArrayLike> {
    PYBIND11_TYPE_CASTER(binding::ArrayLike, const_name("numpy.typing.ArrayLike"));
    bool load(handle source, bool) {
        value.object = reinterpret_borrow<object>(source);
        return true;
    }
};

template <>
struct type_caster<binding::ProgressCallable> {
    PYBIND11_TYPE_CASTER(binding::ProgressCallable,
                         const_name("Optional[Callable[[pairseek.Progress], Optional[bool]]]"));
    bool load(handle source, bool) {
        value.object = reinterpret_borrow<object>(source);
        return true;
    }
};

template <>
struct type_caster<binding::ColoursResult> {
    PYBIND11_TYPE_CASTER(binding::ColoursResult,
                         const_name("Union[numpy.ndarray[numpy.float64], Tuple[numpy.ndarray[numpy.float64], "
                                    "numpy.ndarray[numpy.float64]]]"));
    static handle cast(const binding::ColoursResult& result, return_value_policy, handle) {
        return result.object.inc_ref();
    }
};

}  // namespace detail
}  // namespace pybind11
