#include "capture/capture_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvara {
namespace {

std::string Parse(std::vector<const char*> args, CaptureOptions* o) {
  args.insert(args.begin(), "kelvara-capture");
  return ParseCaptureOptions(static_cast<int>(args.size()), args.data(), o);
}

TEST(CaptureOptionsTest, DefaultsAreTheLoggingPanelsAndEveryOptionParses) {
  CaptureOptions d;
  ASSERT_EQ(Parse({"--port", "7"}, &d), "");
  EXPECT_EQ(d.port, 7);
  EXPECT_EQ(d.format, -1);
  EXPECT_EQ(d.total, 10);
  EXPECT_EQ(d.once, 1);
  EXPECT_EQ(d.interval, 0);
  EXPECT_EQ(d.name, "unnamed");
  EXPECT_EQ(d.out, ".");
  EXPECT_TRUE(d.bin && d.pcd);
  EXPECT_FALSE(d.csv || d.png);
  EXPECT_EQ(d.range_min, 0);
  EXPECT_EQ(d.range_max, 6250);

  CaptureOptions o;
  ASSERT_EQ(Parse({"--port",          "12",      "--format", "5",
                   "--total",         "5",       "--once",   "2",
                   "--interval",      "3",       "--name",   "t",
                   "--out",           "/tmp/x",  "--csv",    "--png",
                   "--hflip",         "--vflip", "--range",  "500:3000",
                   "--stop-sampling", "--3d",    "--record", "/tmp/r.kvrec",
                   "--cloud",         "ply",     "--filter", "temporal,flying"},
                  &o),
            "");
  EXPECT_EQ(o.port, 12);
  EXPECT_EQ(o.format, 5);
  EXPECT_EQ(o.total, 5);
  EXPECT_EQ(o.once, 2);
  EXPECT_EQ(o.interval, 3);
  EXPECT_EQ(o.name, "t");
  EXPECT_EQ(o.out, "/tmp/x");
  EXPECT_TRUE(o.csv && o.png && !o.bin && !o.pcd) << "naming file kinds replaces the defaults";
  EXPECT_TRUE(o.hflip && o.vflip && o.stop_sampling && o.export_3d);
  EXPECT_EQ(o.range_min, 500);
  EXPECT_EQ(o.range_max, 3000);
  EXPECT_EQ(o.record, "/tmp/r.kvrec");
  EXPECT_EQ(o.cloud, "ply");
  EXPECT_TRUE(o.filters.flying && !o.filters.spatial && o.filters.temporal);
  EXPECT_EQ(d.record, "");
  EXPECT_EQ(d.cloud, "");
  EXPECT_FALSE(d.filters.any());
}

TEST(CaptureOptionsTest, BadCommandLinesAreRefusedWithAReason) {
  const std::vector<std::vector<const char*>> bad = {
      {},
      {"--port"},
      {"--port", "0"},
      {"--port", "128"},
      {"--port", "7x"},
      {"--port", "7", "--format", "7"},
      {"--port", "7", "--total", "0"},
      {"--port", "7", "--once", "0"},
      {"--port", "7", "--interval", "-1"},
      {"--port", "7", "--name", "a/b"},
      {"--port", "7", "--range", "100"},
      {"--port", "7", "--range", "a:b"},
      {"--port", "7", "--bogus"},
      {"--port", "7", "--record"},
      {"--port", "7", "--record", ""},
      {"--port", "7", "--cloud", "xyz"},
      {"--port", "7", "--cloud"},
      {"--port", "7", "--cloud", "pcd", "--filter"},
      {"--port", "7", "--cloud", "pcd", "--filter", ""},
      {"--port", "7", "--cloud", "pcd", "--filter", "flying,"},
      {"--port", "7", "--cloud", "pcd", "--filter", "flying,edges"},
      {"--port", "7", "--cloud", "pcd", "--filter", "spatial,spatial"},
      {"--port", "7", "--filter", "flying"},
  };
  for (const auto& args : bad) {
    CaptureOptions o;
    EXPECT_NE(Parse(args, &o), "") << (args.empty() ? "(none)" : args.back());
  }
  // The filters change only the clouds: without --cloud they would do nothing.
  CaptureOptions f;
  EXPECT_EQ(Parse({"--port", "7", "--pcd", "--filter", "flying"}, &f),
            "--filter needs --cloud ply|pcd: the filters act on the clouds, never on the log files");
  EXPECT_EQ(Parse({"--port", "7", "--cloud", "pcd", "--filter", "flying,edges"}, &f),
            "--filter: unknown filter \"edges\" (the filters are flying, spatial and temporal)");
  CaptureOptions h;
  EXPECT_EQ(Parse({"--help"}, &h), "");
  EXPECT_TRUE(h.help);
}

}  // namespace
}  // namespace kelvara
