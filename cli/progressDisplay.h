// Progress on stderr: a bar redrawn in place when stderr is a terminal
// (the image's stage, and in folder mode the images done of all), plain
// lines with --verbose otherwise, nothing with --quiet. Errors always show.
// Safe to call from several worker threads.
#pragma once

#include <pairseek.h>

#include <chrono>
#include <map>
#include <mutex>
#include <string>

namespace pairseekCli {

enum class Verbosity { quiet, normal, verbose };

class ProgressDisplay {
public:
    // total: the images of a folder run; 0 for a single image.
    ProgressDisplay(Verbosity verbosity, int total);
    ~ProgressDisplay();

    void started(int slot, const std::string& name);
    void step(int slot, const pairseek::Progress& progress);
    // One image over (done, skipped or failed); `line`, when not empty, is shown with --verbose.
    void finished(int slot, const std::string& line);
    void error(const std::string& line);   // shown at every verbosity
    void clear();                          // removes the bar before the final summary

private:
    struct Running {
        std::string name, stage;
        double fraction = 0;
    };
    void printLine(const std::string& line);
    void draw(bool force);
    void erase();

    std::mutex mutex_;
    bool bar_, lines_, verbose_;
    int total_, finished_ = 0;
    bool drawn_ = false;
    std::map<int, Running> running_;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace pairseekCli
