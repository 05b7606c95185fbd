#pragma once
// CLogging: the logging panel (Qt). This header is what the main dialog uses
// of it. It receives UWM_LOG_PROGRESS itself and posts UWM_SET_VIEW_RANGE,
// UWM_START_LOGGING and UWM_STOP_LOGGING to the main dialog.
#include <QString>
#include <QWidget>
#include <functional>

#include "config/profile_store.h"
#include "logging/logging_options.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace kelvara {

class LogWriter;
class Notifier;
class NumberField;

class CLogging : public QWidget {
  Q_OBJECT
 public:
  // `writer` is the log writer the measurement loop uses; the panel sets its
  // check boxes, base name, folder, schedule and mirror flags on it. Its
  // options are loaded from and saved to `profile`.
  CLogging(QWidget* parent, QObject* hub, LogWriter& writer, Profile profile = Profile::Current());
  ~CLogging() override;

  void EnableControls(int enable);
  void ShowFormatOptions(int format_index);
  // The schedule as entered (already checked against its ranges).
  int TotalNumberOfLogs() const;
  int NumberOfLogsAtOnce() const;
  int LoggingInterval() const;
  void SetMirror(int mirror_x, int mirror_y);
  // The end of a logging run (from the measurement loop, on the UI thread):
  // "Stop" reads "Start" again; a file failure of this run is reported once.
  void LoggingRunEnded();
  // The options as the controls hold them now (a snapshot's folder, name
  // and file types).
  LoggingOptions CurrentOptions() const { return Options(); }
  // Where the files of the last logging run went: "<folder>/<base name>*".
  QString Destination() const;

  // Where messages go; without one they are shown in message boxes.
  void SetNotifier(Notifier* notifier) { notifier_ = notifier; }
  // The folder picker (tests replace it): returns true and sets the path
  // when a folder was chosen. By default a CBrowseFolderDialog.
  using FolderChooser = std::function<bool(const QString& initial, QString* chosen)>;
  void SetFolderChooser(FolderChooser chooser) { choose_folder_ = std::move(chooser); }
  // The Yes/No question (tests replace it): true for Yes. By default a
  // message box whose default button is No.
  using Question = std::function<bool(const QString& text)>;
  void SetQuestion(Question ask) { ask_ = std::move(ask); }

 protected:
  bool event(QEvent* event) override;

 private:
  // The options as the controls hold them.
  LoggingOptions Options() const;
  // "Stop" while a logging run goes on, "Start" otherwise.
  void ShowLogging(bool logging);
  void BuildControls();
  void ShowValues();
  void TakeChecks();
  bool CheckField(NumberField* field, int lowest, int* value);
  void OnStartStop();
  void OnBrowse();

  QObject* hub_;
  LogWriter& writer_;
  Notifier* notifier_ = nullptr;
  FolderChooser choose_folder_;
  Question ask_;
  bool failure_reported_ = false;

  // Panel values (the numbers only ever hold accepted values).
  int csv_ = 0, png_ = 0, bin_ = 1, pcd_ = 1;
  int total_ = 10, once_ = 1, interval_ = 0;
  QString file_name_;
  QString save_path_;

  QCheckBox* csv_box_ = nullptr;
  QCheckBox* png_box_ = nullptr;
  QCheckBox* bin_box_ = nullptr;
  QCheckBox* pcd_box_ = nullptr;
  NumberField* total_field_ = nullptr;
  NumberField* once_field_ = nullptr;
  NumberField* interval_field_ = nullptr;
  QLineEdit* file_name_field_ = nullptr;
  QPlainTextEdit* save_path_field_ = nullptr;
  QPushButton* browse_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* start_ = nullptr;
  bool logging_ = false;  // a logging run was started and not stopped ("Stop" shown)
  Profile profile_;
};

}  // namespace kelvara
