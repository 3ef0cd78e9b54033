#include "matteJob.h"

#include <array>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <vector>

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

std::string sizeText(const DecodedImage& image) {
    return std::to_string(image.rows) + " rows x " + std::to_string(image.cols) + " columns";
}

// The pipeline's verdict on the background image before the matte is spent:
// a composite of the image over it, under an alpha of zeros.
void checkBackground(const MatteJob& job, const DecodedImage& image, const std::filesystem::path& path,
                     const DecodedImage& background) {
    static const std::uint8_t zero = 0;
    const pairseek::ArrayView zeros{&zero, pairseek::ElementType::uint8, image.rows, image.cols, 1, 0, 0, 0};
    try {
        pairseek::composite(image.colour(), zeros, background.colour());
    } catch (const pairseek::MatteError& e) {
        if (e.code() == "sizeMismatch")
            throw JobError(path.string() + ": the background image is " + sizeText(background) + ", " +
                           job.image.string() + " " + sizeText(image) + "; they must have one size");
        throw JobError(path.string() + ": " + e.what());
    }
}

std::vector<std::uint8_t> trimapOfMask(const std::filesystem::path& path, const DecodedImage& mask,
                                       const pairseek::TrimapOptions& options) {
    try {
        return pairseek::trimapFromMask(mask.firstChannel(), options);
    } catch (const pairseek::MatteError& e) {
        throw JobError(path.string() + ": " + e.what());
    }
}

}  // namespace

void runMatteJob(const MatteJob& job, const MatteSettings& settings, const pairseek::ProgressCallback& progress) {
    const bool fromMask = !job.mask.empty();
    const std::filesystem::path& guidePath = fromMask ? job.mask : job.trimap;
    const DecodedImage image = readInput(job.image);
    const DecodedImage guide = readInput(guidePath);
    const std::string inputs = job.image.string() + ", " + guidePath.string();

    std::optional<DecodedImage> background;
    if (job.cutout && settings.background.image) {
        background = readInput(*settings.background.image);
        checkBackground(job, image, *settings.background.image, *background);
    }
    // Made from the mask: rows x cols bytes, column-major.
    const std::vector<std::uint8_t> madeTrimap =
        fromMask ? trimapOfMask(job.mask, guide, settings.trimapOptions) : std::vector<std::uint8_t>{};
    const pairseek::ArrayView trimap =
        fromMask ? pairseek::ArrayView::columnMajor(madeTrimap.data(), pairseek::ElementType::uint8, guide.rows,
                                                    guide.cols)
                 : guide.firstChannel();

    pairseek::MatteOptions options = settings.options;
    options.progress = progress;
    pairseek::Matte matte;
    try {
        matte = pairseek::pairMatte(image.colour(), trimap, options);
    } catch (const pairseek::MatteError& e) {
        if (e.kind() == pairseek::MatteError::Kind::cancelled) throw JobError(inputs + ": cancelled", true);
        if (fromMask && e.code() == "sizeMismatch")   // the pipeline saw the trimap made, not the mask
            throw JobError(job.mask.string() + ": the mask is " + sizeText(guide) + ", " + job.image.string() + " " +
                           sizeText(image) + "; they must have one size");
        throw JobError(inputs + ": " + e.what());
    }
    if (interrupted()) throw JobError(inputs + ": cancelled", true);

    const std::ptrdiff_t rows = matte.rows, cols = matte.cols, plane = rows * cols;
    const double* alpha = matte.alpha.data();
    const double* red = matte.foreground.data();
    const double* green = red + plane;
    const double* blue = green + plane;
    try {
        pairseek::ColourImage composed;
        if (job.cutout && (settings.background.colour || background)) {
            const auto foregroundView =
                pairseek::ArrayView::columnMajor(red, pairseek::ElementType::float64, rows, cols, 3);
            const auto alphaView = pairseek::ArrayView::columnMajor(alpha, pairseek::ElementType::float64, rows, cols);
            if (background) {
                composed = pairseek::composite(foregroundView, alphaView, background->colour());
            } else {
                const std::array<double, 3>& c = *settings.background.colour;
                composed = pairseek::composite(foregroundView, alphaView, c[0], c[1], c[2]);
            }
        }
        for (const std::filesystem::path& path : job.outputs())
            if (!path.parent_path().empty()) std::filesystem::create_directories(path.parent_path());
        PendingFiles files;
        if (job.cutout && !composed.planes.empty()) {
            const double* over = composed.planes.data();
            files.add(*job.cutout, encodePng({over, over + plane, over + 2 * plane}, rows, cols, settings.depth));
        } else if (job.cutout) {
            files.add(*job.cutout, encodePng({red, green, blue, alpha}, rows, cols, settings.depth));
        }
        if (job.foreground) files.add(*job.foreground, encodePng({red, green, blue}, rows, cols, settings.depth));
        if (job.trimapOut) {
            std::vector<double> levels(madeTrimap.begin(), madeTrimap.end());
            for (double& v : levels) v /= 255;
            files.add(*job.trimapOut, encodePng({levels.data()}, rows, cols, 8));
        }
        files.add(job.alpha, encodePng({alpha}, rows, cols, settings.depth));
        files.commit();
    } catch (const std::bad_alloc&) {
        throw JobError(inputs + ": not enough memory to write the outputs");
    } catch (const pairseek::MatteError& e) {
        throw JobError(inputs + ": " + e.what());
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
                                 : e.code() == "Gamma"        ? "--gamma"
                                                              : "";
        return (flag.empty() ? "" : flag + ": ") + e.what();
    }
    return "";
}

}  // namespace pairseekCli

namespace pairseekCli {

std::string trimapOptionProblem(const pairseek::TrimapOptions& options) {
    // An empty mask: the options are checked first, then the mask is found empty.
    const pairseek::ArrayView none = pairseek::ArrayView::interleaved(nullptr, pairseek::ElementType::uint8, 0, 0, 1);
    try {
        pairseek::trimapFromMask(none, options);
    } catch (const pairseek::MatteError& e) {
        if (e.code() == "trimapOption") return e.what();
    }
    return "";
}

}  // namespace pairseekCli
