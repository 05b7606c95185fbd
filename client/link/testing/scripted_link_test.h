#pragma once
// The fixture of the link's unit tests: a CameraLink over the scripted
// serial fake, its pauses recorded, and a status byte preset to a value no
// reply carries, so that a test sees whether the link wrote it.
#include <gtest/gtest.h>

#include "link/camera_link.h"
#include "link/testing/scripted_serial.h"

namespace kelvara {

class ScriptedLinkTest : public ::testing::Test {
 protected:
  ScriptedSerial serial;
  PauseRecorder pauses;
  CameraLink link{serial, pauses.Function()};
  unsigned char status = 0xAA;
};

}  // namespace kelvara
