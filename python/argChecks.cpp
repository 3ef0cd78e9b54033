#include "argChecks.h"

#include <string>

#include "arrays.h"

namespace binding {

namespace {

using pairseek::ElementType;

// The element type of a numeric array numpy-side, or false for any other dtype.
bool numericType(const py::array& a, ElementType& type) {
    if (hasDtype<std::uint8_t>(a)) type = ElementType::uint8;
    else if (hasDtype<std::uint16_t>(a)) type = ElementType::uint16;
    else if (hasDtype<float>(a)) type = ElementType::float32;
    else if (hasDtype<double>(a)) type = ElementType::float64;
    else return false;
    return true;
}

}  // namespace

ElementType imageType(const py::array& image, const char* name) {
    ElementType type;
    if (!numericType(image, type))
        typeError(std::string(name) + " must be float64 or float32 in [0, 1], uint8 or uint16; got dtype " +
                  dtypeName(image));
    const bool gray = image.ndim() == 2, colour = image.ndim() == 3 && (image.shape(2) == 3 || image.shape(2) == 1);
    if (!gray && !colour) {
        std::string hint =
            image.ndim() == 3 && image.shape(2) == 4 ? " (for RGBA pass " + std::string(name) + "[..., :3])" : "";
        valueError(std::string(name) + " must be H x W x 3 or H x W; got " + shapeText(image) + hint);
    }
    return type;
}

ElementType gridType(const py::array& grid, const char* name) {
    ElementType type;
    if (hasDtype<bool>(grid)) type = ElementType::boolean;
    else if (!numericType(grid, type))
        typeError(std::string(name) + " must be float64 or float32 in [0, 1], uint8, uint16 or bool; got dtype " +
                  dtypeName(grid));
    if (grid.ndim() != 2 && !(grid.ndim() == 3 && grid.shape(2) == 1))
        valueError(std::string(name) + " must be H x W (or H x W x 1); got " + shapeText(grid));
    return type;
}

}  // namespace binding
