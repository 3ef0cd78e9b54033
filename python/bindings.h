// The parts of the extension module pairseek._pairseek, each defined in its own file.
#pragma once

#include <pybind11/pybind11.h>

namespace binding {

void bindMatte(pybind11::module_& module);    // estimate_alpha, matte
void bindSearch(pybind11::module_& module);   // fringe_scan, pair_seek
void bindCutouts(pybind11::module_& module);  // estimate_foreground, composite, trimap_from_mask

}  // namespace binding
