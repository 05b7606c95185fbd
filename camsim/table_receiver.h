#pragma once
// The camera's side of the table upload (protocol in upload_protocol.h).
#include <cstddef>
#include <cstdint>

namespace kelvara {
namespace camsim {

class TableReceiver {
 public:
  // Each returns the reply's status: 0 accepted, 1 refused.
  uint8_t Begin(const unsigned char* payload, size_t n);
  uint8_t Block(const unsigned char* payload, size_t n);
  uint8_t End(const unsigned char* payload, size_t n);

  // The last table kept: its size and CRC-32 (size 0: none yet).
  uint32_t table_size() const { return table_size_; }
  uint32_t table_crc() const { return table_crc_; }

 private:
  bool active_ = false;
  uint32_t size_ = 0;
  uint32_t received_ = 0;
  uint32_t crc_ = 0;
  uint32_t last_offset_ = 0;
  uint32_t last_length_ = 0;
  uint32_t table_size_ = 0;
  uint32_t table_crc_ = 0;
};

}  // namespace camsim
}  // namespace kelvara
