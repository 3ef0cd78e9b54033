#include "progressDisplay.h"

#include <cstdio>
#include <cstring>
#include <sys/ioctl.h>
#include <unistd.h>

namespace pairseekCli {

namespace {

// A rough share of one image's time for each stage, for the bar only.
double fractionOf(const pairseek::Progress& p) {
    const double within = p.steps > 0 ? static_cast<double>(p.step) / p.steps : 0;
    if (std::strcmp(p.stage, "scan") == 0) return 0.05 * within;
    if (std::strcmp(p.stage, "search") == 0) return 0.05 + 0.70 * within;
    if (std::strcmp(p.stage, "refine") == 0) return 0.75 + 0.20 * within;
    return 0.95 + 0.05 * within;
}

std::string stageText(const pairseek::Progress& p) {
    std::string text = p.stage;
    if (p.steps > 1) text += " " + std::to_string(p.step) + "/" + std::to_string(p.steps);
    return text;
}

std::string barOf(double fraction, int width) {
    const int filled = static_cast<int>(fraction * width + 0.5);
    std::string bar = "[";
    for (int i = 0; i < width; ++i) bar += i < filled ? '#' : '-';
    return bar + "]";
}

int terminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20) return size.ws_col;
    return 80;
}

}  // namespace

ProgressDisplay::ProgressDisplay(Verbosity verbosity, int total)
    : bar_(verbosity != Verbosity::quiet && ::isatty(STDERR_FILENO)),
      lines_(!bar_ && verbosity == Verbosity::verbose),
      verbose_(verbosity == Verbosity::verbose),
      total_(total) {}

ProgressDisplay::~ProgressDisplay() { clear(); }

void ProgressDisplay::started(int slot, const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    running_[slot] = {name, "reading", 0};
    if (lines_) printLine(name + ": reading");
    draw(false);
}

void ProgressDisplay::step(int slot, const pairseek::Progress& progress) {
    std::lock_guard<std::mutex> lock(mutex_);
    Running& running = running_[slot];
    running.stage = stageText(progress);
    running.fraction = fractionOf(progress);
    if (lines_) printLine(running.name + ": " + running.stage);
    draw(false);
}

void ProgressDisplay::finished(int slot, const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    running_.erase(slot);
    ++finished_;
    if (verbose_ && !line.empty()) printLine(line);
    draw(true);
}

void ProgressDisplay::error(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    printLine(line);
    draw(true);
}

void ProgressDisplay::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    erase();
}

void ProgressDisplay::printLine(const std::string& line) {
    erase();
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void ProgressDisplay::erase() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

void ProgressDisplay::draw(bool force) {
    if (!bar_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && drawn_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;

    std::string text;
    if (total_ > 0) {
        text = std::to_string(finished_) + "/" + std::to_string(total_) + " images " +
               barOf(static_cast<double>(finished_) / total_, 20);
        for (const auto& slot : running_) text += "  " + slot.second.name + ": " + slot.second.stage;
    } else if (!running_.empty()) {
        const Running& running = running_.begin()->second;
        text = running.name + " " + barOf(running.fraction, 30) + " " + running.stage;
    }
    const auto columns = static_cast<std::size_t>(terminalColumns() - 1);
    if (text.size() > columns) text.resize(columns);
    std::fprintf(stderr, "\r%s\033[K", text.c_str());
    std::fflush(stderr);
    drawn_ = !text.empty();
}

}  // namespace pairseekCli
