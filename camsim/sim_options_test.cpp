// The simulator's command line.
#include "camsim/sim_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvara {
namespace camsim {
namespace {

bool Parse(std::vector<const char*> args, SimOptions* o, std::string* error) {
  args.insert(args.begin(), "kelvara-camsim");
  return ParseSimOptions(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(SimOptions, DefaultsAndEveryOption) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(Parse({}, &o, &error));
  EXPECT_EQ(o.port, 0);
  EXPECT_EQ(o.scene, "room");
  EXPECT_EQ(o.link_rate, 0);
  ASSERT_TRUE(Parse({"--port", "7", "--scene=pattern", "--link-rate", "1000000", "--drop-every", "3",
                     "--corrupt-every=4", "--truncate-every", "5", "--seed", "99"},
                    &o, &error))
      << error;
  EXPECT_EQ(o.port, 7);
  EXPECT_EQ(o.scene, "pattern");
  EXPECT_EQ(o.link_rate, 1000000);
  EXPECT_EQ(o.faults.drop_every, 3);
  EXPECT_EQ(o.faults.corrupt_every, 4);
  EXPECT_EQ(o.faults.truncate_every, 5);
  EXPECT_EQ(o.faults.seed, 99u);
}

TEST(SimOptions, RefusesBadValuesWithAReason) {
  const std::vector<std::vector<const char*>> kBad = {{"--port", "0"},         {"--port", "128"},
                                                      {"--port", "7x"},        {"--port"},
                                                      {"--scene", "garden"},   {"--link-rate", "-1"},
                                                      {"--drop-every", "two"}, {"--seed", ""},
                                                      {"--frobnicate", "1"},   {"stray"}};
  for (const auto& args : kBad) {
    SimOptions o;
    std::string error;
    EXPECT_FALSE(Parse(args, &o, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

// The message names the actual problem.
TEST(SimOptions, ErrorsNameTheProblem) {
  const struct {
    std::vector<const char*> args;
    const char* error;
  } kCases[] = {{{"--bogus"}, "unknown option --bogus"},
                {{"--bogus", "1"}, "unknown option --bogus"},
                {{"--bogus=1"}, "unknown option --bogus"},
                {{"stray"}, "unknown argument stray"},
                {{"--port"}, "--port needs a value"}};
  for (const auto& c : kCases) {
    SimOptions o;
    std::string error;
    EXPECT_FALSE(Parse(c.args, &o, &error));
    EXPECT_EQ(error, c.error);
  }
}

// Replaying a recording instead of simulating a scene.
TEST(ReplayOptions, ReplayLoopAndRate) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--replay", "r.kvrec", "--loop", "--fps", "0"}, &o, &error)) << error;
  EXPECT_EQ(o.replay, "r.kvrec");
  EXPECT_TRUE(o.loop);
  EXPECT_EQ(o.fps, 0);
  SimOptions d;
  ASSERT_TRUE(Parse({"--replay=r.kvrec", "--rate-from-file"}, &d, &error)) << error;
  EXPECT_EQ(d.fps, -1);
  EXPECT_FALSE(d.loop);
  const std::vector<std::vector<const char*>> bad = {
      {"--loop"},
      {"--fps", "10"},
      {"--replay", "r", "--fps", "-1"},
      {"--replay", "r", "--fps", "5", "--rate-from-file"},
      {"--replay", "r", "--scene", "room"},
      {"--replay"},
  };
  for (const auto& args : bad) {
    SimOptions b;
    EXPECT_FALSE(Parse(args, &b, &error)) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    EXPECT_FALSE(error.empty());
  }
}

// A warming camera: the room scene only.
TEST(WarmUpOption, MinutesForTheRoomScene) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--warm-up", "2.5"}, &o, &error)) << error;
  EXPECT_DOUBLE_EQ(o.warm_up_minutes, 2.5);
  const std::vector<std::vector<const char*>> bad = {
      {"--warm-up", "0"},
      {"--warm-up", "-3"},
      {"--warm-up", "ten"},
      {"--warm-up", "1441"},
      {"--warm-up"},
      {"--warm-up", "5", "--scene", "pattern"},
      {"--warm-up", "5", "--replay", "r"},
  };
  for (const auto& args : bad) {
    SimOptions b;
    EXPECT_FALSE(Parse(args, &b, &error)) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace camsim
}  // namespace kelvara
