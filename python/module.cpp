// The extension module pairseek._pairseek; the package pairseek re-exports it.
#include <pybind11/pybind11.h>

#include <string>

#include "bindings.h"
#include "defaults.h"
#include "errors.h"
#include "pairseek.h"

namespace py = pybind11;

PYBIND11_MODULE(_pairseek, module) {
    module.doc() = "The C++ side of pairseek: the matte pipeline, the cut-outs and the pair search over numpy arrays.";
    module.attr("__version__") = pairseek::version();
    module.attr("DEFAULT_OPTIONS") = binding::defaultOptions();
    binding::bindErrors(module);

    py::class_<pairseek::Progress>(module, "Progress", R"(What the matte is doing, passed to a ``progress`` callback.

Attributes
----------
stage : str
    ``"scan"``, ``"search"``, ``"refine"`` or ``"foreground"``.
step, steps : int
    Step ``step`` of ``steps`` within the stage (the search: pass 1 .. passes).
unknown, foreground_samples, background_samples : int
    The trimap's unknown pixels and the boundary samples found by the scan.
changed_pairs : int
    After a search pass: the unknown pixels whose pair changed in it.
)")
        .def_property_readonly("stage", [](const pairseek::Progress& p) { return std::string(p.stage); })
        .def_readonly("step", &pairseek::Progress::step)
        .def_readonly("steps", &pairseek::Progress::steps)
        .def_readonly("unknown", &pairseek::Progress::unknown)
        .def_readonly("foreground_samples", &pairseek::Progress::foregroundSamples)
        .def_readonly("background_samples", &pairseek::Progress::backgroundSamples)
        .def_readonly("changed_pairs", &pairseek::Progress::changedPairs)
        .def("__repr__", [](const pairseek::Progress& p) {
            return "Progress(stage='" + std::string(p.stage) + "', step=" + std::to_string(p.step) +
                   ", steps=" + std::to_string(p.steps) + ", unknown=" + std::to_string(p.unknown) +
                   ", changed_pairs=" + std::to_string(p.changedPairs) + ")";
        });

    binding::bindMatte(module);
    binding::bindSearch(module);
    binding::bindCutouts(module);
}
