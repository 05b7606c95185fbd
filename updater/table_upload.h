#pragma once
// Brenvik's side of the table upload (protocol in upload_protocol.h), over
// the port that libUART.so has open.
#include <cstdint>
#include <string>
#include <vector>

namespace kelvara {
namespace upload {

enum class UploadResult { kOk, kNoAnswer, kRefused };

struct UploadOutcome {
  UploadResult result = UploadResult::kOk;
  std::string stage;  // "begin", "block at offset N", "end" when not kOk
};

// Each exchange is tried this often before the camera counts as silent.
constexpr int kExchangeAttempts = 2;

// Sends the table: begin, the blocks in order, end.
UploadOutcome UploadTable(uint32_t address, const std::vector<unsigned char>& table);

}  // namespace upload
}  // namespace kelvara
