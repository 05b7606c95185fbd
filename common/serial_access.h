#pragma once
// Why a serial device could not be opened, worded for the user. Serial
// devices belong to the group "dialout"; a user outside it gets EACCES
// and is told how to join.
#include <string>

namespace kelvara {

// How to get the permission to open serial devices.
extern const char kDialoutAdvice[];

// The system's reason for `error` (an errno value from opening a port),
// followed by kDialoutAdvice in brackets when the permission is missing.
std::string SerialOpenProblem(int error);

}  // namespace kelvara
