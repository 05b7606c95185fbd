#pragma once
// Reads and presses a running program's widgets as assistive tools do:
// through AT-SPI on the accessibility bus of the D-Bus session (the program
// runs Qt with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1).
#include <QDBusConnection>
#include <QRect>
#include <QString>
#include <optional>
#include <string>

namespace kelvara {
namespace testing {

// What a shell command prints on its standard output (binary-safe).
std::string CommandOutput(const std::string& command);

// A program folder of the client's own in `folder`: the client copied from
// `bin_folder` (it keeps its profile beside itself), the updater, the
// serial library, the table and the angle file linked.
void PrepareClientFolder(const std::string& bin_folder, const std::string& folder);

// The main of a test program that drives a program through AT-SPI: the
// accessibility bus belongs to a D-Bus session, so without one the program
// runs itself again inside a private session; then the tests run under a
// QApplication with a private runtime folder.
int RunAccessibilityTests(int argc, char** argv);

class AtSpiProbe {
 public:
  struct Node {
    QString service;
    QString path;
  };

  AtSpiProbe();
  // Waits up to `ms` for the accessible application of process `pid`.
  bool Attach(qint64 pid, int ms);

  // The first object named `name` (breadth-first from the application, or
  // from `under`), or none.
  std::optional<Node> Find(const QString& name, const std::optional<Node>& under = std::nullopt) const;
  // The same among the objects of one role ("combo box", "label", ...); a
  // combo box is named by its current entry.
  std::optional<Node> FindOfRole(const QString& name, const QString& role) const;
  QString Role(const Node& node) const;
  QString Name(const Node& node) const;
  QString Description(const Node& node) const;
  bool Enabled(const Node& node) const;
  // The object's whole text (a text field's contents).
  QString Text(const Node& node) const;
  // Runs the object's first action (a button's press).
  bool Press(const Node& node) const;
  // The object's rectangle on the screen.
  QRect Extents(const Node& node) const;

 private:
  std::optional<Node> Search(const QString& name, const QString& role, const std::optional<Node>& under) const;

  QDBusConnection bus_;
  QString service_;
};

}  // namespace testing
}  // namespace kelvara
