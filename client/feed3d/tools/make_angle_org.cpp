// Build-time generator of the delivered fallback angle file "angle.org":
// the angle table of the simulator's "room" lens, written as the client
// writes "angle.csv".
//   make_angle_org OUTPUT
#include <cstdio>
#include <vector>

#include "camera_facts/command_codes.h"
#include "feed3d/angle_file.h"
#include "lens/room_lens.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_angle_org OUTPUT\n");
    return 2;
  }
  std::vector<unsigned char> reply(kelvara::kThetaPhiTableBytes);
  kelvara::FillRoomAngleTable(reply.data());
  kelvara::ThetaPhiTable table;
  table.theta.resize(kelvara::kPixelCount);
  table.phi.resize(kelvara::kPixelCount);
  const unsigned char* phi = reply.data() + kelvara::kPlaneBytes;
  for (int i = 0; i < kelvara::kPixelCount; ++i) {
    table.theta[i] = static_cast<uint16_t>(reply[2 * i] | (reply[2 * i + 1] << 8));
    table.phi[i] = static_cast<uint16_t>(phi[2 * i] | (phi[2 * i + 1] << 8));
  }
  if (!kelvara::WriteAngleFile(argv[1], table)) {
    std::fprintf(stderr, "make_angle_org: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
