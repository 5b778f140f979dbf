// The progress bar of "import": drawn on stderr from the progress messages the module sends to
// the map window, and only when stderr is a terminal.
#pragma once

#include "host/win32.h"

namespace dxfcnv {

// The message, wParam and the lParam markers of the module's progress report.
constexpr UINT kProgressMessage = 1177;
constexpr WPARAM kProgressWParam = 3;
constexpr LPARAM kProgressStart = -1;
constexpr LPARAM kProgressEnd = -2;

class ProgressBar {
  public:
    // Watches the map window's messages while the bar lives; does nothing when stderr is not a
    // terminal.
    explicit ProgressBar(HWND map);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Clears a bar that was started and not ended (the import stopped half way).
    void Finish();

  private:
    void OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Draw(int percent);

    HWND map_;
    bool enabled_;
    bool shown_ = false;
};

} // namespace dxfcnv
