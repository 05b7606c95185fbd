#include "capture/capture_console.h"

#include <string>

namespace kelvara {

CaptureConsole::CaptureConsole(std::FILE* err, bool terminal) : err_(err), terminal_(terminal) {}

void CaptureConsole::ShowMessage(const std::string& text, MessageIcon) {
  FinishProgress();
  std::fprintf(err_, "kelvara-capture: %s\n", text.c_str());
  std::fflush(err_);
}

void CaptureConsole::LogProgress(int logged, int total) {
  logged_.store(logged);
  if (total > 0) total_.store(total);
}

void CaptureConsole::ShowProgress(int64_t now_ns, bool last) {
  const int logged = logged_.load();
  const int total = total_.load();
  if (terminal_) {
    if (logged == shown_logged_) return;
    shown_logged_ = logged;
    constexpr int kWidth = 30;
    const int filled = total > 0 ? static_cast<int>(static_cast<int64_t>(logged) * kWidth / total) : 0;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kWidth, ' ');
    std::fprintf(err_, "\r[%s] %d/%d frames logged", bar.c_str(), logged, total);
    bar_open_ = true;
  } else {
    if (!last && last_line_ns_ != 0 && now_ns - last_line_ns_ < 1000000000) return;
    last_line_ns_ = now_ns;
    std::fprintf(err_, "logged %d/%d frames\n", logged, total);
  }
  std::fflush(err_);
}

void CaptureConsole::FinishProgress() {
  if (!bar_open_) return;
  std::fputc('\n', err_);
  bar_open_ = false;
  shown_logged_ = -1;
}

}  // namespace kelvara
