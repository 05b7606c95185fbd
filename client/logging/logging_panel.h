#pragma once
// CLogging: the logging panel (Qt). This header is what the main dialog uses
// of it. It receives UWM_LOG_PROGRESS itself and posts UWM_SET_VIEW_RANGE,
// UWM_START_LOGGING and UWM_STOP_LOGGING to the main dialog.
#include <QWidget>

namespace kelvara {

class LogWriter;

class CLogging : public QWidget {
  Q_OBJECT
 public:
  // `writer` is the log writer the measurement loop uses; the panel sets its
  // check boxes, base name, folder, schedule and mirror flags on it.
  CLogging(QWidget* parent, QObject* hub, LogWriter& writer);

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
};

}  // namespace kelvara
