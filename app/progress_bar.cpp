#include "app/progress_bar.h"

#include "standin/standin.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace dxfcnv {

namespace {

constexpr int kBarWidth = 40;

} // namespace

ProgressBar::ProgressBar(HWND map) : map_(map), enabled_(::isatty(STDERR_FILENO) == 1) {
    if (!enabled_) {
        return;
    }
    standin::SetMapMessageObserver(map_, [this](UINT message, WPARAM wParam, LPARAM lParam) {
        OnMessage(message, wParam, lParam);
        return LRESULT{0};
    });
}

ProgressBar::~ProgressBar() {
    if (enabled_) {
        standin::SetMapMessageObserver(map_, nullptr);
    }
    Finish();
}

void ProgressBar::Finish() {
    if (shown_) {
        // Carriage return and "erase line" leave the terminal line as it was before the bar.
        std::fputs("\r\033[K", stderr);
        shown_ = false;
    }
}

void ProgressBar::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kProgressMessage || wParam != kProgressWParam) {
        return;
    }
    if (lParam == kProgressStart) {
        Draw(0);
    } else if (lParam == kProgressEnd) {
        Finish();
    } else if (lParam >= 0 && lParam <= 100) {
        Draw(static_cast<int>(lParam));
    }
}

void ProgressBar::Draw(int percent) {
    const int filled = percent * kBarWidth / 100;
    std::string line = "\r[";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kBarWidth - filled), ' ');
    line += "] " + std::to_string(percent) + "%";
    std::fputs(line.c_str(), stderr);
    shown_ = true;
}

} // namespace dxfcnv
