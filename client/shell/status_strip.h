#pragma once
// The main dialog's status bar: the connection, how the frames of the
// current (or last) run fared, the recording, the warm-up, the pixel under
// the mouse, the measured distance, and a status line
// for what just happened (a run ended, a snapshot was saved). The counters
// are greyed while no run goes on.
#include <QStatusBar>

#include "status/status_texts.h"

class QLabel;

namespace kelvara {

class StatusStrip : public QStatusBar {
  Q_OBJECT
 public:
  explicit StatusStrip(QWidget* parent);

  void ShowConnection(LinkState state, const std::string& port_name, const VersionReply& version);
  // `any_run`: a run has gone on since the connect; `live`: it goes on now.
  void ShowHealth(const FrameHealth& health, bool any_run, bool live);
  // The "Pixel" item; empty while the mouse is over no image.
  void ShowPixel(const QString& text);
  // The "Warm-up" item: "Warming up", "Stable" or "--".
  void ShowWarmUp(const std::string& text);
  // The "Measured distance" item: the marks of Shift+clicks on the picture
  // and the distance between them.
  void ShowMeasured(const std::string& text);
  // The "Recorded" item (RecordedText); greyed while no recording goes on.
  void ShowRecorded(const std::string& text, bool live);
  // The status line (kept until the next one).
  void ShowLine(const QString& text);
  QString Line() const;

  LinkState Link() const { return link_; }
  QLabel* connection() const { return connection_; }
  QLabel* received() const { return received_; }
  QLabel* lost() const { return lost_; }
  QLabel* logged() const { return logged_; }
  QLabel* pixel() const { return pixel_; }
  QLabel* warm_up() const { return warm_up_; }
  QLabel* measured() const { return measured_; }
  QLabel* recorded() const { return recorded_; }

 private:
  LinkState link_ = LinkState::kNotConnected;
  QLabel* line_ = nullptr;
  QLabel* connection_ = nullptr;
  QLabel* received_ = nullptr;
  QLabel* lost_ = nullptr;
  QLabel* logged_ = nullptr;
  QLabel* pixel_ = nullptr;
  QLabel* warm_up_ = nullptr;
  QLabel* measured_ = nullptr;
  QLabel* recorded_ = nullptr;
};

}  // namespace kelvara
