// pairseek: the matte pipeline as a command over image files and folders.
// Parses the command line, checks it whole, then hands each image to the
// pipeline (matteJob) and reports; the matting itself is all in the library.
#include <CLI/CLI.hpp>
#include <pairseek.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "background.h"
#include "exitStatus.h"
#include "folderPlan.h"
#include "folderRun.h"
#include "heapPolicy.h"
#include "interrupt.h"
#include "matteJob.h"
#include "progressDisplay.h"

namespace fs = std::filesystem;
using namespace pairseekCli;

namespace {

const char* const footer = R"(Masks:
  --mask MASK.png in place of TRIMAP makes the trimap from a rough mask (a
  selection's, a segmentation's; any PNG or JPEG, the first channel read,
  scaled to 0..1): values <= --mask-low are background, >= --mask-high
  foreground, those between unknown, and an unknown band of --band pixels is
  cut on each side of the mask's edge. --trimap-out T.png saves the trimap
  made (8-bit grey: 0, 128, 255). A mask with no foreground or no background
  is an error.

Backgrounds:
  --background with --cutout writes the cut-out over a new background, as an
  RGB PNG: a colour (#rrggbb; r,g,b with each 0..255; or white, black, grey,
  green) or an image file of the same size as the image (a file named like a
  colour: write ./white).

Folder mode:
  --images DIR --trimaps DIR --out DIR mattes every image of a folder
  (--masks DIR in place of --trimaps: X_mask.EXT in place of X_trimap.EXT).
  When --images and --trimaps are the same folder, X_image.EXT pairs with
  X_trimap.EXT and other files are left alone. Otherwise each image S.EXT in
  --images pairs with S.EXT in --trimaps or, when S is X_image, with
  X_trimap.EXT. EXT is png, jpg or jpeg. Outputs go to --out as X_alpha.png
  (X = S without _image), with --cutout also X_cutout.png and with
  --foreground X_foreground.png. --out cannot be the folder of X_image and
  X_trimap pairs: there X_alpha.png names the reference matte. An image whose
  outputs all exist is skipped (outputs are written whole or not at all)
  unless --overwrite. A failed image does not stop the others; the summary
  lists each failure.

Images: PNG (8 or 16-bit; grey, grey + alpha, RGB, RGBA; any alpha channel is
  ignored) or JPEG. Trimaps: 0 background, 255 (65535 at 16 bits) foreground,
  any other value unknown; of a colour trimap the first channel is read.
Outputs: alpha as a grey PNG; the cut-out as an RGBA PNG (foreground colour,
  alpha as its alpha; RGB over --background); the foreground as an RGB PNG;
  8 bits unless --depth 16.
Exit status: 0 done, 1 failed, 2 bad usage, 130 interrupted (Ctrl-C).)";

struct CommandLine {
    std::string image, trimap, mask, output;
    std::optional<std::string> cutout, foreground;   // "" in folder mode: asked for, named after the image
    std::optional<std::string> trimapOut;
    std::string images, trimaps, masks, out;
    int jobs = 0;
    bool overwrite = false;
    MatteSettings settings;
    Verbosity verbosity = Verbosity::normal;
};

struct UsageError {
    std::string message;
};

bool isPngName(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return extension == ".png";
}

// Outputs of one image: PNG names, distinct, none of them an input or a folder.
void checkSingleOutputs(const CommandLine& line) {
    if (line.cutout && line.cutout->empty()) throw UsageError{"--cutout needs a file name, e.g. --cutout cutout.png"};
    if (line.foreground && line.foreground->empty())
        throw UsageError{"--foreground needs a file name, e.g. --foreground foreground.png"};
    std::vector<std::pair<const char*, fs::path>> outputs{{"-o", line.output}};
    if (line.cutout) outputs.emplace_back("--cutout", *line.cutout);
    if (line.foreground) outputs.emplace_back("--foreground", *line.foreground);
    if (line.trimapOut) outputs.emplace_back("--trimap-out", *line.trimapOut);
    std::vector<fs::path> inputs{line.image};
    for (const std::string& path : {line.trimap, line.mask})
        if (!path.empty()) inputs.emplace_back(path);
    if (line.settings.background.image) inputs.push_back(*line.settings.background.image);
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const fs::path& path = outputs[i].second;
        if (!isPngName(path))
            throw UsageError{std::string(outputs[i].first) + " " + path.string() +
                             ": outputs are PNG files; name it *.png"};
        for (const fs::path& input : inputs)
            if (path == input || sameFile(path, input))
                throw UsageError{std::string(outputs[i].first) + " " + path.string() +
                                 " is an input file; refusing to overwrite it"};
        for (std::size_t j = 0; j < i; ++j)
            if (path == outputs[j].second || sameFile(path, outputs[j].second))
                throw UsageError{std::string(outputs[i].first) + " and " + outputs[j].first + " both name " +
                                 path.string()};
    }
}

