// Kelvara: the camera client.
#include "kelvara_app.h"
#include "qt_notifier.h"

int main(int argc, char** argv) {
  kelvara::CKelvaraApp app(argc, argv);
  kelvara::QtNotifier notifier;
  return app.Run(notifier);
}
