// Image files in and out: PNG (libpng) and JPEG (libjpeg-turbo) decoded into
// interleaved memory the pipeline reads in place, and PNG encoded from the
// pipeline's column-major results. Decoding never trusts the file: every
// fault comes back as an ImageFileError, never a crash or an exit().
#pragma once

#include <pairseek.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace pairseekCli {

// What is wrong with one file; the message does not name the file (callers do).
class ImageFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// rows x cols pixels of `channels` samples each (1 grey, 2 grey + alpha,
// 3 RGB, 4 RGBA), row after row; 8-bit samples in bytes8, 16-bit ones in
// host byte order in bytes16. Not zero-filled: a file that claims a huge size
// and then ends fails before most of the memory is ever touched.
struct DecodedImage {
    std::ptrdiff_t rows = 0, cols = 0;
    int channels = 0;
    int bitDepth = 8;
    std::unique_ptr<std::uint8_t[]> bytes8;
    std::unique_ptr<std::uint16_t[]> bytes16;

    // The colour planes (grey or R, G, B), skipping any alpha channel.
    pairseek::ArrayView colour() const { return view(channels >= 3 ? 3 : 1); }
    // The first channel alone: how a trimap is read.
    pairseek::ArrayView firstChannel() const { return view(1); }

private:
    pairseek::ArrayView view(std::ptrdiff_t used) const;
};

// Reads a PNG or a JPEG, told apart by their signatures, not by the name.
DecodedImage readImage(const std::filesystem::path& path);

DecodedImage decodePng(const std::vector<std::uint8_t>& file);
DecodedImage decodeJpeg(const std::vector<std::uint8_t>& file);

// A PNG of rows x cols pixels from column-major planes in [0, 1], each sample
// rounded half up to 8 or 16 bits: 1 plane grey, 3 RGB, 4 RGBA.
std::vector<std::uint8_t> encodePng(const std::vector<const double*>& planes, std::ptrdiff_t rows,
                                    std::ptrdiff_t cols, int bitDepth);

// value * maxValue rounded half up, clamped to [0, maxValue]; NaN gives 0.
inline unsigned quantise(double value, unsigned maxValue) {
    const double scaled = value * maxValue + 0.5;
    if (!(scaled >= 1)) return 0;
    if (scaled >= maxValue) return maxValue;
    return static_cast<unsigned>(scaled);
}

}  // namespace pairseekCli