// Output folders are made when missing; one that is a file cannot be.
std::string outputFolderProblem(const CommandLine& line) {
    std::vector<fs::path> outputs{line.output};
    if (line.cutout) outputs.emplace_back(*line.cutout);
    if (line.foreground) outputs.emplace_back(*line.foreground);
    if (line.trimapOut) outputs.emplace_back(*line.trimapOut);
    for (const fs::path& path : outputs) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) return path.string() + ": is a folder";
        for (fs::path folder = path.parent_path(); !folder.empty(); folder = folder.parent_path()) {
            if (fs::exists(folder, ec)) {
                if (!fs::is_directory(folder, ec)) return path.string() + ": " + folder.string() + " is not a folder";
                break;
            }
            if (folder == folder.parent_path()) break;
        }
    }
    return "";
}

int runSingle(const CommandLine& line) {
    checkSingleOutputs(line);
    const std::string problem = outputFolderProblem(line);
    if (!problem.empty()) {
        std::fprintf(stderr, "pairseek: %s\n", problem.c_str());
        return exitFailed;
    }
    MatteJob job;
    job.image = line.image;
    job.trimap = line.trimap;
    job.mask = line.mask;
    job.alpha = line.output;
    if (line.cutout) job.cutout = fs::path(*line.cutout);
    if (line.foreground) job.foreground = fs::path(*line.foreground);
    if (line.trimapOut) job.trimapOut = fs::path(*line.trimapOut);

    ProgressDisplay display(line.verbosity, 0);
    const std::string name = fs::path(line.image).filename().string();
    display.started(0, name);
    try {
        runMatteJob(job, line.settings, [&](const pairseek::Progress& p) {
            display.step(0, p);
            return !interrupted();
        });
    } catch (const JobError& e) {
        display.clear();
        std::fprintf(stderr, "pairseek: %s\n", e.what());
        return e.cancelled() ? exitInterrupted : exitFailed;
    }
    display.finished(0, "wrote " + job.alpha.string());
    return exitDone;
}

int runFolderMode(const CommandLine& line) {
    if (line.cutout && !line.cutout->empty())
        throw UsageError{"--cutout takes no file name in folder mode (outputs are named after the images); got " +
                         *line.cutout};
    if (line.foreground && !line.foreground->empty())
        throw UsageError{"--foreground takes no file name in folder mode; got " + *line.foreground};
    FolderRequest request;
    request.images = line.images;
    request.masks = !line.masks.empty();
    request.trimaps = request.masks ? line.masks : line.trimaps;
    request.out = line.out;
    if (line.settings.background.image) request.background = *line.settings.background.image;
    request.cutout = line.cutout.has_value();
    request.foreground = line.foreground.has_value();
    request.overwrite = line.overwrite;
    std::error_code ec;
    if (fs::exists(request.out, ec) && !fs::is_directory(request.out, ec))
        throw UsageError{"--out " + line.out + ": not a folder"};
    // In that layout X_alpha.png beside X_image.png is the reference matte, not ours to replace.
    if (sameFile(request.images, request.trimaps) && sameFile(request.out, request.images))
        throw UsageError{"--out " + line.out + " is the folder of the X_image / X_" +
                         (request.masks ? "mask" : "trimap") + " pairs, where X_alpha.png "
                         "files are reference mattes; write the outputs to another folder"};

    std::vector<PlannedImage> plan;
    try {
        plan = planFolder(request);
        fs::create_directories(request.out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pairseek: %s\n", e.what());
        return exitFailed;
    }
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int workers = line.jobs > 0 ? line.jobs : cores;
    // The cores are split between the images at once: each matte runs on its share.
    MatteSettings settings = line.settings;
    settings.options.threads = std::max(1, cores / std::max(1, std::min(workers, static_cast<int>(plan.size()))));
    return runFolder(plan, settings, workers, line.verbosity);
}

}  // namespace

