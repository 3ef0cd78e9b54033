#include "matteJob.h"

#include <new>

#include "imageFile.h"
#include "interrupt.h"
#include "pendingFiles.h"

namespace pairseekCli {

namespace {

DecodedImage readInput(const std::filesystem::path& path) {
    try {
        return readImage(path);
    } catch (const ImageFileError& e) {
        throw JobError(path.string() + ": " + e.what());
    } catch (const std::bad_alloc&) {
        throw JobError(path.string() + ": not enough memory to read it");
    }
}

}  // namespace

void runMatteJob(const MatteJob& job, const MatteSettings& settings, const pairseek::ProgressCallback& progress) {
    const DecodedImage image = readInput(job.image);
    const DecodedImage trimap = readInput(job.trimap);
    const std::string inputs = job.image.string() + ", " + job.trimap.string();

    pairseek::MatteOptions options = settings.options;
    options.progress = progress;
    pairseek::Matte matte;
    try {
        matte = pairseek::pairMatte(image.colour(), trimap.firstChannel(), options);
    } catch (const pairseek::MatteError& e) {
        if (e.kind() == pairseek::MatteError::Kind::cancelled) throw JobError(inputs + ": cancelled", true);
        throw JobError(inputs + ": " + e.what());
    }
    if (interrupted()) throw JobError(inputs + ": cancelled", true);

    const std::ptrdiff_t rows = matte.rows, cols = matte.cols, plane = rows * cols;
    const double* alpha = matte.alpha.data();
    const double* red = matte.foreground.data();
    const double* green = red + plane;
    const double* blue = green + plane;
    try {
        for (const std::filesystem::path& path : job.outputs())
            if (!path.parent_path().empty()) std::filesystem::create_directories(path.parent_path());
        PendingFiles files;
        if (job.cutout) files.add(*job.cutout, encodePng({red, green, blue, alpha}, rows, cols, settings.depth));
        if (job.foreground) files.add(*job.foreground, encodePng({red, green, blue}, rows, cols, settings.depth));
        files.add(job.alpha, encodePng({alpha}, rows, cols, settings.depth));
        files.commit();
    } catch (const std::bad_alloc&) {
        throw JobError(inputs + ": not enough memory to write the outputs");
    } catch (const ImageFileError& e) {
        throw JobError(inputs + ": " + e.what());
    } catch (const std::filesystem::filesystem_error& e) {
        throw JobError(e.path1().string() + ": cannot make the folder: " + e.code().message());
    } catch (const std::runtime_error& e) {
        throw JobError(e.what());
    }
}

std::string optionProblem(const pairseek::MatteOptions& options) {
    // An empty image: only the options are checked, nothing is computed.
    const pairseek::ArrayView none = pairseek::ArrayView::interleaved(nullptr, pairseek::ElementType::uint8, 0, 0, 3);
    const pairseek::ArrayView noTrimap =
        pairseek::ArrayView::interleaved(nullptr, pairseek::ElementType::uint8, 0, 0, 1);
    pairseek::MatteOptions checked = options;
    checked.progress = nullptr;
    try {
        pairseek::pairMatte(none, noTrimap, checked);
    } catch (const pairseek::MatteError& e) {
        // The pipeline names its options as its hosts' name-value pairs do; say which flag.
        const std::string flag = e.code() == "Passes"         ? "--passes"
                                 : e.code() == "Decay"        ? "--decay"
                                 : e.code() == "ColourWeight" ? "--colour-weight"
                                                              : "";
        return (flag.empty() ? "" : flag + ": ") + e.what();
    }
    return "";
}

}  // namespace pairseekCli
