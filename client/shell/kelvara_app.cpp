#include "shell/kelvara_app.h"

#include <QTimer>
#include <clocale>
#include <string>

#include "common/runtime_dir.h"
#include "link/serial_library.h"
#include "shell/client_paths.h"
#include "shell/close_on_signal.h"
#include "shell/instance_lock.h"
#include "shell/kelvara_dlg.h"

namespace kelvara {

bool RefuseSecondInstance(const InstanceLock& lock, Notifier& notifier) {
  if (!lock.HeldElsewhere()) return false;
  notifier.ShowMessage("Qor Imager Client is already running.", MessageIcon::kNone);
  return true;
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
  const QStringList arguments = QCoreApplication::arguments();
  for (int i = 1; i < arguments.size(); ++i) {
    if (arguments[i].startsWith('-')) continue;
    const std::string path = arguments[i].toStdString();
    QTimer::singleShot(0, &dialog, [&dialog, path] { dialog.OpenRecording(path); });
    break;
  }
  return exec();
}

}  // namespace kelvara
