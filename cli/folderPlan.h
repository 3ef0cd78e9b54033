// Folder mode's pairing of images with trimaps and the outputs of each,
// decided before anything is read or written.
//
// When --images and --trimaps are one folder, X_image.EXT pairs with
// X_trimap.EXT (other files are left alone). Otherwise every image S.EXT of
// --images pairs with S.EXT of --trimaps, or, when S is X_image, with
// X_trimap.EXT. EXT is png, jpg or jpeg in any case, not necessarily the
// same for both. The outputs are named after X (or S): X_alpha.png, and when
// asked X_cutout.png and X_foreground.png.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "matteJob.h"

namespace pairseekCli {

struct FolderRequest {
    std::filesystem::path images, trimaps, out;
    bool cutout = false, foreground = false, overwrite = false;
};

struct PlannedImage {
    std::string name;      // X (or S), for progress lines
    MatteJob job;
    std::string problem;   // why it cannot run, naming the file; empty when it can
    bool complete = false; // every output already there (and no --overwrite)
};

// Throws std::runtime_error, naming the folder, when a folder cannot be listed
// or holds no image.
std::vector<PlannedImage> planFolder(const FolderRequest& request);

// Whether two paths name one existing file (links and spellings resolved).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace pairseekCli
