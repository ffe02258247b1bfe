#pragma once

#include <string>

#include "gif/GIFTypes.h"

namespace gifcodec {

// Shows the codec's progress reports as a bar on standard error, only when that is a terminal.
class TProgressBar : public gif::IGIFNotify {
  public:
    TProgressBar();
    ~TProgressBar() override;

    // Text in front of the bar, e.g. "decoding frame 3".
    void SetLabel(std::string label) { FLabel = std::move(label); }

    void Progress(gif::TProgressStage stage, int percent, bool redrawNow,
                  const std::string& message) override;
    void Changed() override {}

  private:
    void Draw(int percent);
    void Erase();

    bool FEnabled;
    bool FShown = false;
    int FLastPercent = -1;
    std::string FLabel;
};

}  // namespace gifcodec
