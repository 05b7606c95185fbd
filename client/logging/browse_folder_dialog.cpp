#include "logging/browse_folder_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace kelvara {

CBrowseFolderDialog::CBrowseFolderDialog(QWidget* owner) : owner_(owner) {}

int CBrowseFolderDialog::DoModal(const QString& initial_path) {
  QFileDialog dialog(owner_, QStringLiteral("Select folder"));
  dialog.setObjectName(QStringLiteral("SelectFolder"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  if (!initial_path.isEmpty()) dialog.setDirectory(initial_path);
  if (dialog.exec() != QDialog::Accepted) return kCancelled;
  const QStringList files = dialog.selectedFiles();
  // A typed name that is no folder counts as a cancel.
  if (files.isEmpty() || !QFileInfo(files.first()).isDir()) return kCancelled;
  selected_ = QDir::cleanPath(files.first());
  return kChosen;
}

}  // namespace kelvara
