// kelvara-export: point frames as PCD or PLY clouds for standard tools.
#include <cstdio>
#include <string>
#include <vector>

#include "cloud_builder.h"
#include "cloud_writer.h"
#include "export_options.h"
#include "frame_filters.h"
#include "point_frame.h"
#include "recording_noise.h"

namespace {

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
  FILE* f = std::fopen(path.c_str(), "w");
  const bool written = f != nullptr && std::fputs(csv.c_str(), f) >= 0;
  if (f == nullptr || std::fclose(f) != 0 || !written) {
    std::fprintf(stderr, "kelvara-export: cannot write %s\n", path.c_str());
    return cloud::kExportOutputFailed;
  }
  std::fprintf(stderr, "kelvara-export: noise report written to %s\n", path.c_str());
  return cloud::kExportOk;
}

}  // namespace

int main(int argc, char** argv) {
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
  if (!o.noise_report.empty()) return NoiseReportMain(o);
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
  kelvara::filters::FilterSettings filter_settings;                                              // every stage off
  if (!o.filter.empty()) kelvara::filters::ParseFilterList(o.filter, &filter_settings, &error);  // checked above
  kelvara::filters::FilterChain chain(filter_settings);
  std::vector<uint8_t> flagged;
  for (size_t k = 0; k < frames.size(); ++k) {
    if (!o.filter.empty()) FilterPointFrame(&chain, &frames[k], &flagged);
    BuildCloud(frames[k], o.organised, &cloud, o.filter.empty() ? nullptr : &flagged);
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
