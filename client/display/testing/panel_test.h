#pragma once
// The fixture the panel tests share: a profile of their own, a recording
// message hub and notifier, and finding a panel's controls by their ids
// ("id<N>") and working them as a user does.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QSpinBox>
#include <QTest>
#include <QWidget>

#include "config/testing/recording_notifier.h"
#include "display/testing/temp_profile.h"
#include "widgets/testing/message_recorder.h"

namespace kelvara {
namespace testing_support {

class PanelTest : public ::testing::Test {
 protected:
  // The panel that Control(), Click() and Type() search.
  void Drive(QWidget* panel) { driven_ = panel; }

  template <typename T>
  T* Control(int id) {
    T* control = driven_ ? driven_->findChild<T*>(QStringLiteral("id%1").arg(id)) : nullptr;
    EXPECT_NE(control, nullptr) << id;
    return control;
  }
  // Clicks near the left edge, where a check box has its indicator.
  void Click(int id) {
    QAbstractButton* button = Control<QAbstractButton>(id);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  }
  // Types `text` into a range field and finishes the edit with Enter.
  void Type(int id, const char* text) {
    QSpinBox* field = Control<QSpinBox>(id);
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
  }

  TempProfile profile_;
  testing::MessageRecorder hub_;
  RecordingNotifier notifier_;

 private:
  QWidget* driven_ = nullptr;
};

}  // namespace testing_support
}  // namespace kelvara
