// The command's exit statuses, as the libvips and OpenImageIO tools use them.
#pragma once

namespace pairseekCli {

constexpr int exitDone = 0;
constexpr int exitFailed = 1;         // a file could not be read, matted or written
constexpr int exitUsage = 2;          // the command line is wrong
constexpr int exitInterrupted = 130;  // Ctrl-C or SIGTERM: 128 + SIGINT, as shells report it

}  // namespace pairseekCli
