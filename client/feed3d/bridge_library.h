#pragma once
// The bridge library libvelmar.so, loaded at run time from the program
// folder, with its six functions.
#include <memory>
#include <string>

namespace kelvara {

class BridgeLibrary {
 public:
  using PathFunction = int (*)(const char*);
  using RangeFunction = int (*)(int, int);
  using RatioFunction = int (*)(float);

  // Loads the library and looks the six functions up, in the order
  // Qor3D_UpdateAngleTable, Qor3D_UpdateDistanceData, Qor3D_UpdateDistanceRange,
  // Qor3D_UpdateDistanceRatio, Qor3D_UpdateColorRange, Qor3D_UpdateCoordinateData.
  // nullptr when the library cannot be loaded or a function is missing (the
  // library is then unloaded again).
  static std::unique_ptr<BridgeLibrary> Load(const std::string& path);
  ~BridgeLibrary();  // unloads
  BridgeLibrary(const BridgeLibrary&) = delete;
  BridgeLibrary& operator=(const BridgeLibrary&) = delete;

  PathFunction UpdateAngleTable = nullptr;
  PathFunction UpdateDistanceData = nullptr;
  RangeFunction UpdateDistanceRange = nullptr;
  RatioFunction UpdateDistanceRatio = nullptr;
  RangeFunction UpdateColorRange = nullptr;
  PathFunction UpdateCoordinateData = nullptr;

 private:
  explicit BridgeLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

}  // namespace kelvara
