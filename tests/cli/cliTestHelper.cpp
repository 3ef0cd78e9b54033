// What the command's tests need from C++ besides the command:
//   cliTestHelper matte IMAGE.u8 TRIMAP.u8 ROWS COLS CHANNELS SEED PASSES REFINE GAMMA ALPHA.f64
//     the C++ API's alpha (row-major float64) from raw interleaved uint8 arrays; GAMMA "-": its default;
//   cliTestHelper trimap MASK.u8 ROWS COLS BAND LOW HIGH TRIMAP.u8
//     the C++ API's trimap (row-major bytes) of a raw uint8 mask; "-" for an option: its default;
//   cliTestHelper jpeg PIXELS.u8 ROWS COLS CHANNELS QUALITY OUT.jpg
//     a JPEG of raw interleaved uint8 pixels (the tests have no other encoder).
#include <pairseek.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <jpeglib.h>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<unsigned char> readRaw(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int matte(char** argv) {
    const std::vector<unsigned char> image = readRaw(argv[0]), trimap = readRaw(argv[1]);
    const long rows = std::atol(argv[2]), cols = std::atol(argv[3]), channels = std::atol(argv[4]);
    pairseek::MatteOptions options;
    options.seed = static_cast<std::uint32_t>(std::strtoul(argv[5], nullptr, 10));
    options.passes = std::atoi(argv[6]);
    options.refine = std::atoi(argv[7]) != 0;
    if (std::string(argv[8]) != "-") options.gamma = std::atof(argv[8]);
    const pairseek::Matte m =
        pairseek::pairMatte(pairseek::ArrayView::interleaved(image.data(), pairseek::ElementType::uint8, rows, cols,
                                                             channels),
                            pairseek::ArrayView::interleaved(trimap.data(), pairseek::ElementType::uint8, rows, cols),
                            options);
    std::vector<double> rowMajor;
    for (long r = 0; r < rows; ++r)
        for (long c = 0; c < cols; ++c) rowMajor.push_back(m.alphaAt(r, c));
    std::ofstream out(argv[9], std::ios::binary);
    out.write(reinterpret_cast<const char*>(rowMajor.data()),
              static_cast<std::streamsize>(rowMajor.size() * sizeof(double)));
    return out ? 0 : 1;
}

int trimap(char** argv) {
    const std::vector<unsigned char> mask = readRaw(argv[0]);
    const long rows = std::atol(argv[1]), cols = std::atol(argv[2]);
    pairseek::TrimapOptions options;
    for (auto [text, value] : {std::pair{argv[3], &options.band}, {argv[4], &options.low}, {argv[5], &options.high}})
        if (std::string(text) != "-") *value = std::atof(text);
    const std::vector<std::uint8_t> columnMajor = pairseek::trimapFromMask(
        pairseek::ArrayView::interleaved(mask.data(), pairseek::ElementType::uint8, rows, cols), options);
    std::vector<std::uint8_t> rowMajor;
    for (long r = 0; r < rows; ++r)
        for (long c = 0; c < cols; ++c) rowMajor.push_back(columnMajor[static_cast<std::size_t>(r + c * rows)]);
    std::ofstream out(argv[6], std::ios::binary);
    out.write(reinterpret_cast<const char*>(rowMajor.data()), static_cast<std::streamsize>(rowMajor.size()));
    return out ? 0 : 1;
}

int jpeg(char** argv) {
    std::vector<unsigned char> pixels = readRaw(argv[0]);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    std::FILE* file = std::fopen(argv[5], "wb");
    if (!file) return 1;
    jpeg_stdio_dest(&info, file);
    info.image_height = static_cast<JDIMENSION>(std::atol(argv[1]));
    info.image_width = static_cast<JDIMENSION>(std::atol(argv[2]));
    info.input_components = std::atoi(argv[3]);
    info.in_color_space = info.input_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::atoi(argv[4]), TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = info.image_width * static_cast<std::size_t>(info.input_components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = pixels.data() + info.next_scanline * stride;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    try {
        if (what == "matte" && argc == 12) return matte(argv + 2);
        if (what == "trimap" && argc == 9) return trimap(argv + 2);
        if (what == "jpeg" && argc == 8) return jpeg(argv + 2);
    } catch (const pairseek::MatteError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: cliTestHelper matte ... | trimap ... | jpeg ...\n");
    return 2;
}
