// Kelvara: the camera client.
#include <cstdio>

#include "common/program_info.h"
#include "config/qt_notifier.h"
#include "shell/kelvara_app.h"

namespace {

const char kUsage[] =
    "Usage: Kelvara [FILE.kvrec]\n"
    "The client of the time-of-flight depth camera: pick the serial port and press\n"
    "\"Connect\", set the camera's parameters, view its frames in the picture window,\n"
    "log them to files and show them in 3D (\"3D Start\" opens Orvinel). One client\n"
    "runs per user.\n"
    "\n"
    "FILE.kvrec, a recording (kelvara-capture --record), opens as the camera: the\n"
    "playback bar plays it, steps through it and logs it as a live camera; the\n"
    "\"Open recording...\" button of the Connection panel does the same. While a\n"
    "client runs, \"Kelvara FILE.kvrec\" hands the file to it.\n"
    "\n"
    "An installed copy keeps its profile in $XDG_CONFIG_HOME/kelvara/Kelvara.ini\n"
    "(default ~/.config/kelvara/) and its 3D exchange files in the runtime\n"
    "directory ($XDG_RUNTIME_DIR/kelvara/); a copy run from a build folder keeps\n"
    "them beside itself.\n";

}  // namespace

int main(int argc, char** argv) {
  if (kelvara::AnswerVersion(argc, argv, "Kelvara")) return 0;
  if (kelvara::AsksForHelp(argc, argv)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  kelvara::CKelvaraApp app(argc, argv);
  kelvara::QtNotifier notifier;
  return app.Run(notifier);
}
