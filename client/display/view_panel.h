#pragma once
// CViewImage: the view panel (Qt). This header is what the main dialog uses
// of it; the panel posts its buttons and boxes to the main dialog as window
// messages (window_messages.h).
#include <QWidget>

#include "frame_layout.h"

namespace kelvara {

class CViewImage : public QWidget {
  Q_OBJECT
 public:
  // `hub` receives the panel's messages (the main dialog).
  CViewImage(QWidget* parent, QObject* hub);

  // Enables or disables "Picture", the range fields and "Start" (a button
  // that reads "Stop" stays enabled and reads "Start" again with 1).
  void EnableControls(int enable);
  // The range fields' values (mm).
  int Minimum() const;
  int Maximum() const;
  // Monitor fields, written from the measurement loop's outputs (UI thread).
  void UpdateMonitor(double frame_rate, const TemperatureSample& sample);
  void SetCentreReadout(const QString& text);
  // "Horizontal flip" and "Vertical flip" (UWM_SET_FLIP carries them).
  bool HorizontalFlip() const;
  bool VerticalFlip() const;
  // The 3D button's caption back to "3D Start" (after a failed or ended 3D start).
  void Show3DStopped();
};

}  // namespace kelvara
