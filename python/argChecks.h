// dtype and shape checks shared by the bindings of the pipeline and of the
// cut-outs: each names the caller's argument, before any C++ runs.
#pragma once

#include <pybind11/numpy.h>

#include "pairseek.h"

namespace binding {

// An image's element type (float64 / float32 in [0, 1], uint8, uint16), or
// TypeError / ValueError naming `name`; H x W x 3, H x W x 1 or H x W.
pairseek::ElementType imageType(const pybind11::array& image, const char* name);

// A one-channel grid's element type (an alpha, a mask: float64 / float32 in
// [0, 1], uint8, uint16, bool), or TypeError / ValueError naming `name`;
// H x W or H x W x 1.
pairseek::ElementType gridType(const pybind11::array& grid, const char* name);

}  // namespace binding
