#include "record/camera_replies.h"

#include <iterator>

#include "camera_facts/command_codes.h"
#include "link/device_commands.h"

namespace kelvara {
namespace {

// The replies a recording keeps: what a client asks at connect.
struct Query {
  uint8_t code;
  int timeout_ms;
};
constexpr Query kConnectQueries[] = {
    {CMD_GET_VERSION, kShortTimeoutMs},        {CMD_GET_ANGLE_TABLE, kLongTimeoutMs},
    {CMD_GET_FORMAT, kShortTimeoutMs},         {CMD_GET_MODE, kShortTimeoutMs},
    {CMD_GET_EXPOSURE, kShortTimeoutMs},       {CMD_GET_AMP_MIN_ALL, kShortTimeoutMs},
    {CMD_GET_AMP_MIN_NEAR, kShortTimeoutMs},   {CMD_GET_ROTATION, kShortTimeoutMs},
    {CMD_GET_LED_FREQ_ID, kShortTimeoutMs},    {CMD_GET_PILOT_LED, kShortTimeoutMs},
    {CMD_GET_RESPONSE_SPEED, kShortTimeoutMs}, {CMD_GET_ENR_THRESHOLD, kShortTimeoutMs},
};
constexpr int kQueryCount = static_cast<int>(std::size(kConnectQueries));

// The place of a get in kConnectQueries, or -1.
int QueryIndex(int code) {
  for (int k = 0; k < kQueryCount; ++k)
    if (kConnectQueries[k].code == code) return k;
  return -1;
}

// Every parameter set's code is its get's code less one.
constexpr int kFirstParameter = 2;  // CMD_GET_FORMAT's place

int SetIndex(int code) {
  const int k = QueryIndex(code + 1);
  return k >= kFirstParameter ? k : -1;
}

uint16_t FormatCodeOf(const std::vector<unsigned char>& reply) {
  return static_cast<uint16_t>((reply[0] << 8) | reply[1]);
}

}  // namespace

void CameraReplies::Heard(int code, const unsigned char* reply, uint32_t length) {
  static_assert(kQueryCount == kReplyCount, "one kept reply per query");
  // Called for every exchange, frames included: most codes are none of ours.
  const int k = QueryIndex(code);
  if (k >= 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    kept_[k].payload.assign(reply, reply + length);
    kept_[k].heard = true;
    kept_[k].stale = false;
    return;
  }
  const int s = SetIndex(code);
  if (s >= 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    kept_[s].stale = true;
  }
}

void CameraReplies::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Kept& kept : kept_) kept = Kept();
}

std::vector<uint8_t> CameraReplies::Wanted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<uint8_t> codes;
  for (int k = 0; k < kQueryCount; ++k)
    if (!kept_[k].heard || kept_[k].stale) codes.push_back(kConnectQueries[k].code);
  return codes;
}

std::vector<uint8_t> CameraReplies::Stale() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<uint8_t> codes;
  for (int k = 0; k < kQueryCount; ++k)
    if (kept_[k].stale) codes.push_back(kConnectQueries[k].code);
  return codes;
}

bool CameraReplies::Ask(CameraLink& link, const std::vector<uint8_t>& codes) {
  for (uint8_t code : codes) {
    unsigned char status = 0;
    uint32_t length = 0;
    const int rc =
        link.ExecuteCommand(code, 0, nullptr, kConnectQueries[QueryIndex(code)].timeout_ms, &status, &length);
    if ((rc != 0 || status != 0) && code == CMD_GET_VERSION) return false;
  }
  return true;
}

void CameraReplies::Fill(recording::RecordingHeader* header) const {
  std::lock_guard<std::mutex> lock(mutex_);
  header->replies.clear();
  for (int k = 0; k < kQueryCount; ++k) {
    if (!kept_[k].heard) continue;
    header->replies.push_back({kConnectQueries[k].code, kept_[k].payload});
    if (kConnectQueries[k].code == CMD_GET_FORMAT && kept_[k].payload.size() >= 2)
      header->format_code = FormatCodeOf(kept_[k].payload);
  }
}

}  // namespace kelvara
