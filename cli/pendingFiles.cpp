#include "pendingFiles.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace pairseekCli {

std::filesystem::path temporaryPath(const std::filesystem::path& target) {
    std::filesystem::path temporary = target;
    temporary += ".pairseek-tmp";
    return temporary;
}

namespace {

[[noreturn]] void failWriting(const std::filesystem::path& target, const char* what) {
    throw std::runtime_error(target.string() + ": cannot " + what + ": " +
                             std::error_code(errno, std::generic_category()).message());
}

}  // namespace

PendingFiles::~PendingFiles() {
    for (const auto& file : files_) std::remove(file.first.c_str());
}

void PendingFiles::add(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes) {
    const std::filesystem::path temporary = temporaryPath(target);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) failWriting(target, "write");
    files_.emplace_back(temporary, target);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            failWriting(target, "write");
        }
        written += static_cast<std::size_t>(n);
    }
    // On disk before the rename, so that a crash leaves the old file or the whole new one.
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    if (::close(fd) != 0 || !synced) {
        if (!synced) errno = error;
        failWriting(target, "write");
    }
}

void PendingFiles::commit() {
    while (!files_.empty()) {
        const auto& file = files_.front();
        if (std::rename(file.first.c_str(), file.second.c_str()) != 0) failWriting(file.second, "rename into place");
        files_.erase(files_.begin());
    }
}

}  // namespace pairseekCli
