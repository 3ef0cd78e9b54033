// PNG through libpng. libpng reports errors by longjmp: each setjmp frame
// below holds no object with a destructor of its own, only pointers to state
// owned by its caller, and the png structs are destroyed on every path.
#include "imageFile.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

namespace pairseekCli {

namespace {

struct PngState {
    const std::vector<std::uint8_t>* in = nullptr;   // reading: the file
    std::size_t position = 0;
    std::vector<std::uint8_t>* out = nullptr;        // writing: the file so far
    char message[256] = "";
    char warning[256] = "";   // the first, shown with an error it may explain
    bool outOfMemory = false;
};

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

// Alone a warning changes no pixel (ancillary-chunk trouble); before an error it often says why.
void onPngWarning(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    if (!state->warning[0]) std::snprintf(state->warning, sizeof state->warning, "%s", message);
}

void readFromMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (state->in->size() - state->position < length) png_error(png, "the file ends early (truncated PNG)");
    std::memcpy(data, state->in->data() + state->position, length);
    state->position += length;
}

void writeToMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    try {
        state->out->insert(state->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        state->outOfMemory = true;
        png_error(png, "out of memory");
    }
}

void flushNothing(png_structp) {}

bool isLittleEndian() {
    const std::uint16_t one = 1;
    std::uint8_t first;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

// Allocation happens here, outside libpng's frames, so bad_alloc unwinds only our code.
bool allocatePixels(DecodedImage* image, std::vector<png_bytep>* rowPointers, std::size_t rowBytes) {
    try {
        const auto rows = static_cast<std::size_t>(image->rows);
        const auto samples = rows * static_cast<std::size_t>(image->cols) * static_cast<std::size_t>(image->channels);
        rowPointers->resize(rows);
        if (image->bitDepth == 16) {
            image->bytes16.reset(new std::uint16_t[samples]);
            for (std::size_t r = 0; r < rows; ++r)
                (*rowPointers)[r] = reinterpret_cast<png_bytep>(image->bytes16.get()) + r * rowBytes;
        } else {
            image->bytes8.reset(new std::uint8_t[samples]);
            for (std::size_t r = 0; r < rows; ++r) (*rowPointers)[r] = image->bytes8.get() + r * rowBytes;
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Fills *image; false with state->message set on any fault.
bool decodeInto(PngState* state, DecodedImage* image, std::vector<png_bytep>* rowPointers) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state, onPngError, onPngWarning);
    if (!png) {
        state->outOfMemory = true;
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (!state->message[0]) state->outOfMemory = true;
        return false;
    }
    png_set_read_fn(png, state, readFromMemory);
    png_read_info(png, info);

    // Palette and low-bit grey become 8-bit samples; 16-bit ones come in host order.
    const int colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (png_get_bit_depth(png, info) < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_bit_depth(png, info) == 16 && isLittleEndian()) png_set_swap(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    image->rows = static_cast<std::ptrdiff_t>(png_get_image_height(png, info));
    image->cols = static_cast<std::ptrdiff_t>(png_get_image_width(png, info));
    image->channels = png_get_channels(png, info);
    image->bitDepth = png_get_bit_depth(png, info);
    if (!allocatePixels(image, rowPointers, png_get_rowbytes(png, info))) {
        state->outOfMemory = true;
        png_error(png, "out of memory");
    }
    png_read_image(png, rowPointers->data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool encodeInto(PngState* state, const std::vector<png_bytep>* rowPointers, std::ptrdiff_t rows, std::ptrdiff_t cols,
                int colourType, int bitDepth) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, state, onPngError, onPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, state, writeToMemory, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(cols), static_cast<png_uint_32>(rows), bitDepth, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rowPointers->data()));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

DecodedImage decodePng(const std::vector<std::uint8_t>& file) {
    PngState state;
    state.in = &file;
    DecodedImage image;
    std::vector<png_bytep> rowPointers;
    if (!decodeInto(&state, &image, &rowPointers)) {
        if (state.outOfMemory) throw std::bad_alloc();
        std::string message = std::string("not a valid PNG: ") + state.message;
        if (state.warning[0]) message += std::string(" (") + state.warning + ")";
        throw ImageFileError(message);
    }
    return image;
}

std::vector<std::uint8_t> encodePng(const std::vector<const double*>& planes, std::ptrdiff_t rows,
                                    std::ptrdiff_t cols, int bitDepth) {
    const auto channels = static_cast<std::ptrdiff_t>(planes.size());
    const int colourType = channels == 1   ? PNG_COLOR_TYPE_GRAY
                           : channels == 3 ? PNG_COLOR_TYPE_RGB
                                           : PNG_COLOR_TYPE_RGB_ALPHA;
    const std::ptrdiff_t sampleBytes = bitDepth == 16 ? 2 : 1;
    const unsigned maxValue = bitDepth == 16 ? 65535u : 255u;

    // Column-major planes to interleaved rows; PNG stores 16-bit samples big-endian.
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(rows * cols * channels * sampleBytes));
    std::vector<png_bytep> rowPointers(static_cast<std::size_t>(rows));
    for (std::ptrdiff_t r = 0; r < rows; ++r) {
        std::uint8_t* row = pixels.data() + r * cols * channels * sampleBytes;
        rowPointers[static_cast<std::size_t>(r)] = row;
        for (std::ptrdiff_t c = 0; c < cols; ++c)
            for (std::ptrdiff_t k = 0; k < channels; ++k) {
                const unsigned v = quantise(planes[static_cast<std::size_t>(k)][r + c * rows], maxValue);
                std::uint8_t* sample = row + (c * channels + k) * sampleBytes;
                if (bitDepth == 16) {
                    sample[0] = static_cast<std::uint8_t>(v >> 8);
                    sample[1] = static_cast<std::uint8_t>(v & 0xff);
                } else {
                    sample[0] = static_cast<std::uint8_t>(v);
                }
            }
    }

    std::vector<std::uint8_t> file;
    PngState state;
    state.out = &file;
    if (!encodeInto(&state, &rowPointers, rows, cols, colourType, bitDepth)) {
        if (state.outOfMemory || !state.message[0]) throw std::bad_alloc();
        throw ImageFileError(std::string("cannot encode PNG: ") + state.message);
    }
    return file;
}

}  // namespace pairseekCli
