#pragma once
// CViewImage: the view panel (Qt). This header is what the main dialog uses
// of it; the panel posts its buttons and boxes to the main dialog as window
// messages (window_messages.h).
#include <QWidget>
#include <functional>
#include <optional>

#include "config/profile_store.h"
#include "display/distance_percentiles.h"
#include "frame/frame_layout.h"

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

namespace kelvara {

class Notifier;
class NumberField;

class CViewImage : public QWidget {
  Q_OBJECT
 public:
  // `hub` receives the panel's messages (the main dialog). The flips and
  // the range are loaded from and saved to `profile`.
  CViewImage(QWidget* parent, QObject* hub, Profile profile = Profile::Current());
  ~CViewImage() override;

  // Enables or disables "Picture", the range fields and "Start" (a button
  // that reads "Stop" stays enabled and reads "Start" again with 1).
  void EnableControls(int enable);
  // The range fields' values (mm).
  int Minimum() const;
  int Maximum() const;
  // Monitor fields, written from the measurement loop's outputs (UI thread).
  void UpdateMonitor(double frame_rate, const TemperatureSample& sample);
  void SetCentreReadout(const QString& text);
  // The monitor fields greyed (false) while no run goes on: they show the
  // last run's values.
  void MarkLive(bool live);
  // "Horizontal flip" and "Vertical flip" (UWM_SET_FLIP carries them).
  bool HorizontalFlip() const;
  bool VerticalFlip() const;
  // The filters of the picture and the 3D view ("Flying pixels",
  // "Smoothing", "Temporal"; UWM_SET_FILTERS carries them) as a
  // ViewFilter mask.
  int FilterMask() const;
  // The 3D button's caption back to "3D Start" (after a failed or ended 3D start).
  void Show3DStopped();

  // Where "Auto range" takes its range from (the picture on screen); none
  // when it holds no distances.
  void SetAutoRangeSource(std::function<std::optional<DistanceRange>()> source) {
    auto_range_source_ = std::move(source);
  }

  // What "Snapshot" does (the dialog saves the frame on screen).
  void SetSnapshotAction(std::function<void()> action) { snapshot_action_ = std::move(action); }
  // What "Record" does when pressed down (true) or let up (false); pressed
  // down, false from the action pops the button up again (refused).
  void SetRecordAction(std::function<bool(bool down)> action) { record_action_ = std::move(action); }
  // "Record" down or up without its action (a recording ended elsewhere).
  void ShowRecording(bool on);
  QPushButton* record_button() const { return record_; }
  // What "Trends" does (the dialog shows the Trends window).
  void SetTrendsAction(std::function<void()> action) { trends_action_ = std::move(action); }
  // Puts a range chosen elsewhere (the histogram's markers) into the range
  // fields and applies it as the fields do; `minimum` < `maximum`, both
  // within 0 .. the range limit.
  void SetViewRange(int minimum, int maximum);

  // Where range messages go; without one they are shown in message boxes.
  void SetNotifier(Notifier* notifier) { notifier_ = notifier; }

 private:
  // "Stop" while measuring, "Start" otherwise.
  void ShowMeasuring(bool measuring);
  void BuildControls();
  void ShowValues();
  void WriteProfile();
  // The range checks of the two fields; false (message shown, previous value
  // restored, focus back) when the typed value is refused.
  bool CheckMaximum();
  bool CheckMinimum();
  void OnPicture();
  void OnStart();
  void OnFlip();
  void OnAutoRange();
  void OnCenterMark();
  void OnStopSampling();
  void BuildFilterBoxes(QWidget* group, QGridLayout* grid, int row);
  void OnFilters();
  void On3D();

  QObject* hub_;
  Notifier* notifier_ = nullptr;
  // Panel values (the range ones only ever hold accepted values).
  int horizontal_flip_ = 0;
  int vertical_flip_ = 0;
  int range_max_ = 6250;
  int range_min_ = 0;

  QPushButton* picture_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* start_3d_ = nullptr;
  QPushButton* auto_range_ = nullptr;
  QPushButton* snapshot_ = nullptr;
  std::function<void()> snapshot_action_;
  std::function<void()> trends_action_;
  QPushButton* record_ = nullptr;
  std::function<bool(bool)> record_action_;
  std::function<std::optional<DistanceRange>()> auto_range_source_;
  Profile profile_;
  bool measuring_ = false;     // "Start" was pressed and the run not stopped ("Stop" shown)
  bool display3d_on_ = false;  // "3D Start" was pressed ("3D Stop" shown)
  QLineEdit* rate_ = nullptr;
  QCheckBox* horizontal_ = nullptr;
  QCheckBox* vertical_ = nullptr;
  NumberField* maximum_ = nullptr;
  NumberField* minimum_ = nullptr;
  QLineEdit* centre_ = nullptr;
  QCheckBox* center_mark_ = nullptr;
  QCheckBox* stop_sampling_ = nullptr;
  QCheckBox* flying_ = nullptr;
  QCheckBox* smoothing_ = nullptr;
  QCheckBox* temporal_ = nullptr;
  QLineEdit* led_ = nullptr;
  QLineEdit* imager_ = nullptr;
  QLineEdit* chips_[4] = {nullptr, nullptr, nullptr, nullptr};
};

}  // namespace kelvara
