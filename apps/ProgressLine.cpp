#include "ProgressLine.h"

#include <algorithm>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace {

void writeAll(const std::string &text) {
    const char *p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n <= 0) return; // a terminal that went away: nothing more to say
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// The label as the terminal may show it: no control character reaches it raw (C0, DEL and the
// C1 controls, which UTF-8 writes as 0xC2 0x80 to 0xC2 0x9F). Cut to `columns` characters,
// keeping its end, where the file name is.
std::string printable(const std::string &label, std::size_t columns) {
    std::vector<std::string> chars;
    for (std::size_t i = 0; i < label.size();) {
        const auto c = static_cast<unsigned char>(label[i]);
        std::size_t length = c < 0x80 ? 1 : c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 1;
        length = std::min(length, label.size() - i);
        const bool c1 = c == 0xc2 && length == 2 && static_cast<unsigned char>(label[i + 1]) < 0xa0;
        if (c < 0x20 || c == 0x7f || c1)
            chars.emplace_back("?");
        else
            chars.push_back(label.substr(i, length));
        i += length;
    }
    std::string out;
    std::size_t first = 0;
    if (chars.size() > columns && columns > 0) {
        first = chars.size() - columns + 1;
        out = "…";
    } else if (columns == 0) {
        first = chars.size();
    }
    for (std::size_t i = first; i < chars.size(); ++i)
        out += chars[i];
    return out;
}

} // namespace

ProgressLine::ProgressLine() : active_(::isatty(STDERR_FILENO) == 1) {
    winsize size{};
    if (active_ && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        width_ = size.ws_col;
}

void ProgressLine::show(double done, const std::string &label) {
    if (!active_) return;
    const int percent = static_cast<int>(std::clamp(done, 0.0, 1.0) * 100);
    const auto now = std::chrono::steady_clock::now();
    if (percent == percent_ && now - drawn_ < std::chrono::milliseconds(100)) return;
    percent_ = percent;
    drawn_ = now;
    char head[16];
    std::snprintf(head, sizeof head, "%3d %% ", percent);
    // One column spare: a line as wide as the terminal wraps on some of them.
    constexpr int kHead = 6; // "100 % "
    const auto room = static_cast<std::size_t>(std::max(width_ - kHead - 1, 0));
    writeAll("\r" + std::string(head) + printable(label, room) + "\x1b[K");
    shown_ = true;
}

void ProgressLine::clear() {
    if (!shown_) return;
    writeAll("\r\x1b[K");
    shown_ = false;
    percent_ = -1;
}
