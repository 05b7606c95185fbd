// The camera's side of the table upload.
#include "camsim/table_receiver.h"

#include <gtest/gtest.h>

#include <vector>

#include "updater/upload_protocol.h"

namespace kelvara {
namespace camsim {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes Be32(uint32_t a, uint32_t b = 0, bool two = false) {
  Bytes p(two ? 8 : 4);
  upload::WriteBigEndian32(p.data(), a);
  if (two) upload::WriteBigEndian32(p.data() + 4, b);
  return p;
}
Bytes Block(uint32_t offset, const Bytes& data) {
  Bytes p = Be32(offset);
  p.insert(p.end(), data.begin(), data.end());
  return p;
}

TEST(Crc32, MatchesTheKnownCheckValue) {
  const unsigned char text[] = "123456789";
  EXPECT_EQ(upload::Crc32(0, text, 9), 0xCBF43926u);
  // Continued in two parts gives the same.
  EXPECT_EQ(upload::Crc32(upload::Crc32(0, text, 4), text + 4, 5), 0xCBF43926u);
}

TEST(TableReceiver, TakesATableInOrderAndKeepsIt) {
  const Bytes a = {1, 2, 3, 4}, b = {5, 6};
  Bytes whole = a;
  whole.insert(whole.end(), b.begin(), b.end());
  TableReceiver t;
  Bytes p = Be32(upload::kTableAddress, 6, true);
  ASSERT_EQ(t.Begin(p.data(), p.size()), 0);
  p = Block(0, a);
  ASSERT_EQ(t.Block(p.data(), p.size()), 0);
  ASSERT_EQ(t.Block(p.data(), p.size()), 0) << "a repeated block is taken again";
  p = Block(4, b);
  ASSERT_EQ(t.Block(p.data(), p.size()), 0);
  p = Be32(upload::Crc32(0, whole.data(), whole.size()));
  ASSERT_EQ(t.End(p.data(), p.size()), 0);
  EXPECT_EQ(t.End(p.data(), p.size()), 0) << "a repeated end is answered again";
  EXPECT_EQ(t.table_size(), 6u);
  EXPECT_EQ(t.table_crc(), upload::Crc32(0, whole.data(), whole.size()));
}

TEST(TableReceiver, RefusesWhatDoesNotFit) {
  TableReceiver t;
  Bytes p = Be32(0x20000000, 6, true);
  EXPECT_EQ(t.Begin(p.data(), p.size()), 1) << "other address";
  p = Be32(upload::kTableAddress, 0, true);
  EXPECT_EQ(t.Begin(p.data(), p.size()), 1) << "empty table";
  p = Be32(upload::kTableAddress, upload::kMaxTableBytes + 1, true);
  EXPECT_EQ(t.Begin(p.data(), p.size()), 1) << "too large";
  p = Block(0, {1});
  EXPECT_EQ(t.Block(p.data(), p.size()), 1) << "block without begin";

  p = Be32(upload::kTableAddress, 4, true);
  ASSERT_EQ(t.Begin(p.data(), p.size()), 0);
  p = Block(2, {1, 2});
  EXPECT_EQ(t.Block(p.data(), p.size()), 1) << "out of order";
  p = Block(0, {1, 2, 3, 4, 5});
  EXPECT_EQ(t.Block(p.data(), p.size()), 1) << "beyond the announced size";
  p = Block(0, {1, 2, 3});
  ASSERT_EQ(t.Block(p.data(), p.size()), 0);
  p = Be32(0);
  EXPECT_EQ(t.End(p.data(), p.size()), 1) << "incomplete";

  p = Be32(upload::kTableAddress, 1, true);
  ASSERT_EQ(t.Begin(p.data(), p.size()), 0);
  p = Block(0, {9});
  ASSERT_EQ(t.Block(p.data(), p.size()), 0);
  p = Be32(12345);
  EXPECT_EQ(t.End(p.data(), p.size()), 1) << "wrong CRC";
  EXPECT_EQ(t.table_size(), 0u) << "nothing kept";
}

}  // namespace
}  // namespace camsim
}  // namespace kelvara