int main(int argc, char** argv) {
    pairseekCli::keepFreedMemory();
    CLI::App app{"pairseek: the alpha matte of an image from its trimap (or a rough mask), or of every image in a "
                 "folder.\n"
                 "  pairseek IMAGE TRIMAP -o ALPHA.png [--cutout CUTOUT.png [--background COLOUR|IMAGE]] [options]\n"
                 "  pairseek IMAGE --mask MASK.png -o ALPHA.png [--trimap-out TRIMAP.png] [options]\n"
                 "  pairseek --images DIR --trimaps DIR --out DIR [-j N] [--cutout] [options]\n",
                 "pairseek"};
    app.footer(footer);
    app.set_version_flag("--version", std::string("pairseek ") + pairseek::version());
    app.get_formatter()->column_width(30);

    CommandLine line;
    pairseek::MatteOptions& options = line.settings.options;
    app.add_option("image", line.image, "The image (PNG or JPEG)")->type_name("IMAGE");
    app.add_option("trimap", line.trimap, "Its trimap (PNG or JPEG), the same size")->type_name("TRIMAP");
    auto* mask = app.add_option("--mask", line.mask, "In place of TRIMAP: a rough mask to make the trimap from")
                     ->type_name("FILE");
    app.add_option("-o,--output", line.output, "The alpha matte to write (PNG; its folder is made if missing)")
        ->type_name("FILE");
    app.add_option("--cutout", line.cutout, "Also write the cut-out, RGBA (PNG); in folder mode a flag")
        ->expected(0, 1)
        ->type_name("[FILE]");
    app.add_option("--foreground", line.foreground,
                   "Also write the foreground colour, RGB (PNG); in folder mode a flag")
        ->expected(0, 1)
        ->type_name("[FILE]");
    std::string background;
    auto* backgroundOption =
        app.add_option("--background", background,
                       std::string("With --cutout: put the cut-out over a colour (") + backgroundColourHelp +
                           ") or an image of the same size; written as RGB")
            ->type_name("COLOUR|IMAGE");
    std::string foregroundColours = "estimated";
    app.add_option("--foreground-colours,--foreground-colors", foregroundColours,
                   "Colours of the cut-out and foreground at the unknown pixels: estimated from the image and the "
                   "alpha, or each pixel's chosen foreground sample")
        ->check(CLI::IsMember({"estimated", "samples"}))
        ->capture_default_str();
    pairseek::TrimapOptions& trimapOptions = line.settings.trimapOptions;
    auto* band = app.add_option("--band", trimapOptions.band,
                                "With --mask: unknown band on each side of the mask's edge, in pixels (default: 2 % "
                                "of the square root of the object's area, within 3..30)")
                     ->type_name("PIXELS");
    auto* maskLow = app.add_option("--mask-low", trimapOptions.low,
                                   "With --mask: mask values (1 = 255, or 65535 at 16 bits) up to this are background")
                        ->capture_default_str();
    auto* maskHigh = app.add_option("--mask-high", trimapOptions.high, "With --mask: values from this are foreground")
                         ->capture_default_str();
    app.add_option("--trimap-out", line.trimapOut, "With --mask: also write the trimap made (PNG)")
        ->type_name("FILE");
    auto* images = app.add_option("--images", line.images, "Folder mode: the folder of images")->type_name("DIR");
    auto* trimaps = app.add_option("--trimaps", line.trimaps, "Folder mode: the folder of trimaps")->type_name("DIR");
    auto* masks = app.add_option("--masks", line.masks, "Folder mode: in place of --trimaps, the folder of masks")
                      ->type_name("DIR");
    auto* out = app.add_option("--out", line.out, "Folder mode: the folder for the outputs (made if missing)")
                    ->type_name("DIR");
    auto* jobs = app.add_option("-j,--jobs", line.jobs, "Folder mode: images at once (default: the processor's cores)")
        ->check(CLI::PositiveNumber);
    auto* overwrite =
        app.add_flag("--overwrite", line.overwrite, "Folder mode: matte again images whose outputs exist");
    app.add_option("--passes", options.passes, "Search passes")->capture_default_str();
    app.add_option("--seed", options.seed, "Seed of the random search; the same seed gives the same matte")
        ->capture_default_str();
    app.add_option("--decay", options.decay, "Shrink factor of the search radii, in [0, 1)")->capture_default_str();
    app.add_option("--colour-weight,--color-weight", options.colourWeight,
                   "Weight of the colour misfit against the distances")
        ->capture_default_str();
    bool noRefine = false;
    app.add_flag("--no-refine", noRefine, "The search's own alpha, without the smoothing refinement");
    app.add_option("--gamma", options.gamma,
                   "Alphas are read as blends of value^gamma, in [0.25, 4]: above 1 for photographs, "
                   "1 for composites blended in their stored values")
        ->capture_default_str();
    app.add_option("--depth", line.settings.depth, "Bits per sample of the written PNGs")
        ->check(CLI::IsMember({8, 16}))
        ->capture_default_str();
    auto* quiet = app.add_flag("-q,--quiet", "No progress, no summary; only errors");
    auto* verbose = app.add_flag("-v,--verbose", "Progress as plain lines when stderr is not a terminal");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);   // --help, --version
        std::fprintf(stderr, "pairseek: %s\nRun 'pairseek --help' for usage.\n", e.what());
        return exitUsage;
    }
    options.refine = !noRefine;
    options.foreground =
        foregroundColours == "samples" ? pairseek::Foreground::samples : pairseek::Foreground::estimated;
    line.verbosity = quiet->count() ? Verbosity::quiet : verbose->count() ? Verbosity::verbose : Verbosity::normal;

    try {
        const bool folderMode = images->count() || trimaps->count() || masks->count() || out->count();
        if (folderMode && !(images->count() && (trimaps->count() || masks->count()) && out->count()))
            throw UsageError{"folder mode needs --images, --trimaps (or --masks) and --out together"};
        if (trimaps->count() && masks->count())
            throw UsageError{"--trimaps and --masks exclude each other; give one"};
        if (folderMode && (!line.image.empty() || !line.output.empty()))
            throw UsageError{"IMAGE TRIMAP -o FILE and --images --trimaps --out are two modes; give one"};
        if (folderMode && (mask->count() || line.trimapOut))
            throw UsageError{std::string(mask->count() ? "--mask" : "--trimap-out") +
                             " is for one image; in folder mode give --masks DIR"};
        if (!folderMode && !line.trimap.empty() && mask->count())
            throw UsageError{"TRIMAP and --mask " + line.mask + " exclude each other; give the trimap or the mask"};
        if (!folderMode && (line.image.empty() || (line.trimap.empty() && line.mask.empty()) || line.output.empty()))
            throw UsageError{"expected IMAGE TRIMAP -o ALPHA.png (or IMAGE --mask MASK -o ALPHA.png), or --images "
                             "DIR --trimaps DIR --out DIR"};
        const bool fromMasks = mask->count() || masks->count();
        if (!fromMasks && (band->count() || maskLow->count() || maskHigh->count() || line.trimapOut))
            throw UsageError{std::string(band->count() ? "--band" : maskLow->count() ? "--mask-low"
                                         : maskHigh->count() ? "--mask-high" : "--trimap-out") +
                             " is for trimaps made from a mask; give --mask (or --masks)"};
        // The library reads a negative band as "the default"; on the command line that is leaving it out.
        if (band->count() && !(trimapOptions.band >= 0))
            throw UsageError{"--band: expected a number of pixels >= 0 (leave it out for the default); got " +
                             band->as<std::string>()};
        if (backgroundOption->count()) {
            if (!line.cutout) throw UsageError{"--background needs --cutout: it is the cut-out that goes over it"};
            try {
                line.settings.background = parseBackground(background);
            } catch (const std::invalid_argument& e) {
                throw UsageError{e.what()};
            }
        }
        const std::string trimapProblem = trimapOptionProblem(trimapOptions);
        if (!trimapProblem.empty()) throw UsageError{"--band, --mask-low, --mask-high: " + trimapProblem};
        if (!folderMode && (jobs->count() || overwrite->count()))
            throw UsageError{std::string(jobs->count() ? "-j" : "--overwrite") + " is for folder mode only"};
        if (quiet->count() && verbose->count()) throw UsageError{"--quiet and --verbose exclude each other"};
        const std::string problem = optionProblem(options);
        if (!problem.empty()) throw UsageError{problem};
        catchInterrupts();
        return folderMode ? runFolderMode(line) : runSingle(line);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "pairseek: %s\nRun 'pairseek --help' for usage.\n", e.message.c_str());
        return exitUsage;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "pairseek: not enough memory\n");
        return exitFailed;
    }
}
