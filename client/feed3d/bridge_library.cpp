#include "feed3d/bridge_library.h"

#include <dlfcn.h>

namespace kelvara {
namespace {

template <typename F>
bool Find(void* handle, const char* name, F* function) {
  *function = reinterpret_cast<F>(dlsym(handle, name));
  return *function != nullptr;
}

}  // namespace

std::unique_ptr<BridgeLibrary> BridgeLibrary::Load(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  std::unique_ptr<BridgeLibrary> library(new BridgeLibrary(handle));
  if (!Find(handle, "Qor3D_UpdateAngleTable", &library->UpdateAngleTable) ||
      !Find(handle, "Qor3D_UpdateDistanceData", &library->UpdateDistanceData) ||
      !Find(handle, "Qor3D_UpdateDistanceRange", &library->UpdateDistanceRange) ||
      !Find(handle, "Qor3D_UpdateDistanceRatio", &library->UpdateDistanceRatio) ||
      !Find(handle, "Qor3D_UpdateColorRange", &library->UpdateColorRange) ||
      !Find(handle, "Qor3D_UpdateCoordinateData", &library->UpdateCoordinateData)) {
    return nullptr;  // the destructor unloads it
  }
  return library;
}

BridgeLibrary::~BridgeLibrary() {
  if (handle_) dlclose(handle_);
}

}  // namespace kelvara
