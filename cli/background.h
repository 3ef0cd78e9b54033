// What --background names: a plain colour or an image file the cut-out goes over.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>

namespace pairseekCli {

struct Background {
    std::optional<std::array<double, 3>> colour;   // R, G, B in [0, 1]
    std::optional<std::filesystem::path> image;    // when not a colour
};

// The colours --background accepts, for --help.
extern const char* const backgroundColourHelp;

// "#rrggbb", "r,g,b" (each 0..255) or a colour name (any case) give a colour;
// anything else names an image file. Throws std::invalid_argument, with the
// usage message, for a malformed colour and for a word that is neither a
// colour name nor an existing or image-named file.
Background parseBackground(const std::string& text);

}  // namespace pairseekCli
