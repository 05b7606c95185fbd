#include "viewer/pipe_message.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "viewer/c_number_rules.h"

namespace kelvara {
namespace viewer {
namespace {

std::optional<PipeCommand> parse(const std::string& text) { return parsePipeMessage(text.data(), text.size()); }

struct RangeCase {
  std::string message;
  int kind;
  int min;
  int max;
};

TEST(PipeMessage, RangesAreClampedByPositionThenOrdered) {
  const RangeCase cases[] = {
      {"3,0,12500", CMD_DISTANCE_RANGE, 0, 12500},
      {"3,5000,1000", CMD_DISTANCE_RANGE, 1000, 5000},
      {"3,-20,20000", CMD_DISTANCE_RANGE, 0, 12500},
      {"3,20000,-5", CMD_DISTANCE_RANGE, -5, 20000},
      {"3, 42abc,  77", CMD_DISTANCE_RANGE, 42, 77},
      {"3,x,y", CMD_DISTANCE_RANGE, 0, 0},
      {"5,700,700", CMD_COLOR_RANGE, 700, 700},
      {"5,500,3000,extra", CMD_COLOR_RANGE, 500, 3000},
      {"5,99999999999,-99999999999", CMD_COLOR_RANGE, -2147483647 - 1, 2147483647},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.message);
    auto command = parse(c.message);
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->kind, c.kind);
    if (c.kind == CMD_DISTANCE_RANGE) {
      EXPECT_EQ(command->rangeMin, c.min);
      EXPECT_EQ(command->rangeMax, c.max);
    } else {
      EXPECT_EQ(command->colorMin, c.min);
      EXPECT_EQ(command->colorMax, c.max);
    }
  }
}

TEST(PipeMessage, RatioReadsByStrtodAndNarrowsToFloat) {
  const struct {
    std::string message;
    float ratio;
  } cases[] = {
      {"4,1.0", 1.0f},         {"4,0.5", 0.5f},
      {"4,abc", 0.0f},         {"4,", 0.0f},
      {"4,  2.5e1xyz", 25.0f}, {"4,-3", -3.0f},
      {"4,0.1", 0.1f},         {"4,3.40282347e+38", FLT_MAX},  // rounds to the largest float, not infinity
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    auto command = parse(c.message);
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->kind, CMD_DISTANCE_RATIO);
    EXPECT_EQ(command->ratio, c.ratio);
  }
  // Beyond the float range: an infinity, without undefined behaviour.
  auto huge = parse("4,1e300");
  ASSERT_TRUE(huge.has_value());
  EXPECT_TRUE(std::isinf(huge->ratio));
}

TEST(PipeMessage, PathsAreTakenByteForByteUpToANul) {
  const struct {
    std::string message;
    int kind;
    std::string path;
  } cases[] = {
      {"1,name,extra", CMD_ANGLE_TABLE, "name"},
      {"2,/tmp/data_3.bin", CMD_DISTANCE_DATA, "/tmp/data_3.bin"},
      {"6,/tmp/data_3.bin\r\n", CMD_COORDINATE_DATA, "/tmp/data_3.bin\r\n"},
      {std::string("2,/tmp/x\0garbage", 16), CMD_DISTANCE_DATA, "/tmp/x"},
      {"2,", CMD_DISTANCE_DATA, ""},
      {" 2 ,  spaced", CMD_DISTANCE_DATA, "  spaced"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    auto command = parse(c.message);
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(command->kind, c.kind);
    EXPECT_EQ(command->path, c.path);
  }
}

TEST(PipeMessage, MessagesThatAreNoCommandGiveNothing) {
  const std::string cases[] = {
      "",
      "2",
      ",5",
      "7,x",
      "0,x",
      "-1,x",
      "abc,x",
      "3,100",
      "5,100",
      "\n",
      "99999999999999,x",
      std::string("\0\0\0,\0", 5),
  };
  for (const std::string& c : cases) {
    SCOPED_TRACE(c);
    EXPECT_FALSE(parse(c).has_value());
  }
  EXPECT_FALSE(parsePipeMessage(nullptr, 0).has_value());
}

TEST(PipeMessage, RandomBytesNeverCrashTheParser) {
  // A fixed pseudo-random sequence: whatever comes out must be a valid kind.
  uint32_t state = 12345;
  for (int round = 0; round < 2000; ++round) {
    char bytes[256];
    size_t length = (state >> 3) % 257;
    for (size_t i = 0; i < length; ++i) {
      state = state * 1103515245u + 12345u;
      bytes[i] = static_cast<char>(state >> 16);
      if (i == 1 && round % 3 == 0) bytes[i] = ',';
    }
    auto command = parsePipeMessage(bytes, length);
    if (command) {
      EXPECT_GE(command->kind, 1);
      EXPECT_LE(command->kind, 6);
    }
  }
}

TEST(NumberRules, LeadingIntFollowsAtoiAndSaturates) {
  EXPECT_EQ(leadingInt("  -42xyz"), -42);
  EXPECT_EQ(leadingInt("+7"), 7);
  EXPECT_EQ(leadingInt("abc"), 0);
  EXPECT_EQ(leadingInt("- 5"), 0);
  EXPECT_EQ(leadingInt("2147483648"), 2147483647);
  EXPECT_EQ(leadingInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(leadingInt("-99999999999999999999"), -2147483647 - 1);
  EXPECT_EQ(leadingInt(std::string("12\0"
                                   "34",
                                   5)),
            12);
}

}  // namespace
}  // namespace viewer
}  // namespace kelvara
