// numpy arrays on both sides of the binding: dtype and shape checks that name
// the caller's argument, views of numpy memory for the pipeline, and numpy
// arrays that take over C++ vectors without a copy.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pairseek.h"

namespace binding {

namespace py = pybind11;

// The dtype as numpy names it ("uint8", ">f8", "object"), for messages.
inline std::string dtypeName(const py::array& a) { return py::str(a.dtype()).cast<std::string>(); }

// "480 x 640 x 3", for messages.
inline std::string shapeText(const py::array& a) {
    if (a.ndim() == 0) return "a 0-d array";
    std::string text;
    for (py::ssize_t k = 0; k < a.ndim(); ++k) text += (k ? " x " : "") + std::to_string(a.shape(k));
    return text;
}

// Exactly this dtype in native byte order.
template <class T>
bool hasDtype(const py::array& a) {
    return a.dtype().equal(py::dtype::of<T>());
}

[[noreturn]] inline void typeError(const std::string& message) { throw py::type_error(message); }
[[noreturn]] inline void valueError(const std::string& message) { throw py::value_error(message); }

inline py::module_ numpy() { return py::module_::import("numpy"); }

// The array itself when its strides are whole elements and its data aligned;
// otherwise a C-ordered copy (the caller's array is never touched).
inline py::array elementAligned(const py::array& a) {
    const auto size = a.itemsize();
    bool aligned = reinterpret_cast<std::uintptr_t>(a.data()) % static_cast<std::uintptr_t>(size) == 0;
    for (py::ssize_t k = 0; k < a.ndim(); ++k) aligned = aligned && a.strides(k) % size == 0;
    if (aligned) return a;
    return numpy().attr("array")(a, py::arg("order") = "C");
}

// A rows x cols (x channels) view of an element-aligned 2-d or 3-d array.
inline pairseek::ArrayView viewOf(const py::array& a, pairseek::ElementType type) {
    const auto size = a.itemsize();
    pairseek::ArrayView view;
    view.data = a.data();
    view.type = type;
    view.rows = a.shape(0);
    view.cols = a.shape(1);
    view.channels = a.ndim() == 3 ? a.shape(2) : 1;
    view.rowStride = a.strides(0) / size;
    view.colStride = a.strides(1) / size;
    view.channelStride = a.ndim() == 3 ? a.strides(2) / size : 0;
    return view;
}

// Column-major strides in bytes for `shape`: numpy's Fortran order.
template <class T>
std::vector<py::ssize_t> fortranStrides(const std::vector<py::ssize_t>& shape) {
    std::vector<py::ssize_t> strides(shape.size());
    py::ssize_t stride = static_cast<py::ssize_t>(sizeof(T));
    for (std::size_t k = 0; k < shape.size(); ++k) {
        strides[k] = stride;
        stride *= shape[k];
    }
    return strides;
}

// A Fortran-ordered numpy array over `values` (column-major, as every result of
// the library is), owned by a capsule: no copy.
template <class T>
py::array_t<T> fortranArray(std::vector<T>&& values, const std::vector<py::ssize_t>& shape) {
    if (values.empty()) return py::array_t<T>(shape, fortranStrides<T>(shape));
    auto owned = std::make_unique<std::vector<T>>(std::move(values));
    T* data = owned->data();
    py::capsule owner(owned.get(), [](void* p) { delete static_cast<std::vector<T>*>(p); });
    owned.release();
    return py::array_t<T>(shape, fortranStrides<T>(shape), data, owner);
}

}  // namespace binding
