#include "export/export_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "filters/filter_chain.h"

namespace kelvara {
namespace cloud {

const char kExportUsageText[] =
    "Usage: kelvara-export [--organised | --unorganised] [--axes camera|opencv]\n"
    "                      [--frame K] [--filter LIST] INPUT OUTPUT.pcd|OUTPUT.ply\n"
    "       kelvara-export --noise-report REC.kvrec [OUTPUT.csv]\n"
    "Writes the point frames of INPUT as clouds that PCL and other tools open:\n"
    "binary PCD or binary PLY (by OUTPUT's extension), float x, y, z in metres and\n"
    "the amplitude as intensity.\n"
    "\n"
    "  INPUT           a recording (kelvara-capture --record), a result frame file\n"
    "                  (614656 bytes), an export ring file (3d_data/data_N.bin) or a\n"
    "                  logged camera PCD file (no amplitudes: intensity 0)\n"
    "  --organised     all 320 x 240 pixels in pixel order, NaN for those without a\n"
    "                  point (the default for PCD; PCL reads such a PLY organised)\n"
    "  --unorganised   only the pixels with a point (the default for PLY)\n"
    "  --axes camera   x left, y up, z forward, row 0 the bottom row (the default)\n"
    "  --axes opencv   x right, y down, z forward, top row first (OpenCV, PCL)\n"
    "  --frame K       only frame K (from 0) of a recording, written to OUTPUT;\n"
    "                  without it frame K goes to OUTPUT with _KKKK before the\n"
    "                  extension\n"
    "  --filter LIST   filter the points first: flying, spatial, temporal or any\n"
    "                  subset, comma-separated (applied in that order); flying\n"
    "                  pixels become NaN (organised) or are dropped (unorganised)\n"
    "  --noise-report REC.kvrec\n"
    "                  the temporal RMS per amplitude bin of a recording of a still\n"
    "                  scene and the fitted noise law; printed and written as CSV to\n"
    "                  OUTPUT.csv (default REC-noise.csv)\n"
    "  --help          this text\n"
    "  --version       the program's version\n"
    "\n"
    "Exit status: 0 written, 2 bad command line (OUTPUT would replace INPUT\n"
    "included), 3 INPUT holds no point frames, 6 OUTPUT could not be written.\n";

std::string ParseExportOptions(int argc, const char* const* argv, ExportOptions* o) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    // The value of an option that takes one, or nullptr when it is missing.
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "--help" || arg == "-h") {
      o->help = true;
    } else if (arg == "--organised" || arg == "--organized") {
      o->grid = ExportOptions::Grid::kOrganised;
    } else if (arg == "--unorganised" || arg == "--unorganized") {
      o->grid = ExportOptions::Grid::kUnorganised;
    } else if (arg == "--axes") {
      const char* v = value();
      if (v == nullptr || !CloudAxesOfName(v, &o->axes)) return "--axes needs camera or opencv";
    } else if (arg == "--frame") {
      const char* v = value();
      if (v == nullptr) return "--frame needs a frame number";
      errno = 0;
      char* end = nullptr;
      const long n = std::strtol(v, &end, 10);
      if (errno != 0 || *end != '\0' || end == v || n < 0 || n > 100000000)
        return "--frame needs a frame number from 0";
      o->frame = static_cast<int>(n);
    } else if (arg == "--filter" || arg == "--noise-report") {
      const char* v = value();
      if (v == nullptr) return arg + (arg == "--filter" ? " needs a list of filters" : " needs a recording");
      (arg == "--filter" ? o->filter : o->noise_report) = v;
      if (arg == "--filter") {
        filters::FilterSettings settings;
        std::string why;
        if (!filters::ParseFilterList(o->filter, &settings, &why)) return "--filter: " + why;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option " + arg;
    } else {
      positional.push_back(arg);
    }
  }
  if (o->help) return {};
  if (!o->noise_report.empty()) {
    if (positional.size() > 1 || !o->filter.empty() || o->frame >= 0 || o->grid != ExportOptions::Grid::kDefault ||
        o->axes != CloudAxes::kCamera)
      return "--noise-report takes a recording and at most an OUTPUT.csv";
    o->output = positional.empty() ? std::string() : positional[0];
    return {};
  }
  if (positional.size() != 2) return "give one INPUT and one OUTPUT";
  o->input = positional[0];
  o->output = positional[1];
  if (!CloudFormatOfPath(o->output, &o->format)) return "OUTPUT must end in .pcd or .ply";
  return {};
}

CloudLayout LayoutOf(const ExportOptions& o) {
  CloudLayout layout;
  layout.organised = o.grid == ExportOptions::Grid::kDefault ? OrganisedByDefault(o.format)
                                                             : o.grid == ExportOptions::Grid::kOrganised;
  layout.axes = o.axes;
  return layout;
}

std::string NumberedPath(const std::string& output, int k) {
  char number[16];
  std::snprintf(number, sizeof number, "_%04d", k);
  return output.substr(0, output.size() - 4) + number + output.substr(output.size() - 4);
}

}  // namespace cloud
}  // namespace kelvara
