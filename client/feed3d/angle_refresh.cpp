#include "feed3d/angle_refresh.h"

#include <cstdio>
#include <vector>

#include "feed3d/angle_file.h"
#include "feed3d/feed3d_paths.h"

namespace kelvara {

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (in == nullptr) return false;
  std::FILE* out = std::fopen(to.c_str(), "wb");
  if (out == nullptr) {
    std::fclose(in);
    return false;
  }
  std::vector<char> buffer(64 * 1024);
  bool ok = true;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
    if (std::fwrite(buffer.data(), 1, n, out) != n) {
      ok = false;
      break;
    }
  }
  ok = !std::ferror(in) && ok;
  std::fclose(in);
  ok = std::fflush(out) == 0 && ok;
  ok = std::fclose(out) == 0 && ok;
  return ok;
}

AngleRefreshResult RefreshAngleFile(CameraLink& link, const std::string& data_folder, Notifier* notifier,
                                    ThetaPhiTable* fetched) {
  const std::string angle_path = AngleFilePath(data_folder);
  unsigned char status = 0xFF;
  ThetaPhiTable table;
  int rc = link.GetAngleTable(&status, &table);
  if (rc != 0 || status != 0) {
    if (notifier) notifier->ShowMessage("Get θφTable failed!!", MessageIcon::kNone);
  } else {
    if (fetched) *fetched = table;
    if (WriteAngleFile(angle_path, table)) return AngleRefreshResult::kWritten;
  }
  if (CopyFileReplacing(FallbackAngleFilePath(data_folder), angle_path)) return AngleRefreshResult::kFallbackCopied;
  if (notifier) notifier->ShowMessage("Failed to output file!! [ " + angle_path + " ]", MessageIcon::kNone);
  return AngleRefreshResult::kFailed;
}

}  // namespace kelvara
