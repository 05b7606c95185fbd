#pragma once
// CBrowseFolderDialog: the folder picker of the logging panel, a directory
// chooser titled "Select folder" that shows folders only.
#include <QString>

class QWidget;

namespace kelvara {

class CBrowseFolderDialog {
 public:
  static constexpr int kChosen = 1;
  static constexpr int kCancelled = 2;

  // `owner` is the window the picker is modal to.
  explicit CBrowseFolderDialog(QWidget* owner);

  // Runs the picker starting at `initial_path` (empty: no initial selection).
  // Returns kChosen when a folder was chosen, kCancelled otherwise.
  int DoModal(const QString& initial_path);
  // The chosen folder's path after kChosen.
  QString GetSelectedPath() const { return selected_; }

 private:
  QWidget* owner_;
  QString selected_;
};

}  // namespace kelvara
