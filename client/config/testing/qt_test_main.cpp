// main() of the client's GUI tests: one QApplication for all of them.
#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv) {
  // Offscreen unless the test runs under a display on purpose (xvfb-run).
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
