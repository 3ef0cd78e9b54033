// Reading a whole image file and telling PNG from JPEG by its first bytes.
#include "imageFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

namespace pairseekCli {

pairseek::ArrayView DecodedImage::view(std::ptrdiff_t used) const {
    const void* data = bitDepth == 16 ? static_cast<const void*>(bytes16.get()) : bytes8.get();
    const auto type = bitDepth == 16 ? pairseek::ElementType::uint16 : pairseek::ElementType::uint8;
    // Interleaved rows of `channels` samples, of which the first `used` are read.
    return {data, type, rows, cols, used, cols * channels, channels, 1};
}

namespace {

std::vector<std::uint8_t> readWholeFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw ImageFileError("is a folder, not an image file");
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) throw ImageFileError("cannot open: " + std::error_code(errno, std::generic_category()).message());
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk) break;
    }
    if (std::ferror(file.get()))
        throw ImageFileError("cannot read: " + std::error_code(errno, std::generic_category()).message());
    return bytes;
}

bool startsWith(const std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> signature) {
    return bytes.size() >= signature.size() && std::equal(signature.begin(), signature.end(), bytes.begin());
}

}  // namespace

DecodedImage readImage(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = readWholeFile(path);
    if (bytes.empty()) throw ImageFileError("empty file, not an image");
    if (startsWith(bytes, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'})) return decodePng(bytes);
    if (startsWith(bytes, {0xff, 0xd8, 0xff})) return decodeJpeg(bytes);
    throw ImageFileError("not an image: expected a PNG or a JPEG file");
}

}  // namespace pairseekCli
