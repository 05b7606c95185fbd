#include "common/serial_access.h"

#include <cerrno>
#include <cstring>

namespace kelvara {

const char kDialoutAdvice[] =
    "to use serial devices your user must be in the group \"dialout\": "
    "sudo adduser $USER dialout, then log out and in again";

std::string SerialOpenProblem(int error) {
  std::string text = std::strerror(error);
  if (error == EACCES || error == EPERM) text += std::string(" (") + kDialoutAdvice + ")";
  return text;
}

}  // namespace kelvara
