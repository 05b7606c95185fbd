// The live 3D view's pace: the viewer Orvinel on an X display, fed as the
// client feeds it. Every 50 ms a new frame of the simulator's room scene is
// written into the export ring and its slot is handed to the viewer through
// libvelmar.so, in passes as the bridge thread makes them (a pass, then a
// 50 ms pause). The viewer's pace log
// (KELVARA_VIEWER_PACE_LOG) tells for every applied command when it was
// applied and drawn, and the modification time of the file it read, which
// names the write that was shown.
//
// Counters: clouds_per_s (distinct frames drawn per second of feeding), delay_median_ms
// and delay_p99_ms (from the start of a frame's write to the end of the
// drawing that shows it), max_age_ms (from the write to the command's
// application, for the oldest one applied), viewer_cpu_ms_per_cloud (the
// viewer's CPU time while fed, per cloud shown: on a loaded machine the
// delays grow while this stays), taken and refused (the sends).
//
// Needs an X display; without one it runs itself again under xvfb-run.
//   --pace_seconds=N  feed for N seconds (default 10)
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bridge/velmar.h"
#include "camera_facts/command_codes.h"
#include "camsim/scene.h"
#include "common/runtime_dir.h"
#include "feed3d/angle_file.h"
#include "feed3d/export_ring.h"
#include "testing/await.h"
#include "testing/temp_folder.h"

extern char** environ;

namespace kelvara {
namespace {

constexpr int kIntervalMs = 50;
int g_paceSeconds = 10;

int64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t ModifiedNs(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool Await(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  return testing::Await(condition, limit, std::chrono::milliseconds(5));
}

struct LogLine {
  int64_t drawn, applied, started, modified;
  int kind;
};

std::vector<LogLine> ReadPaceLog(const std::string& path) {
  std::vector<LogLine> lines;
  std::ifstream in(path);
  std::string text;
  while (std::getline(in, text)) {
    std::istringstream s(text);
    LogLine l{};
    if (s >> l.drawn >> l.applied >> l.started >> l.modified >> l.kind) lines.push_back(l);
  }
  return lines;
}

// CPU time the process has used so far, in milliseconds (user and system).
double CpuMs(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(in, text);
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i)
    if (i == 14 || i == 15) ticks += std::atof(field.c_str());
  return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  size_t i = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(i, values.size() - 1)];
}

// The room scene's angle table, written as the client writes "angle.csv".
bool WriteRoomAngleFile(camsim::Scene& scene, const std::string& path) {
  const unsigned char* reply = scene.AngleTable();
  ThetaPhiTable table;
  table.theta.resize(kPixelCount);
  table.phi.resize(kPixelCount);
  const unsigned char* phi = reply + kPlaneBytes;
  for (int i = 0; i < kPixelCount; ++i) {
    table.theta[i] = static_cast<uint16_t>(reply[2 * i] | (reply[2 * i + 1] << 8));
    table.phi[i] = static_cast<uint16_t>(phi[2 * i] | (phi[2 * i + 1] << 8));
  }
  return WriteAngleFile(path, table);
}

class Folder {
 public:
  Folder() : folder_("kelvara-pace"), path_(folder_.path() + "/") {
    mkdir((path_ + "3d_data").c_str(), 0700);
    mkdir((path_ + "run").c_str(), 0700);
  }
  ~Folder() {
    // KELVARA_PACE_KEEP: where to keep the pace log of the run.
    if (const char* keep = std::getenv("KELVARA_PACE_KEEP")) {
      std::ifstream in(path_ + "pace.log", std::ios::binary);
      std::ofstream(keep, std::ios::binary) << in.rdbuf();
    }
  }
  const std::string& path() const { return path_; }

