#pragma once
// A pattern-scene simulator on a private port directory, reached through
// the client's link library and libUART.so.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "camsim/testing/sim_process.h"
#include "link/camera_link.h"
#include "uart/UART.h"

namespace kelvara {

// Counts the exchange's failure pauses instead of sleeping them.
inline std::atomic<int> g_pauses{0};
inline void CountPause(int ms) {
  EXPECT_EQ(ms, 300);
  ++g_pauses;
}

class SimLinkTest : public ::testing::Test {
 protected:
  static constexpr int kPort = 7;

  void StartSim(std::vector<std::string> args) {
    sim_ = testing::SimProcess::Start(args, kPort);
    ASSERT_TRUE(sim_) << testing::SimProcess::last_error();
    ASSERT_EQ(sim_->port(), kPort);
    ASSERT_NE(com_init(kPort, 0), 0);
  }
  void SetUp() override { g_pauses = 0; }
  void TearDown() override {
    com_close();
    sim_.reset();
  }

  // The production binding, with pauses counted instead of slept.
  CameraLink link_{UartSerialLibrary(), &CountPause};
  testing::PrivateRuntimeDir dir_;
  std::unique_ptr<testing::SimProcess> sim_;
};

}  // namespace kelvara
