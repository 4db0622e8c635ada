// One line of progress on standard error, redrawn in place, for the command-line tools: the
// percentage done and what is being worked on. Only when standard error is a terminal; written
// to a file or a pipe, the tools' output stays what it is without it.
#pragma once

#include <chrono>
#include <string>

class ProgressLine {
public:
    ProgressLine();
    ~ProgressLine() { clear(); }
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    bool active() const { return active_; }
    // `done` from 0 to 1; `label` is cut to the terminal's width and its control characters
    // shown as '?'. Redrawn at most ten times a second, and whenever the percentage changes.
    void show(double done, const std::string &label);
    // Erases the line: call it before anything else is written to the terminal.
    void clear();

private:
    bool active_ = false;
    bool shown_ = false;
    int width_ = 80;
    int percent_ = -1;
    std::chrono::steady_clock::time_point drawn_{};
};
