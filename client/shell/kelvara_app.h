#pragma once
// CKelvaraApp: the application object. Keeps the client to one instance
// per user, runs the main dialog modally and ends when it ends. Numbers in
// files, profile values and viewer messages keep a decimal point whatever
// the user's locale.
#include <QApplication>
#include <QStringList>
#include <string>

#include "config/notifier.h"

namespace kelvara {

class CKelvaraApp : public QApplication {
  Q_OBJECT
 public:
  CKelvaraApp(int& argc, char** argv);

  // Start-up: the single-instance check (a second start hands its
  // recording to the running client, or shows "Qor Imager Client is
  // already running.", and returns 0 at once), then the main dialog.
  // Returns the exit status.
  int Run(Notifier& notifier);
};

class InstanceLock;

// The recording named on the command line: the first argument that is no
// option; empty when there is none.
std::string RecordingArgument(const QStringList& arguments);

// When another client holds the instance lock: shows "Qor Imager Client is
// already running." and returns true (the program then ends).
bool RefuseSecondInstance(const InstanceLock& lock, Notifier& notifier);

// QApplication sets the C library's locale from the environment; numbers
// written with printf-style formatting must still use a decimal point, so
// the numeric category goes back to "C". Called right after construction.
void KeepNumericLocaleNeutral();

}  // namespace kelvara
