// JPEG through libjpeg(-turbo). Its errors and its warnings (corrupt or
// missing data, which it would otherwise paper over with grey) both end the
// decoding by longjmp; the setjmp frame holds only pointers.
#include "imageFile.h"

#include <cstdio>
#include <jpeglib.h>

#include <csetjmp>
#include <new>

namespace pairseekCli {

namespace {

struct JpegErrors {
    jpeg_error_mgr manager;   // first: libjpeg hands back a pointer to it
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = "";
    bool outOfMemory = false;
};

[[noreturn]] void onJpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

[[noreturn]] void failWith(JpegErrors* errors, const char* message) {
    std::snprintf(errors->message, sizeof errors->message, "%s", message);
    std::longjmp(errors->jump, 1);
}

void onJpegMessage(j_common_ptr info, int level) {
    if (level < 0) onJpegError(info);   // a warning: the data is damaged
}

bool allocatePixels(DecodedImage* image) {
    try {
        image->bytes8.reset(new std::uint8_t[static_cast<std::size_t>(image->rows * image->cols * image->channels)]);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool decodeInto(const std::vector<std::uint8_t>* file, JpegErrors* errors, jpeg_decompress_struct* info,
                DecodedImage* image) {
    info->err = jpeg_std_error(&errors->manager);
    errors->manager.error_exit = onJpegError;
    errors->manager.emit_message = onJpegMessage;
    if (setjmp(errors->jump)) {
        jpeg_destroy_decompress(info);
        return false;
    }
    jpeg_create_decompress(info);
    jpeg_mem_src(info, file->data(), static_cast<unsigned long>(file->size()));
    jpeg_read_header(info, TRUE);
    if (info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK)
        failWith(errors, "CMYK JPEG images are not supported; convert it to RGB");
    info->out_color_space = info->num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(info);

    image->rows = static_cast<std::ptrdiff_t>(info->output_height);
    image->cols = static_cast<std::ptrdiff_t>(info->output_width);
    image->channels = info->output_components;
    image->bitDepth = 8;
    if (!allocatePixels(image)) {
        errors->outOfMemory = true;
        failWith(errors, "out of memory");
    }
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = image->bytes8.get() + static_cast<std::ptrdiff_t>(info->output_scanline) * image->cols *
                                                  image->channels;
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    jpeg_destroy_decompress(info);
    return true;
}

}  // namespace

DecodedImage decodeJpeg(const std::vector<std::uint8_t>& file) {
    JpegErrors errors;
    jpeg_decompress_struct info;
    DecodedImage image;
    if (!decodeInto(&file, &errors, &info, &image)) {
        if (errors.outOfMemory) throw std::bad_alloc();
        throw ImageFileError(std::string("not a valid JPEG: ") + errors.message);
    }
    return image;
}

}  // namespace pairseekCli
