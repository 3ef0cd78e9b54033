#include "folderPlan.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>
#include <system_error>

namespace pairseekCli {

namespace fs = std::filesystem;

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    return same && !ec;
}

namespace {

const std::string imageSuffix = "_image", trimapSuffix = "_trimap";

bool isImageName(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return extension == ".png" || extension == ".jpg" || extension == ".jpeg";
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The folder's image files by stem, in name order.
std::multimap<std::string, fs::path> listImages(const fs::path& folder, const char* option) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        throw std::runtime_error(folder.string() + ": " + (fs::exists(folder, ec) ? "not a folder" : "no such folder") +
                                 " (" + option + ")");
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && isImageName(it->path())) files.push_back(it->path());
    if (ec) throw std::runtime_error(folder.string() + ": cannot list the folder: " + ec.message());
    std::sort(files.begin(), files.end());
    std::multimap<std::string, fs::path> byStem;
    for (const fs::path& file : files) byStem.emplace(file.stem().string(), file);
    return byStem;
}

std::vector<fs::path> withStem(const std::multimap<std::string, fs::path>& files, const std::string& stem) {
    std::vector<fs::path> found;
    const auto range = files.equal_range(stem);
    for (auto it = range.first; it != range.second; ++it) found.push_back(it->second);
    return found;
}

std::string listed(const std::vector<fs::path>& paths) {
    std::string text;
    for (const fs::path& p : paths) text += (text.empty() ? "" : ", ") + p.string();
    return text;
}

}  // namespace

std::vector<PlannedImage> planFolder(const FolderRequest& request) {
    const auto images = listImages(request.images, "--images");
    const auto trimaps = listImages(request.trimaps, "--trimaps");
    const bool oneFolder = sameFile(request.images, request.trimaps);

    std::vector<PlannedImage> plan;
    std::map<std::string, std::vector<std::size_t>> byOutputStem;
    for (const auto& entry : images) {
        const std::string& stem = entry.first;
        const bool namedImage = endsWith(stem, imageSuffix);
        if (oneFolder && !namedImage) continue;
        const std::string caseName = namedImage ? stem.substr(0, stem.size() - imageSuffix.size()) : stem;

        PlannedImage item;
        item.name = caseName;
        item.job.image = entry.second;
        std::vector<fs::path> found = oneFolder ? std::vector<fs::path>{} : withStem(trimaps, stem);
        if (found.empty() && namedImage) found = withStem(trimaps, caseName + trimapSuffix);
        if (found.size() == 1) {
            item.job.trimap = found.front();
        } else if (found.empty()) {
            const std::string expected = oneFolder || namedImage ? caseName + trimapSuffix : stem;
            item.problem = entry.second.string() + ": no trimap; expected " + (request.trimaps / expected).string() +
                           ".png (or .jpg, .jpeg)";
        } else {
            item.problem = entry.second.string() + ": more than one trimap: " + listed(found);
        }
        item.job.alpha = request.out / (caseName + "_alpha.png");
        if (request.cutout) item.job.cutout = request.out / (caseName + "_cutout.png");
        if (request.foreground) item.job.foreground = request.out / (caseName + "_foreground.png");
        byOutputStem[caseName].push_back(plan.size());
        plan.push_back(std::move(item));
    }
    if (plan.empty())
        throw std::runtime_error(request.images.string() + ": no images to matte (looked for " +
                                 (oneFolder ? "X_image.png, .jpg or .jpeg" : "*.png, *.jpg, *.jpeg") + ")");

    // Two images that would write one output, and outputs that would replace an input.
    for (const auto& entry : byOutputStem) {
        if (entry.second.size() < 2) continue;
        std::vector<fs::path> sharing;
        for (std::size_t i : entry.second) sharing.push_back(plan[i].job.image);
        for (std::size_t i : entry.second)
            if (plan[i].problem.empty())
                plan[i].problem = plan[i].job.image.string() + ": its outputs " +
                                  (request.out / (entry.first + "_*.png")).string() + " would also be those of " +
                                  listed(sharing);
    }
    std::vector<fs::path> inputs;
    for (const PlannedImage& item : plan) {
        inputs.push_back(item.job.image);
        if (!item.job.trimap.empty()) inputs.push_back(item.job.trimap);
    }
    for (PlannedImage& item : plan) {
        bool complete = true;
        for (const fs::path& output : item.job.outputs()) {
            std::error_code ec;
            complete = complete && fs::exists(output, ec);
            for (const fs::path& input : inputs)
                if (item.problem.empty() && sameFile(output, input))
                    item.problem = item.job.image.string() + ": its output " + output.string() +
                                   " is an input file; refusing to overwrite it";
        }
        item.complete = complete && !request.overwrite;
    }
    return plan;
}

}  // namespace pairseekCli
