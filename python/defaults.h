// The pipeline's default options as Python spells them, so that docstrings and
// help texts follow pairseek::MatteOptions instead of repeating its numbers.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "pairseek.h"

namespace binding {

// {"passes": 6, "decay": 0.5, "colour_weight": 150.0, "seed": 1, "refine": True, "gamma": 1.6}
inline pybind11::dict defaultOptions() {
    const pairseek::MatteOptions defaults;
    pybind11::dict options;
    options["passes"] = defaults.passes;
    options["decay"] = defaults.decay;
    options["colour_weight"] = defaults.colourWeight;
    options["seed"] = defaults.seed;
    options["refine"] = defaults.refine;
    options["gamma"] = defaults.gamma;
    return options;
}

// How Python spells a MatteOptions::foreground: "estimated" or "samples".
inline const char* foregroundName(pairseek::Foreground foreground) {
    return foreground == pairseek::Foreground::samples ? "samples" : "estimated";
}

// `text` with each "{name}" of an option replaced by the repr of its default.
inline std::string withDefaults(std::string text) {
    for (auto item : defaultOptions()) {
        const std::string key = "{" + item.first.cast<std::string>() + "}";
        const std::string value = pybind11::repr(item.second).cast<std::string>();
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    }
    return text;
}

}  // namespace binding
