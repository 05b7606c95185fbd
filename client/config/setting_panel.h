#pragma once
// CSetting: the settings panel. Shows and edits the camera parameters of its
// ParameterModel, checks each number field when it is left, sends changes
// with "Set", and posts UWM_FORMAT_CHANGED when the user picks a format (and
// when a refused one returns to the camera's).
#include <QWidget>
#include <memory>
#include <vector>

#include "config/notifier.h"
#include "config/parameter_model.h"
#include "config/parameter_panel.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kelvara {

class SpinButtons;

class CSetting : public QWidget, public ParameterPanel {
  Q_OBJECT
 public:
  // Shows and edits `model` (which outlives the panel); the panel shows
  // the model's values from now on.
  CSetting(QWidget* parent, QObject* hub, ParameterModel& model, Notifier& notifier);
  // With a model of its own, which reads and sends through `link`.
  CSetting(QWidget* parent, QObject* hub, CameraLink& link, Notifier& notifier);
  ~CSetting() override;

  ParameterModel& model() { return model_; }
  const DeviceParameters& parameters() const { return model_.parameters(); }

  // ParameterPanel
  void ShowValues(const DeviceParameters& parameters) override;
  void SetRotationControlsEnabled(bool enabled) override;
  void SetParameterPanelEnabled(bool enabled) override;
  void SetWaitCursor(bool shown) override;

  // Takes the texts of all controls into the current values. A field that
  // holds no whole number is reported, keeps its previous value and gets
  // the focus; returns false then.
  bool TakeValuesFromControls();
  // "Set": the controls' values, then ApplyParameters.
  void Set();
  // The Format list's selection (-1: none).
  int FormatSelection() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // One number field with its spin, bound to one parameter.
  struct Field {
    QLineEdit* edit;
    SpinButtons* spin;
    ParameterValue DeviceParameters::*value;
    int lowest;  // accepted range (the exposure's depends on the mode)
    int highest;
  };

  Field& AddField(const QString& label, int edit_id, int spin_id, ParameterValue DeviceParameters::*value, int lowest,
                  int highest, int spin_lowest, int spin_highest);
  void CheckField(Field& field);
  void FormatChosen(int index);
  void ApplyRotationRule(bool panel_enabled);

  QObject* hub_;
  Notifier& notifier_;
  std::unique_ptr<ParameterModel> own_model_;
  ParameterModel& model_;
  std::vector<Field> fields_;
  QComboBox* format_;
  QComboBox* mode_;
  QComboBox* data_size_;
  QRadioButton* pilot_on_;
  QRadioButton* pilot_off_;
  QButtonGroup* pilot_;
  QPushButton* set_;
  std::vector<QWidget*> rotation_controls_;
  bool enabled_ = true;
  bool checking_ = false;
};

}  // namespace kelvara
