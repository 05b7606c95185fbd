// kelvara-3d-send: sends one command to a running viewer through
// libvelmar.so, for trying the viewer on its own.
//
//   kelvara-3d-send angle FILE          kelvara-3d-send range MIN MAX
//   kelvara-3d-send distance FILE       kelvara-3d-send ratio R
//   kelvara-3d-send coordinates FILE    kelvara-3d-send colors MIN MAX
//
// Relative file names are made absolute, because the viewer opens them from
// its own working folder. Exit status 0 when the viewer took the command.
#include <unistd.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bridge/velmar.h"
#include "common/program_info.h"
#include "common/runtime_dir.h"

namespace {

const char kUsage[] =
    "usage: kelvara-3d-send angle|distance|coordinates FILE\n"
    "       kelvara-3d-send range|colors MIN MAX\n"
    "       kelvara-3d-send ratio R\n";

const char kHelp[] =
    "Sends one command to a running Orvinel through libvelmar.so, as the client\n"
    "does:\n"
    "  angle FILE         the angle table file (3d_data/angle.csv or angle.org)\n"
    "  distance FILE      a distance file: 76800 little-endian 16-bit distances (mm)\n"
    "  coordinates FILE   a coordinate file: 170-byte header, 76800 x/y/z records\n"
    "  range MIN MAX      the distance range in mm; places the camera\n"
    "  colors MIN MAX     the colour range in mm\n"
    "  ratio R            the z scale of the next distance cloud\n"
    "Relative file names are made absolute. Exit status 0 when the viewer took\n"
    "the command, 1 when not, 2 bad command line.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof(cwd)) == nullptr) return path;
  return std::string(cwd) + "/" + path;
}

bool ParseInt(const char* text, int* value) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < INT_MIN || v > INT_MAX) return false;
  *value = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (kelvara::AnswerVersion(argc, argv, "kelvara-3d-send")) return 0;
  if (kelvara::AsksForHelp(argc, argv)) {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (argc < 3) return Usage();
  const std::string what = argv[1];
  int rc;
  if (argc == 3 && (what == "angle" || what == "distance" || what == "coordinates")) {
    const std::string path = Absolute(argv[2]);
    rc = what == "angle"      ? Qor3D_UpdateAngleTable(path.c_str())
         : what == "distance" ? Qor3D_UpdateDistanceData(path.c_str())
                              : Qor3D_UpdateCoordinateData(path.c_str());
  } else if (argc == 4 && (what == "range" || what == "colors")) {
    int min = 0, max = 0;
    if (!ParseInt(argv[2], &min) || !ParseInt(argv[3], &max)) return Usage();
    rc = what == "range" ? Qor3D_UpdateDistanceRange(min, max) : Qor3D_UpdateColorRange(min, max);
  } else if (argc == 3 && what == "ratio") {
    char* end = nullptr;
    float ratio = std::strtof(argv[2], &end);
    if (end == argv[2] || *end != '\0') return Usage();
    rc = Qor3D_UpdateDistanceRatio(ratio);
  } else {
    return Usage();
  }
  if (rc != QOR3D_OK) {
    const char* why = rc == QOR3D_ERR_TOO_LONG     ? "the message would exceed 256 bytes"
                      : rc == QOR3D_ERR_BAD_PATH   ? "the path cannot be sent (it holds a comma)"
                      : rc == QOR3D_ERR_SEND       ? "the viewer did not take the whole message"
                      : rc == QOR3D_ERR_NOT_TAKEN  ? "the viewer did not read the message"
                      : rc == QOR3D_ERR_BUSY       ? "the viewer is busy (its queue is full); try again"
                      : rc == QOR3D_ERR_UNSAFE_DIR ? nullptr
                                                   : "no viewer is running";
    if (why != nullptr) {
      std::fprintf(stderr, "kelvara-3d-send: %s\n", why);
    } else {
      const std::string dir = kelvara::RuntimeDirPath();
      std::fprintf(stderr,
                   "kelvara-3d-send: the runtime directory %s may be written by other users; nothing was sent; make "
                   "it private with: chmod 700 %s\n",
                   dir.c_str(), dir.c_str());
    }
    return 1;
  }
  return 0;
}
