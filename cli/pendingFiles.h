// Output files that appear whole or not at all: each is written to a
// temporary file beside it, then all are renamed into place together.
// Temporary files not committed are removed by the destructor; a killed
// process leaves at most one, which the next run over it replaces.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace pairseekCli {

// The temporary name of `target`: in its folder, so that the rename is atomic.
std::filesystem::path temporaryPath(const std::filesystem::path& target);

class PendingFiles {
public:
    PendingFiles() = default;
    PendingFiles(const PendingFiles&) = delete;
    PendingFiles& operator=(const PendingFiles&) = delete;
    ~PendingFiles();

    // Writes and flushes `bytes` to the temporary file of `target`; throws
    // std::runtime_error naming the target.
    void add(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes);
    // Renames every temporary file to its target, in the order added.
    void commit();

private:
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> files_;   // (temporary, target)
};

}  // namespace pairseekCli
