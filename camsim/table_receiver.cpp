#include "camsim/table_receiver.h"

#include "updater/upload_protocol.h"

namespace kelvara {
namespace camsim {

uint8_t TableReceiver::Begin(const unsigned char* payload, size_t n) {
  active_ = false;
  if (n != 8) return 1;
  const uint32_t address = upload::ReadBigEndian32(payload);
  const uint32_t size = upload::ReadBigEndian32(payload + 4);
  if (address != upload::kTableAddress || size == 0 || size > upload::kMaxTableBytes) return 1;
  active_ = true;
  size_ = size;
  received_ = 0;
  crc_ = 0;
  last_offset_ = last_length_ = 0;
  return 0;
}

uint8_t TableReceiver::Block(const unsigned char* payload, size_t n) {
  if (!active_ || n < 5 || n > 4 + static_cast<size_t>(upload::kMaxBlockBytes)) return 1;
  const uint32_t offset = upload::ReadBigEndian32(payload);
  const uint32_t length = static_cast<uint32_t>(n - 4);
  // The sender repeats a block whose response it lost: already taken.
  if (last_length_ != 0 && offset == last_offset_ && length == last_length_ && offset + length == received_) return 0;
  if (offset != received_ || length > size_ - received_) return 1;
  crc_ = upload::Crc32(crc_, payload + 4, length);
  received_ += length;
  last_offset_ = offset;
  last_length_ = length;
  return 0;
}

uint8_t TableReceiver::End(const unsigned char* payload, size_t n) {
  // A repeated end whose first response was lost: the table is kept already.
  if (!active_ && n == 4 && table_size_ != 0 && upload::ReadBigEndian32(payload) == table_crc_) return 0;
  const bool ok = active_ && n == 4 && received_ == size_ && upload::ReadBigEndian32(payload) == crc_;
  active_ = false;
  if (!ok) return 1;
  table_size_ = size_;
  table_crc_ = crc_;
  return 0;
}

}  // namespace camsim
}  // namespace kelvara