 private:
  kelvara::testing::TempFolder folder_;
  std::string path_;
};

void BM_ViewerPace(benchmark::State& state) {
  Folder folder;
  const std::string log_path = folder.path() + "pace.log";
  setenv("KELVARA_RUNTIME_DIR", (folder.path() + "run").c_str(), 1);
  setenv("KELVARA_VIEWER_PACE_LOG", log_path.c_str(), 1);
  std::unique_ptr<camsim::Scene> scene = camsim::MakeScene("room", 1);
  const std::string angle_path = folder.path() + "3d_data/angle.csv";
  if (!scene || !WriteRoomAngleFile(*scene, angle_path)) {
    state.SkipWithError("cannot write the angle file");
    return;
  }

  for (auto _ : state) {
    state.PauseTiming();
    unlink(log_path.c_str());
    pid_t viewer = -1;
    char* argv[] = {const_cast<char*>(ORVINEL_PATH), nullptr};
    if (posix_spawn(&viewer, ORVINEL_PATH, nullptr, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start the viewer");
      return;
    }
    // The angle table is read (and the optical centre found) before frames come.
    const bool ready = Await([] { return Qor3D_UpdateDistanceRange(0, 12500) == 0; }, std::chrono::seconds(60)) &&
                       Qor3D_UpdateColorRange(0, 6000) == 0 && Qor3D_UpdateAngleTable(angle_path.c_str()) == 0 &&
                       Await([&] { return ReadPaceLog(log_path).size() >= 3; }, std::chrono::seconds(60));
    state.ResumeTiming();

    // As the bridge thread does: a pass, then the interval's pause.
    ExportRing ring(folder.path());
    camsim::CameraParameters parameters;
    std::map<int64_t, int64_t> write_start_by_mtime;
    int taken = 0, refused = 0;
    const double cpu_before = CpuMs(viewer);
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(g_paceSeconds);
    while (ready && std::chrono::steady_clock::now() < end) {
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const unsigned char* frame = scene->Frame(parameters, seconds);
      const int slot = ring.NextSlot();
      const int64_t write_start = NowNs();
      ring.Write(frame);
      write_start_by_mtime[ModifiedNs(ring.SlotPath(slot))] = write_start;
      if (Qor3D_UpdateDistanceData(ring.SlotPath(slot).c_str()) == 0) {
        ++taken;
      } else {
        ++refused;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(kIntervalMs));
    }
    const double fed_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // The last command drawn, or the viewer is stuck.
    Await([&] { return ReadPaceLog(log_path).size() >= static_cast<size_t>(3 + taken); }, std::chrono::seconds(2));
    const double cpu_used = CpuMs(viewer) - cpu_before;
    state.PauseTiming();
    kill(viewer, SIGTERM);
    waitpid(viewer, nullptr, 0);
    state.ResumeTiming();

    std::vector<double> delays;
    double max_age_ms = 0;
    std::map<int64_t, bool> shown;
    for (const LogLine& l : ReadPaceLog(log_path)) {
      if (l.kind != 2) continue;
      auto written = write_start_by_mtime.find(l.modified);
      if (written == write_start_by_mtime.end()) continue;
      shown[l.modified] = true;
      delays.push_back(static_cast<double>(l.drawn - written->second) / 1e6);
      max_age_ms = std::max(max_age_ms, static_cast<double>(l.applied - written->second) / 1e6);
    }
    if (!ready) state.SkipWithError("the viewer did not take the first commands");
    state.counters["clouds_per_s"] = static_cast<double>(shown.size()) / fed_seconds;
    state.counters["delay_median_ms"] = Percentile(delays, 0.5);
    state.counters["delay_p99_ms"] = Percentile(delays, 0.99);
    state.counters["max_age_ms"] = max_age_ms;
    state.counters["viewer_cpu_ms_per_cloud"] = shown.empty() ? -1 : cpu_used / static_cast<double>(shown.size());
    state.counters["taken"] = taken;
    state.counters["refused"] = refused;
  }
}
BENCHMARK(BM_ViewerPace)->Iterations(1)->Unit(benchmark::kMillisecond);

// Without an X display, runs this program again under xvfb-run (software
// rendering, as on the build machines). Returns only when that is not needed.
void RunUnderXvfbIfNeeded(int argc, char** argv) {
  const char* display = std::getenv("DISPLAY");
  if (display != nullptr && *display != '\0') return;
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  std::vector<char*> args = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                             const_cast<char*>("-n"),       const_cast<char*>("180"),
                             const_cast<char*>("-s"),       const_cast<char*>("-screen 0 1024x768x24")};
  for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  execvp("xvfb-run", args.data());
  std::fprintf(stderr, "viewer_pace_bench: no X display and no xvfb-run: %s\n", std::strerror(errno));
  std::exit(1);
}

}  // namespace
}  // namespace kelvara

int main(int argc, char** argv) {
  kelvara::RunUnderXvfbIfNeeded(argc, argv);
  // Our own option first; Google Benchmark refuses unknown ones.
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--pace_seconds=", 15) == 0) {
      kelvara::g_paceSeconds = std::max(1, std::atoi(argv[i] + 15));
    } else {
      rest.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
