// Port numbers: names in the port directory and detected devices.
#include "uart/port_names.h"

#include <gtest/gtest.h>

namespace kelvara {
namespace uart {
namespace {

TEST(PortNames, EntryNamesAreComFollowedByAPlainNumberUpTo127) {
  const struct {
    const char* name;
    int port;
  } kCases[] = {{"COM1", 1},   {"COM7", 7},   {"COM99", 99},   {"COM127", 127}, {"COM128", -1},
                {"COM0", -1},  {"COM07", -1}, {"COM", -1},     {"com5", -1},    {"COM5x", -1},
                {"COM-1", -1}, {"COM+1", -1}, {"COM1000", -1}, {"XCOM5", -1},   {"COM 5", -1}};
  for (const auto& c : kCases) EXPECT_EQ(PortNumberOfEntryName(c.name), c.port) << c.name;
}

TEST(PortNames, DetectedDevicesTakeTheTopNumbersWithoutOverlap) {
  const struct {
    const char* name;
    int port;
  } kCases[] = {{"ttyUSB0", 100}, {"ttyUSB1", 101},  {"ttyUSB13", 113}, {"ttyUSB14", -1},
                {"ttyACM0", 114}, {"ttyACM13", 127}, {"ttyACM14", -1},  {"ttyUSB01", -1},
                {"ttyUSB", -1},   {"ttyS0", -1},     {"ttyUSB-1", -1},  {"pts/3", -1}};
  for (const auto& c : kCases) EXPECT_EQ(PortNumberOfDeviceName(c.name), c.port) << c.name;
}

TEST(PortNames, NumbersOutsideTheRangeHaveNoDevice) {
  EXPECT_EQ(PortDevicePath(0), "");
  EXPECT_EQ(PortDevicePath(-3), "");
  EXPECT_EQ(PortDevicePath(128), "");
}

}  // namespace
}  // namespace uart
}  // namespace kelvara
