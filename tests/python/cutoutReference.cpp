// The C++ API's cut-outs of raw arrays, for the Python tests to compare with bit for bit:
//   cutoutReference foreground ROWS COLS IMAGE ALPHA OUT
//   cutoutReference trimap ROWS COLS MASK BAND LOW HIGH OUT
// IMAGE: rows x cols x 3 uint8, interleaved (row after row); ALPHA, MASK: rows x
// cols native doubles, row after row. OUT receives the foreground then the
// background (rows x cols x 3 column-major doubles each), or the trimap (rows x
// cols bytes, column-major). Exit status 1 with the MatteError on stderr.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "pairseek.h"

namespace {

// `count` values of type T from a raw file.
template <class T>
std::vector<T> readAll(const char* path, std::size_t count) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() != count * sizeof(T)) {
        std::fprintf(stderr, "cutoutReference: %s: expected %zu bytes, got %zu\n", path, count * sizeof(T),
                     bytes.size());
        std::exit(2);
    }
    std::vector<T> values(count);
    std::memcpy(values.data(), bytes.data(), bytes.size());
    return values;
}

template <class T>
void append(std::ofstream& out, const std::vector<T>& values) {
    out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size() * sizeof(T)));
}

}  // namespace

int main(int argc, char** argv) {
    const bool foreground = argc == 7 && std::strcmp(argv[1], "foreground") == 0;
    const bool trimap = argc == 9 && std::strcmp(argv[1], "trimap") == 0;
    if (!foreground && !trimap) {
        std::fprintf(stderr, "usage: cutoutReference foreground ROWS COLS IMAGE ALPHA OUT\n"
                             "       cutoutReference trimap ROWS COLS MASK BAND LOW HIGH OUT\n");
        return 2;
    }
    using pairseek::ArrayView;
    using pairseek::ElementType;
    const std::ptrdiff_t rows = std::atol(argv[2]), cols = std::atol(argv[3]);
    const auto cells = static_cast<std::size_t>(rows * cols);
    try {
        std::ofstream out(argv[argc - 1], std::ios::binary);
        if (foreground) {
            const std::vector<unsigned char> image = readAll<unsigned char>(argv[4], cells * 3);
            const std::vector<double> alpha = readAll<double>(argv[5], cells);
            const pairseek::ForegroundColours colours =
                pairseek::estimateForeground(ArrayView::interleaved(image.data(), ElementType::uint8, rows, cols, 3),
                                             ArrayView::interleaved(alpha.data(), ElementType::float64, rows, cols));
            append(out, colours.foreground.planes);
            append(out, colours.background.planes);
        } else {
            const std::vector<double> mask = readAll<double>(argv[4], cells);
            pairseek::TrimapOptions options;
            options.band = std::atof(argv[5]);
            options.low = std::atof(argv[6]);
            options.high = std::atof(argv[7]);
            append(out, pairseek::trimapFromMask(ArrayView::interleaved(mask.data(), ElementType::float64, rows, cols),
                                                 options));
        }
        return out.good() ? 0 : 2;
    } catch (const pairseek::MatteError& e) {
        std::fprintf(stderr, "cutoutReference: %s: %s\n", e.code().c_str(), e.what());
        return 1;
    }
}
