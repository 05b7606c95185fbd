// The fake bridge library: the six Qor3D_ functions record their calls.
// Built twice: complete, and without Qor3D_UpdateColorRange
// (FAKE_VELMAR_WITHOUT_COLOR_RANGE) to test a library that lacks a function.
#include "feed3d/testing/fake_velmar.h"

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace {

struct Call {
  std::string text;
  unsigned long thread;
};

std::mutex g_mutex;
std::deque<Call> g_calls;  // a deque keeps the strings in place as it grows
std::map<std::string, int> g_refusals;
std::map<std::string, int> g_refusal_results;

int Record(const std::string& function, const std::string& arguments) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_calls.push_back({function + " " + arguments,
                     static_cast<unsigned long>(std::hash<std::thread::id>()(std::this_thread::get_id()))});
  int& refusals = g_refusals[function];
  if (refusals > 0) {
    --refusals;
    auto result = g_refusal_results.find(function);
    return result == g_refusal_results.end() ? 1 : result->second;
  }
  return 0;
}

}  // namespace

extern "C" {

void FakeVelmar_Reset(void) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_calls.clear();
  g_refusals.clear();
  g_refusal_results.clear();
}

int FakeVelmar_CallCount(void) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return static_cast<int>(g_calls.size());
}

const char* FakeVelmar_Call(int index) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return index >= 0 && index < static_cast<int>(g_calls.size()) ? g_calls[index].text.c_str() : "";
}

unsigned long FakeVelmar_CallThread(int index) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return index >= 0 && index < static_cast<int>(g_calls.size()) ? g_calls[index].thread : 0;
}

void FakeVelmar_Refuse(const char* function, int times) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_refusals[function] = times;
  g_refusal_results.erase(function);
}

void FakeVelmar_RefuseWith(const char* function, int times, int result) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_refusals[function] = times;
  g_refusal_results[function] = result;
}

int Qor3D_UpdateAngleTable(const char* path) { return Record("angle", path); }
int Qor3D_UpdateDistanceData(const char* path) { return Record("data", path); }
int Qor3D_UpdateDistanceRange(int min, int max) {
  return Record("range", std::to_string(min) + " " + std::to_string(max));
}
int Qor3D_UpdateDistanceRatio(float ratio) {
  char text[32];
  std::snprintf(text, sizeof(text), "%g", static_cast<double>(ratio));
  return Record("ratio", text);
}
#ifndef FAKE_VELMAR_WITHOUT_COLOR_RANGE
int Qor3D_UpdateColorRange(int min, int max) {
  return Record("color", std::to_string(min) + " " + std::to_string(max));
}
#endif
int Qor3D_UpdateCoordinateData(const char* path) { return Record("coordinates", path); }

}  // extern "C"
