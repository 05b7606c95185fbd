#pragma once
// SIGTERM, SIGINT and SIGHUP (a logout, Ctrl-C in the starting terminal)
// close the main window as its close button does, so that the run is
// stopped, the camera left idle and the port closed before the program ends.
#include <QObject>

class QSocketNotifier;
class QWidget;

namespace kelvara {

class CloseOnSignal : public QObject {
  Q_OBJECT
 public:
  // Closes `window` on the UI thread when one of the signals arrives.
  explicit CloseOnSignal(QWidget* window);
  ~CloseOnSignal() override;

 private:
  QWidget* window_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kelvara
