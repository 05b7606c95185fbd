// The request parser: framing, garbage, and requests that never complete.
#include "camsim/request_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvara {
namespace camsim {
namespace {

using Bytes = std::vector<unsigned char>;

std::vector<Request> ParseAll(RequestParser& p) {
  std::vector<Request> out;
  Request r;
  while (p.Next(&r)) out.push_back(r);
  return out;
}

TEST(RequestParser, FindsEveryRequestWhateverSurroundsIt) {
  const struct {
    const char* what;
    Bytes stream;
    std::vector<Request> expected;
  } kCases[] = {
      {"bare", {0xFC, 0x85, 0x00, 0x00}, {{0x85, {}}}},
      {"with payload", {0xFC, 0x84, 0x00, 0x02, 0x01, 0xFF}, {{0x84, {0x01, 0xFF}}}},
      {"garbage before", {0x00, 0xFE, 0x13, 0xFC, 0x00, 0x00, 0x00}, {{0x00, {}}}},
      {"payload holding 0xFC", {0xFC, 0x8A, 0x00, 0x02, 0xFC, 0xFC}, {{0x8A, {0xFC, 0xFC}}}},
      {"two in a row", {0xFC, 0x80, 0x00, 0x00, 0xFC, 0x82, 0x00, 0x01, 0x00}, {{0x80, {}}, {0x82, {0x00}}}},
      {"garbage between", {0xFC, 0x80, 0x00, 0x00, 'x', 'y', 0xFE, 0xFC, 0x81, 0x00, 0x00}, {{0x80, {}}, {0x81, {}}}},
      {"only garbage", {1, 2, 3, 0xFE, 0xFF}, {}},
      {"start bytes before a start", {0xFC, 0xFC, 0xFC, 0xFC, 0x00, 0x00, 0x00}, {{0x00, {}}}},
  };
  for (const auto& c : kCases) {
    // Whole, and byte by byte: the split must not matter.
    for (bool bytewise : {false, true}) {
      RequestParser p;
      std::vector<Request> got;
      if (bytewise) {
        for (unsigned char b : c.stream) {
          p.Feed(&b, 1);
          for (Request& r : ParseAll(p)) got.push_back(r);
        }
      } else {
        p.Feed(c.stream.data(), c.stream.size());
        got = ParseAll(p);
      }
      ASSERT_EQ(got.size(), c.expected.size()) << c.what;
      for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].code, c.expected[i].code) << c.what;
        EXPECT_EQ(got[i].payload, c.expected[i].payload) << c.what;
      }
    }
  }
}

TEST(RequestParser, AbandoningALongRequestFindsTheOneHiddenInIt) {
  // A start that announces 16 bytes, then a complete request, then silence.
  RequestParser p;
  const Bytes s = {0xFC, 0x85, 0x00, 0x10, 0xFC, 0x9A, 0x00, 0x00};
  p.Feed(s.data(), s.size());
  Request r;
  EXPECT_FALSE(p.Next(&r));
  EXPECT_TRUE(p.HasPartial());
  p.AbandonPartial();
  ASSERT_TRUE(p.Next(&r));
  EXPECT_EQ(r.code, 0x9A);
  EXPECT_FALSE(p.HasPartial());

  // Several stalled starts are given up in one go.
  RequestParser m;
  const Bytes u = {0xFC, 0x85, 0x10, 0x00, 0xFC, 0x01, 0x20, 0x00, 0xFC, 0x87, 0x00, 0x00};
  m.Feed(u.data(), u.size());
  EXPECT_FALSE(m.Next(&r));
  m.AbandonPartial();
  ASSERT_TRUE(m.Next(&r));
  EXPECT_EQ(r.code, 0x87);

  // A truncated header (length 0xFFFC) that swallowed the next start.
  RequestParser q;
  const Bytes t = {0xFC, 0x85, 0xFF, 0xFC, 0x85, 0x00, 0x00};
  q.Feed(t.data(), t.size());
  EXPECT_FALSE(q.Next(&r));
  q.AbandonPartial();
  ASSERT_TRUE(q.Next(&r));
  EXPECT_EQ(r.code, 0x85);
  EXPECT_TRUE(r.payload.empty());
}

TEST(RequestParser, TheLongestPayloadIsTakenWhole) {
  RequestParser p;
  Bytes s = {0xFC, 0xE1, 0xFF, 0xFF};
  s.resize(4 + 65535, 0x5A);
  p.Feed(s.data(), s.size());
  Request r;
  ASSERT_TRUE(p.Next(&r));
  EXPECT_EQ(r.payload.size(), 65535u);
  EXPECT_FALSE(p.HasPartial());
}

}  // namespace
}  // namespace camsim
}  // namespace kelvara
