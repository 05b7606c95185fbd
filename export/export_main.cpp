// kelvara-export: point frames as PCD or PLY clouds for standard tools.
#include <csignal>
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
  // A file size limit fails the write (and the cloud is not renamed into
  // place) instead of killing the program.
  std::signal(SIGXFSZ, SIG_IGN);
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
  PointFrameSource source;
  std::string error;
  if (!source.Open(o.input, o.frame, &error)) {
    std::fprintf(stderr, "kelvara-export: %s\n", error.c_str());
    return kExportBadInput;
  }
  // A recording gives one numbered cloud per frame; one frame keeps OUTPUT's name.
  std::vector<std::string> paths;
  for (int k = 0; k < source.count(); ++k)
    paths.push_back(source.numbered() ? NumberedPath(o.output, source.number(k)) : o.output);
  for (const std::string& path : paths) {
    if (source.IsInput(path)) {
      std::fprintf(stderr, "kelvara-export: %s is INPUT itself: it would be replaced; nothing written\n", path.c_str());
      return kExportUsage;
    }
  }
  const CloudLayout layout = LayoutOf(o);
  PointFrame frame;
  pcl::PointCloud<pcl::PointXYZI> cloud;
  for (int k = 0; k < source.count(); ++k) {
    if (!source.Read(k, &frame, &error)) {
      std::fprintf(stderr, "kelvara-export: %s\n", error.c_str());
      return kExportBadInput;
    }
    BuildCloud(frame, layout, &cloud);
    if (!WriteCloud(paths[static_cast<size_t>(k)], o.format, cloud, &error, layout.axes)) {
      std::fprintf(stderr, "kelvara-export: %s; %d of %d clouds written\n", error.c_str(), k, source.count());
      return kExportOutputFailed;
    }
  }
  std::fprintf(stderr, "kelvara-export: %d cloud%s written from a %s\n", source.count(), source.count() == 1 ? "" : "s",
               source.note().c_str());
  return kExportOk;
}
