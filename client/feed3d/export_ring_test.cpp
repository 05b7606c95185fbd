#include "feed3d/export_ring.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "config/testing/temp_program_folder.h"
#include "frame/frame_layout.h"
#include "testing/test_files.h"

namespace kelvara {
namespace {

using testing::ReadFile;
using testing::ReadFileIfThere;
using testing::TempProgramFolder;

// A frame whose every byte is `fill`: a torn file shows two fills or a
// short length.
std::vector<unsigned char> Frame(unsigned char fill) { return std::vector<unsigned char>(kExportFrameBytes, fill); }

// Whole: the full frame length, one fill throughout.
::testing::AssertionResult IsWholeFrame(const std::string& bytes) {
  if (bytes.size() != static_cast<size_t>(kExportFrameBytes))
    return ::testing::AssertionFailure() << "length " << bytes.size();
  if (bytes.find_first_not_of(bytes[0]) != std::string::npos)
    return ::testing::AssertionFailure() << "two frames mixed";
  return ::testing::AssertionSuccess();
}

TEST(ExportRing, CyclesTheSlotsAndNamesTheOneJustWritten) {
  TempProgramFolder folder;
  ExportRing ring(folder.path());
  for (int i = 0; i < kExportSlots + 2; ++i) {
    ASSERT_TRUE(ring.Write(Frame(static_cast<unsigned char>(i + 1)).data()));
    const int slot = i % kExportSlots;
    EXPECT_EQ(ReadFile(ring.PointerPath()), std::to_string(slot));
    EXPECT_EQ(ReadFile(ring.SlotPath(slot)), std::string(kExportFrameBytes, static_cast<char>(i + 1)));
    EXPECT_EQ(ring.NextSlot(), (slot + 1) % kExportSlots);
  }
}

// The viewer reads a slot while the loop may be replacing it: every read,
// of the slot "data_no" names or of any other, finds a whole frame.
TEST(ExportRing, ASlotReadWhileBeingReplacedIsAlwaysWhole) {
  TempProgramFolder folder;
  ExportRing ring(folder.path());
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 4 * kExportSlots * 5; ++i) ring.Write(Frame(static_cast<unsigned char>(1 + i % 250)).data());
    done = true;
  });

  int reads = 0;
  while (!done) {
    const std::string named = ReadFile(ring.PointerPath());
    const int slot = named.empty() ? -1 : std::stoi(named);
    for (int s = 0; s < kExportSlots; ++s) {
      std::string bytes;
      if (!ReadFileIfThere(ring.SlotPath(slot < 0 ? s : (slot + s) % kExportSlots), &bytes)) continue;
      ++reads;
      ASSERT_TRUE(IsWholeFrame(bytes)) << "read " << reads;
    }
  }
  writer.join();
  EXPECT_GT(reads, 0);
}

}  // namespace
}  // namespace kelvara
