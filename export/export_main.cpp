// kelvara-export: point frames as PCD or PLY clouds for standard tools.
#include <cstdio>
#include <string>
#include <vector>

#include "cloud_builder.h"
#include "cloud_writer.h"
#include "export_options.h"
#include "point_frame.h"
#include "program_info.h"

int main(int argc, char** argv) {
  if (kelvara::AnswerVersion(argc, argv, "kelvara-export")) return 0;
  using namespace kelvara::cloud;
  ExportOptions o;
  const std::string bad = ParseExportOptions(argc, argv, &o);
  if (!bad.empty()) {
    std::fprintf(stderr, "kelvara-export: %s\n%s", bad.c_str(), kExportUsageText);
    return kExportUsage;
  }
  if (o.help) {
    std::fputs(kExportUsageText, stdout);
    return kExportOk;
  }
  std::vector<PointFrame> frames;
  std::string error, note;
  if (!ReadPointFrames(o.input, o.frame, &frames, &error, &note)) {
    std::fprintf(stderr, "kelvara-export: %s\n", error.c_str());
    return kExportBadInput;
  }
  CloudFormat format = CloudFormat::kPcd;
  CloudFormatOfPath(o.output, &format);
  // One frame keeps OUTPUT's name; several are numbered by frame.
  const bool numbered = frames.size() > 1;
  pcl::PointCloud<pcl::PointXYZI> cloud;
  for (size_t k = 0; k < frames.size(); ++k) {
    BuildCloud(frames[k], o.organised, &cloud);
    const std::string path = numbered ? NumberedPath(o.output, static_cast<int>(k)) : o.output;
    if (!WriteCloud(path, format, cloud, &error)) {
      std::fprintf(stderr, "kelvara-export: %s\n", error.c_str());
      return kExportOutputFailed;
    }
  }
  std::fprintf(stderr, "kelvara-export: %zu cloud%s written from a %s\n", frames.size(), frames.size() == 1 ? "" : "s",
               note.c_str());
  return kExportOk;
}
