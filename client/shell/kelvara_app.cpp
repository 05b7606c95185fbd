#include "shell/kelvara_app.h"

#include <QTimer>
#include <clocale>
#include <memory>
#include <string>

#include "common/runtime_dir.h"
#include "link/serial_library.h"
#include "shell/client_paths.h"
#include "shell/close_on_signal.h"
#include "shell/instance_lock.h"
#include "shell/kelvara_dlg.h"
#include "shell/recording_handoff.h"

namespace kelvara {

bool RefuseSecondInstance(const InstanceLock& lock, Notifier& notifier) {
  if (!lock.HeldElsewhere()) return false;
  notifier.ShowMessage("Qor Imager Client is already running.", MessageIcon::kNone);
  return true;
}

std::string RecordingArgument(const QStringList& arguments) {
  for (int i = 1; i < arguments.size(); ++i) {
    if (!arguments[i].startsWith('-')) return arguments[i].toStdString();
  }
  return std::string();
}

void KeepNumericLocaleNeutral() { std::setlocale(LC_NUMERIC, "C"); }

CKelvaraApp::CKelvaraApp(int& argc, char** argv) : QApplication(argc, argv) {
  KeepNumericLocaleNeutral();
  setApplicationName(QStringLiteral("Kelvara"));
  setDesktopFileName(QStringLiteral("kelvara"));
  setWindowIcon(QIcon(QStringLiteral(":/kelvara/kelvara.svg")));
}

int CKelvaraApp::Run(Notifier& notifier) {
  EnsureRuntimeDir();
  InstanceLock lock(InstanceLockPath());
  // "Kelvara FILE.kvrec" while a client runs: that client opens it.
  const std::string recording = RecordingArgument(QCoreApplication::arguments());
  if (lock.HeldElsewhere() && !recording.empty() && HandOverRecording(RecordingHandoffPath(), recording)) return 0;
  if (RefuseSecondInstance(lock, notifier)) return 0;
  const ClientPaths paths = ResolveClientPaths(CurrentPathInputs());
  PrepareClientFolders(paths);
  CKelvaraDlg dialog(paths, notifier, UartSerialLibrary());
  CloseOnSignal close_on_signal(&dialog);
  // The dialog runs in the application's event loop, without modality: the
  // picture window beside it takes clicks too. Closing the dialog ends the
  // program although the picture window is still open.
  dialog.setWindowModality(Qt::NonModal);
  QObject::connect(&dialog, &QDialog::finished, this, &QCoreApplication::quit);
  dialog.show();
  // "Kelvara FILE.kvrec": the recording opens once the dialog is up.
  if (!recording.empty()) QTimer::singleShot(0, &dialog, [&dialog, recording] { dialog.OpenRecording(recording); });
  // Recordings handed over by later starts: the dialog comes to the front
  // and opens them. Only the lock holder listens.
  std::unique_ptr<RecordingHandoff> handoff;
  if (lock.Held()) {
    handoff = std::make_unique<RecordingHandoff>(RecordingHandoffPath(), [&dialog](const std::string& path) {
      dialog.setWindowState(dialog.windowState() & ~Qt::WindowMinimized);
      dialog.raise();
      dialog.activateWindow();
      dialog.OpenRecording(path);
    });
  }
  return exec();
}

}  // namespace kelvara
