#pragma once
// What kelvara-capture shows on stderr: the camera's messages, the progress
// of the logging run (a bar on a terminal, one line per second otherwise)
// and the summary at the end.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

#include "config/notifier.h"
#include "measure/measurement_outputs.h"

namespace kelvara {

class CaptureConsole : public Notifier, public MeasurementOutputs {
 public:
  // `err` is where everything goes; `terminal` chooses the bar.
  CaptureConsole(std::FILE* err, bool terminal);

  // Notifier: one line "kelvara-capture: <text>".
  void ShowMessage(const std::string& text, MessageIcon icon) override;

  // MeasurementOutputs, called on the worker thread.
  void CentreReadout(const std::string&) override { frames_.fetch_add(1); }
  void MonitorUpdate(double, const TemperatureSample&) override {}
  void LogProgress(int logged, int total) override;
  void LoggingRunEnded() override { logging_ended_.store(true); }
  void RunEndedByItself() override {}

  // The number of frames the logging run is to log.
  void SetTotal(int total) { total_.store(total); }
  // Called by the main thread now and then: redraws the bar, or prints a
  // line when a second has passed since the last one (or when `last`).
  void ShowProgress(int64_t now_ns, bool last = false);
  // Ends the bar's line before other text follows.
  void FinishProgress();

  int64_t Frames() const { return frames_.load(); }
  int Logged() const { return logged_.load(); }

 private:
  std::FILE* err_;
  bool terminal_;
  std::atomic<int64_t> frames_{0};
  std::atomic<int> logged_{0};
  std::atomic<int> total_{0};
  std::atomic<bool> logging_ended_{false};
  int shown_logged_ = -1;
  int64_t last_line_ns_ = 0;
  bool bar_open_ = false;
};

}  // namespace kelvara
