#include "feed3d/angle_file.h"

#include <cstdio>
#include <string>

#include "camera_facts/frame_geometry.h"

namespace kelvara {

bool WriteAngleFile(const std::string& path, const ThetaPhiTable& table) {
  if (table.theta.size() != static_cast<size_t>(kPixelCount)) return false;

  // The whole text first (about 700 KB), then one write.
  std::string text;
  text.reserve(static_cast<size_t>(kPixelCount) * 11);
  char field[32];
  for (int i = 0; i < kPixelCount; ++i) {
    int n = std::snprintf(field, sizeof(field), "%f", ThetaDegrees(table.theta[i]));
    text.append(field, static_cast<size_t>(n));
    if ((i + 1) % kFrameWidth == 0) {
      text += "\r\n";
    } else {
      text += ',';
    }
  }

  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  ok = std::fflush(file) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  return ok;  // on failure the caller copies the fallback over the short file
}

}  // namespace kelvara
