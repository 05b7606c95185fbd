#include "capture/capture_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "camera_facts/format_table.h"

namespace kelvara {
namespace {

// A whole decimal number within [lo, hi].
bool ParseInt(const std::string& text, int lo, int hi, int* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  *value = static_cast<int>(v);
  return true;
}

std::string Range(const char* option, int lo, int hi) {
  return std::string(option) + " needs a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
}

// "0 Amplitude, 1 Distance(Polar), ..." from the format table, indented and
// wrapped within 80 columns.
std::string FormatList() {
  constexpr std::size_t kIndent = 20, kWidth = 80;
  std::string text, line(kIndent, ' ');
  for (int i = 0; i < kFormatCount; ++i) {
    std::string item = std::to_string(i) + " " + kFormatNames[i];
    if (i + 1 < kFormatCount) item += ",";
    if (line.size() > kIndent && line.size() + 1 + item.size() > kWidth) {
      text += line + "\n";
      line.assign(kIndent, ' ');
    }
    if (line.size() > kIndent) line += " ";
    line += item;
  }
  return text + line + "\n";
}

}  // namespace

std::string CaptureUsage() {
  return "Usage: kelvara-capture --port N [options]\n"
         "Connects to the camera on port COM<N>, runs one logging run and exits.\n"
         "\n"
         "  --port N          serial port number (required)\n"
         "  --format F        set output format 0.." +
         std::to_string(kFormatCount - 1) + " before the run (default: keep the camera's)\n" + FormatList() +
         "  --total L         frames to log (1..999999, default 10)\n"
         "  --once O          frames per burst (1..999999, default 1)\n"
         "  --interval S      seconds between burst starts (0..999999, default 0)\n"
         "  --name BASE       base name of the log files (default \"unnamed\")\n"
         "  --out DIR         output folder, created when missing (default: current folder)\n"
         "  --csv --png --bin --pcd   files to write (none given: --bin --pcd)\n"
         "  --hflip --vflip   flip the logged planes and images\n"
         "  --range MIN:MAX   distance colour range of the PNG images in mm (default 0:6250)\n"
         "  --stop-sampling   read and log no temperatures\n"
         "  --3d              also write the 3D export ring next to the executable\n"
         "  --record FILE     also record every received frame into FILE (replay it with\n"
         "                    kelvara-camsim --replay FILE)\n"
         "  --cloud ply|pcd   also write each logged point frame as NAME_cloud_NNNN.ply or\n"
         "                    .pcd: x, y, z in metres, amplitude as intensity (point formats)\n"
         "  --filter LIST     with --cloud: filter the clouds first (flying, spatial,\n"
         "                    temporal or any subset, comma-separated; applied in that\n"
         "                    order); flying pixels become NaN (pcd) or are dropped (ply);\n"
         "                    the log files and the recording keep the camera's values\n"
         "  --help            this text\n"
         "  --version         the program's version\n"
         "\n"
         "Ctrl-C ends the logging run cleanly (one more frame is logged, the settings\n"
         "block is written, the camera is stopped); a second Ctrl-C stops at once.\n"
         "\n"
         "Exit status: 0 success, 2 bad command line, 3 no such port, 4 no answer from\n"
         "the camera, 5 format refused, 6 output folder or a log file not writable,\n"
         "7 measurement failed (start refused or too many failed cycles).\n";
}

std::string ParseCaptureOptions(int argc, const char* const* argv, CaptureOptions* o) {
  bool any_file_kind = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      o->help = true;
    } else if (arg == "--port") {
      if (!value(&v) || !ParseInt(v, 1, 127, &o->port)) return Range("--port", 1, 127);
    } else if (arg == "--format") {
      if (!value(&v) || !ParseInt(v, 0, kFormatCount - 1, &o->format)) return Range("--format", 0, kFormatCount - 1);
    } else if (arg == "--total") {
      if (!value(&v) || !ParseInt(v, 1, 999999, &o->total)) return Range("--total", 1, 999999);
    } else if (arg == "--once") {
      if (!value(&v) || !ParseInt(v, 1, 999999, &o->once)) return Range("--once", 1, 999999);
    } else if (arg == "--interval") {
      if (!value(&v) || !ParseInt(v, 0, 999999, &o->interval)) return Range("--interval", 0, 999999);
    } else if (arg == "--name") {
      if (!value(&v) || v.empty() || v.find('/') != std::string::npos) return "--name needs a base name without '/'";
      o->name = v;
    } else if (arg == "--out") {
      if (!value(&v) || v.empty()) return "--out needs a folder";
      o->out = v;
    } else if (arg == "--range") {
      const size_t colon = (value(&v) ? v.find(':') : std::string::npos);
      if (colon == std::string::npos || !ParseInt(v.substr(0, colon), INT_MIN, INT_MAX, &o->range_min) ||
          !ParseInt(v.substr(colon + 1), INT_MIN, INT_MAX, &o->range_max))
        return "--range needs MIN:MAX in millimetres, e.g. 0:6250";
    } else if (arg == "--csv" || arg == "--png" || arg == "--bin" || arg == "--pcd") {
      any_file_kind = true;
      (arg == "--csv" ? o->csv : arg == "--png" ? o->png : arg == "--bin" ? o->bin : o->pcd) = true;
    } else if (arg == "--hflip") {
      o->hflip = true;
    } else if (arg == "--vflip") {
      o->vflip = true;
    } else if (arg == "--stop-sampling") {
      o->stop_sampling = true;
    } else if (arg == "--3d") {
      o->export_3d = true;
    } else if (arg == "--record") {
      if (!value(&v) || v.empty()) return "--record needs a file name";
      o->record = v;
    } else if (arg == "--cloud") {
      if (!value(&v) || (v != "ply" && v != "pcd")) return "--cloud needs ply or pcd";
      o->cloud = v;
    } else if (arg == "--filter") {
      if (!value(&v)) return "--filter needs a list of filters";
      std::string why;
      if (!filters::ParseFilterList(v, &o->filters, &why)) return "--filter: " + why;
    } else {
      return "unknown option " + arg;
    }
  }
  if (o->help) return {};
  if (o->port < 0) return "--port N is required";
  if (o->filters.any() && o->cloud.empty())
    return "--filter needs --cloud ply|pcd: the filters act on the clouds, never on the log files";
  if (!any_file_kind) o->bin = o->pcd = true;
  return {};
}

}  // namespace kelvara
