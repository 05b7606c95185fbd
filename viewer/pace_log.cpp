#include "viewer/pace_log.h"

#include <sys/stat.h>
#include <ctime>

namespace kelvara {
namespace viewer {
namespace {

int64_t nowNs() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

bool namesFile(int kind) { return kind == CMD_ANGLE_TABLE || kind == CMD_DISTANCE_DATA || kind == CMD_COORDINATE_DATA; }

}  // namespace

PaceLog::PaceLog(const char* path) {
  if (path != nullptr && *path != '\0') file_ = std::fopen(path, "a");
}

PaceLog::~PaceLog() {
  if (file_ != nullptr) std::fclose(file_);
}

PaceLog::Entry PaceLog::before(const PipeCommand* pending) const {
  Entry entry;
  if (file_ == nullptr || pending == nullptr) return entry;
  entry.kind = pending->kind;
  entry.startedNs = nowNs();
  if (!namesFile(entry.kind)) return entry;
  entry.path = pending->path;
  struct stat st {};
  if (stat(entry.path.c_str(), &st) == 0)
    entry.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return entry;
}

void PaceLog::applied(Entry* entry) const {
  if (file_ != nullptr) entry->appliedNs = nowNs();
}

void PaceLog::drawn(Entry* entry) {
  if (file_ == nullptr) return;
  std::fprintf(file_, "%lld %lld %lld %lld %d %s\n", static_cast<long long>(nowNs()),
               static_cast<long long>(entry->appliedNs), static_cast<long long>(entry->startedNs),
               static_cast<long long>(entry->modifiedNs), entry->kind, entry->path.c_str());
  std::fflush(file_);
}

}  // namespace viewer
}  // namespace kelvara
