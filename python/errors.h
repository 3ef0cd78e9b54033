// Python exceptions of the binding: pairseek.Cancelled, and the translation of
// the pipeline's MatteError into TypeError, ValueError, Cancelled or MemoryError.
#pragma once

#include <pybind11/pybind11.h>

namespace binding {

// Creates pairseek.Cancelled in `module` and registers the MatteError translation.
void bindErrors(pybind11::module_& module);

}  // namespace binding
