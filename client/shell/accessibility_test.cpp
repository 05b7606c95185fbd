// What assistive technology sees of the main dialog: each panel a group
// named by its header, each control named by its text or its label.
#include <gtest/gtest.h>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QGroupBox>

#include "config/testing/recording_notifier.h"
#include "config/testing/temp_program_folder.h"
#include "measure/testing/fake_camera.h"
#include "shell/kelvara_dlg.h"

namespace kelvara {
namespace {

// The name assistive technology reads: the control's own name, or for a
// drop-down list (whose name on Linux is its current entry) the text of the
// label it is labelled by.
QString AccessibleName(QObject* object) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(object);
  if (!a) return QString();
  if (a->role() == QAccessible::ComboBox) {
    for (const auto& relation : a->relations(QAccessible::Label)) return relation.first->text(QAccessible::Name);
    return QString();
  }
  return a->text(QAccessible::Name);
}

TEST(AccessibilityTest, PanelsAreNamedGroupsAndControlsCarryTheirNames) {
  testing::TempProgramFolder folder;
  FakeCamera camera(1);
  RecordingNotifier notifier;
  ClientPaths paths{folder.path(), folder.ini(), folder.path()};
  {
    Display3DOptions no3d;
    no3d.window_exists = [] { return true; };
    CKelvaraDlg dlg(paths, notifier, camera, std::move(no3d));
    dlg.show();
    QStringList groups;
    for (QGroupBox* box : dlg.findChildren<QGroupBox*>()) {
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
      ASSERT_TRUE(a);
      EXPECT_EQ(a->role(), QAccessible::Grouping);
      if (!a->text(QAccessible::Name).isEmpty()) groups << a->text(QAccessible::Name);
    }
    for (const char* header : {"Connection", "Setting", "View", "Logging"})
      EXPECT_TRUE(groups.contains(header)) << header << " in " << groups.join(",").toStdString();

    struct Control {
      const char* id;
      const char* name;
    };
    const Control controls[] = {{"id1001", "Serial Port"},
                                {"id1003", "Refresh"},
                                {"id1004", "Connect"},
                                {"id2002", "Format"},
                                {"id2001", "Mode"},
                                {"id2010", "Exposure time"},
                                {"id2012", "Frame rate limiter"},
                                {"id3010", "All range"},
                                {"id3020", "Near range (1.5m)"},
                                {"id2040", "x"},
                                {"id2050", "LED freq. ID"},
                                {"id2060", "ON"},
                                {"id2061", "OFF"},
                                {"id2070", "Data size"},
                                {"id2071", "Interval"},
                                {"id2080", "ENR threshold"},
                                {"id2003", "Set"}};
    for (const Control& c : controls) {
      QWidget* w = dlg.findChild<QWidget*>(c.id);
      ASSERT_TRUE(w) << c.id;
      EXPECT_EQ(AccessibleName(w), c.name) << c.id;
    }
    dlg.close();
  }
}

}  // namespace
}  // namespace kelvara
