// The viewer's angle table file (comma-separated text, 240 rows of 320).
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file_input.h"
#include "viewer/angle_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelvara::viewer;
  const std::string path = kelvara::fuzzing::FileWith(data, size);
  // Narrow tables reach the row and field limits with small inputs.
  for (int columns : {kGridColumns, 3}) {
    const AngleTable table = readAngleTable(path, columns);
    OpticalCenter center;
    findOpticalCenter(table, &center);
    if (!table.empty()) {
      volatile float sink = table.at(table.rows() - 1, table.columns - 1);
      (void)sink;
    }
  }
  return 0;
}
