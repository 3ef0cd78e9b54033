// Test tool: the C++ API on raw files, so that other hosts' tests can compare
// their alpha with it bit for bit.
//   rawMatte IN OUT [seed]   IN: int32 rows, cols, then uint8 image planes and
//   uint8 trimap, column-major; OUT: rows x cols alpha doubles, column-major.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "pairseek.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: rawMatte IN OUT [seed]\n");
        return 2;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    std::int32_t dims[2];
    if (!in || std::fread(dims, sizeof dims[0], 2, in) != 2) return 1;
    const std::size_t cells = static_cast<std::size_t>(dims[0]) * static_cast<std::size_t>(dims[1]);
    std::vector<unsigned char> image(3 * cells), trimap(cells);
    if (std::fread(image.data(), 1, image.size(), in) != image.size() ||
        std::fread(trimap.data(), 1, trimap.size(), in) != trimap.size())
        return 1;
    std::fclose(in);
    pairseek::MatteOptions options;
    if (argc > 3) options.seed = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
    using pairseek::ArrayView;
    const pairseek::Matte matte =
        pairseek::pairMatte(ArrayView::columnMajor(image.data(), pairseek::ElementType::uint8, dims[0], dims[1], 3),
                            ArrayView::columnMajor(trimap.data(), pairseek::ElementType::uint8, dims[0], dims[1]),
                            options);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out || std::fwrite(matte.alpha.data(), sizeof(double), cells, out) != cells || std::fclose(out) != 0) return 1;
    return 0;
}
