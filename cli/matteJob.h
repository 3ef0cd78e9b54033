// One image through the pipeline: read the image and the trimap, matte, then
// write the requested outputs whole (alpha last) or none of them.
#pragma once

#include <pairseek.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pairseekCli {

struct MatteJob {
    std::filesystem::path image, trimap;
    std::filesystem::path alpha;
    std::optional<std::filesystem::path> cutout, foreground;

    std::vector<std::filesystem::path> outputs() const {
        std::vector<std::filesystem::path> all{alpha};
        if (cutout) all.push_back(*cutout);
        if (foreground) all.push_back(*foreground);
        return all;
    }
};

struct MatteSettings {
    pairseek::MatteOptions options;   // the progress callback is set per job
    int depth = 8;                    // bits per sample of the written PNGs
};

// What went wrong, in words that name the file; `cancelled` after an interrupt.
class JobError : public std::runtime_error {
public:
    JobError(const std::string& message, bool cancelled = false)
        : std::runtime_error(message), cancelled_(cancelled) {}
    bool cancelled() const { return cancelled_; }

private:
    bool cancelled_;
};

// Throws JobError; `progress` sees the pipeline's stages and may cancel.
void runMatteJob(const MatteJob& job, const MatteSettings& settings, const pairseek::ProgressCallback& progress);

// The pipeline's verdict on the options alone (it checks them before any
// pixel), so that bad values are usage errors, found before any file is read.
// Returns the pipeline's message, or an empty string when they are valid.
std::string optionProblem(const pairseek::MatteOptions& options);

}  // namespace pairseekCli
