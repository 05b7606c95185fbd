#pragma once
// Command line of kelvara-capture.
#include <string>

#include "filters/filter_chain.h"

namespace kelvara {

struct CaptureOptions {
  int port = -1;                 // --port N (required)
  int format = -1;               // --format 0..6; -1 keeps the camera's format
  int total = 10;                // --total L
  int once = 1;                  // --once O
  int interval = 0;              // --interval S
  std::string name = "unnamed";  // --name BASE
  std::string out = ".";         // --out DIR
  bool csv = false, png = false, bin = false, pcd = false;
  bool hflip = false, vflip = false;
  int range_min = 0, range_max = 6250;  // --range MIN:MAX
  bool stop_sampling = false;           // --stop-sampling
  bool export_3d = false;               // --3d
  std::string record;                   // --record FILE: every received frame into one recording
  std::string cloud;                    // --cloud ply|pcd: a cloud file per logged frame
  filters::FilterSettings filters;      // --filter LIST: the chain over the clouds (every stage off)
  bool help = false;                    // --help
};

// Parses argv. Returns an empty string on success, else the reason.
// With none of --csv/--png/--bin/--pcd, bin and pcd are on.
std::string ParseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options);

// The --help text.
std::string CaptureUsage();

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitNoPort = 3;
constexpr int kExitNoAnswer = 4;
constexpr int kExitFormatRefused = 5;
constexpr int kExitOutput = 6;
constexpr int kExitMeasurement = 7;
// Ended by a signal before the logging run began (while connecting), or by a
// second interrupt that the run could not follow within a moment.
constexpr int kExitInterrupted = 130;

}  // namespace kelvara
