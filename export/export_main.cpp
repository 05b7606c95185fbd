// kelvara-export: point frames as PCD or PLY clouds for standard tools.
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "common/program_info.h"
#include "common/whole_file.h"
#include "export/cloud_builder.h"
#include "export/cloud_writer.h"
#include "export/export_options.h"
#include "export/frame_filters.h"
#include "export/point_frame.h"
#include "export/recording_noise.h"

namespace {

// True when both names lead to one file.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// --noise-report: the table on stdout, the CSV beside the recording.
int NoiseReportMain(const kelvara::cloud::ExportOptions& o) {
  using namespace kelvara;
  filters::NoiseReport report;
  std::string error;
  if (!cloud::MeasureRecordingNoise(o.noise_report, &report, &error)) {
    std::fprintf(stderr, "kelvara-export: %s\n", error.c_str());
    return cloud::kExportBadInput;
  }
  const std::vector<filters::NoiseBin> bins = report.Bins();
  filters::NoiseLaw law;
  if (!filters::NoiseReport::Fit(bins, &law)) {
    std::fprintf(stderr, "kelvara-export: %s: too few amplitudes measured in every frame to fit a noise law\n",
                 o.noise_report.c_str());
    return cloud::kExportBadInput;
  }
  const std::string csv = filters::NoiseReport::Csv(bins, law);
  const std::string path = o.output.empty() ? cloud::NoiseCsvPath(o.noise_report) : o.output;
  std::fputs(csv.c_str(), stdout);
  std::printf("noise law: sigma = %.2f mm + %.1f mm / max(amplitude, 4), from %d frames\n", law.base_mm, law.scale_mm,
              report.frames());
  if (SameFile(path, o.noise_report)) {
    std::fprintf(stderr, "kelvara-export: %s is the recording itself: it would be replaced; nothing written\n",
                 path.c_str());
    return cloud::kExportUsage;
  }
  if (!WriteWholeFile(path, csv.data(), csv.size())) {
    std::fprintf(stderr, "kelvara-export: cannot write %s\n", path.c_str());
    return cloud::kExportOutputFailed;
  }
  std::fprintf(stderr, "kelvara-export: noise report written to %s\n", path.c_str());
  return cloud::kExportOk;
}

}  // namespace

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
  if (!o.noise_report.empty()) return NoiseReportMain(o);
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
  kelvara::filters::FilterSettings filter_settings;                                              // every stage off
  if (!o.filter.empty()) kelvara::filters::ParseFilterList(o.filter, &filter_settings, &error);  // checked above
  kelvara::filters::FilterChain chain(filter_settings);
  std::vector<uint8_t> flagged;
  for (int k = 0; k < source.count(); ++k) {
    if (!source.Read(k, &frame, &error)) {
      std::fprintf(stderr, "kelvara-export: %s\n", error.c_str());
      return kExportBadInput;
    }
    if (!o.filter.empty()) FilterPointFrame(&chain, &frame, &flagged);
    BuildCloud(frame, layout, &cloud, o.filter.empty() ? nullptr : &flagged);
    if (!WriteCloud(paths[static_cast<size_t>(k)], o.format, cloud, &error, layout.axes)) {
      std::fprintf(stderr, "kelvara-export: %s; %d of %d clouds written\n", error.c_str(), k, source.count());
      return kExportOutputFailed;
    }
  }
  std::fprintf(stderr, "kelvara-export: %d cloud%s written from a %s\n", source.count(), source.count() == 1 ? "" : "s",
               source.note().c_str());
  return kExportOk;
}
