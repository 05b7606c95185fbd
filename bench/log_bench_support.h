#pragma once
// A private temporary folder for the log benchmarks' files.
#include "testing/temp_folder.h"

namespace kelvara {

using BenchDir = testing::TempFolder;

}  // namespace kelvara
