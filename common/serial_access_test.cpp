// The reason shown when a serial device cannot be opened.
#include "common/serial_access.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace kelvara {
namespace {

TEST(SerialOpenProblem, OnlyAMissingPermissionComesWithTheDialoutAdvice) {
  struct Case {
    int error;
    const char* starts;
    bool advice;
  };
  const Case cases[] = {
      {EACCES, "Permission denied (", true},
      {EPERM, "Operation not permitted (", true},
      {EBUSY, "Device or resource busy", false},
      {ENOENT, "No such file or directory", false},
  };
  for (const Case& c : cases) {
    const std::string text = SerialOpenProblem(c.error);
    EXPECT_EQ(text.rfind(c.starts, 0), 0u) << text;
    EXPECT_EQ(text.find("sudo adduser $USER dialout") != std::string::npos, c.advice) << text;
  }
}

}  // namespace
}  // namespace kelvara
