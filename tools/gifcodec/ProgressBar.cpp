#include "ProgressBar.h"

#include <unistd.h>

#include <cstdio>

namespace gifcodec {

namespace {
constexpr int kBarWidth = 40;
}

TProgressBar::TProgressBar() : FEnabled(isatty(STDERR_FILENO) != 0) {}

TProgressBar::~TProgressBar() {
    Erase();
}

void TProgressBar::Progress(gif::TProgressStage stage, int percent, bool, const std::string&) {
    if (!FEnabled) {
        return;
    }
    if (stage == gif::psEnding) {
        Erase();
        return;
    }
    // Reports come after every code; the bar is redrawn only when the figure changes.
    if (percent != FLastPercent) {
        Draw(percent);
    }
}

void TProgressBar::Draw(int percent) {
    FLastPercent = percent;
    const int filled = percent * kBarWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%", FLabel.c_str(), bar.c_str(), percent);
    std::fflush(stderr);
    FShown = true;
}

void TProgressBar::Erase() {
    if (FShown) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        FShown = false;
    }
    FLastPercent = -1;
}

}  // namespace gifcodec
