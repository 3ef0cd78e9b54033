// The C++ API's matte of raw arrays, for the Python tests to compare with bit for bit:
//   matteReference ROWS COLS CHANNELS IMAGE TRIMAP OUT PASSES SEED REFINE [FOREGROUND]
// IMAGE: rows x cols x channels uint8, interleaved (row after row); TRIMAP: rows x
// cols uint8; OUT receives the alpha (rows x cols) then the foreground (rows x cols
// x 3), column-major native doubles. FOREGROUND: estimated (the default) or
// samples. Exit status 1 with the MatteError on stderr.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "pairseek.h"

namespace {

std::vector<unsigned char> readAll(const char* path, std::size_t expected) {
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.eof() && !file.good()) bytes.clear();
    if (bytes.size() != expected) {
        std::fprintf(stderr, "matteReference: %s: expected %zu bytes, got %zu\n", path, expected, bytes.size());
        std::exit(2);
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 10 && argc != 11) {
        std::fprintf(stderr,
                     "usage: matteReference ROWS COLS CHANNELS IMAGE TRIMAP OUT PASSES SEED REFINE [FOREGROUND]\n");
        return 2;
    }
    const std::ptrdiff_t rows = std::atol(argv[1]), cols = std::atol(argv[2]), channels = std::atol(argv[3]);
    const auto cells = static_cast<std::size_t>(rows * cols);
    const std::vector<unsigned char> image = readAll(argv[4], cells * static_cast<std::size_t>(channels));
    const std::vector<unsigned char> trimap = readAll(argv[5], cells);
    pairseek::MatteOptions options;
    options.passes = std::atoi(argv[7]);
    options.seed = static_cast<std::uint32_t>(std::strtoul(argv[8], nullptr, 10));
    options.refine = std::atoi(argv[9]) != 0;
    if (argc == 11 && std::strcmp(argv[10], "samples") == 0) options.foreground = pairseek::Foreground::samples;
    try {
        const pairseek::Matte m = pairseek::pairMatte(
            pairseek::ArrayView::interleaved(image.data(), pairseek::ElementType::uint8, rows, cols, channels),
            pairseek::ArrayView::interleaved(trimap.data(), pairseek::ElementType::uint8, rows, cols), options);
        std::ofstream out(argv[6], std::ios::binary);
        out.write(reinterpret_cast<const char*>(m.alpha.data()), static_cast<std::streamsize>(m.alpha.size() * 8));
        out.write(reinterpret_cast<const char*>(m.foreground.data()),
                  static_cast<std::streamsize>(m.foreground.size() * 8));
        return out.good() ? 0 : 2;
    } catch (const pairseek::MatteError& e) {
        std::fprintf(stderr, "matteReference: %s: %s\n", e.code().c_str(), e.what());
        return 1;
    }
}
