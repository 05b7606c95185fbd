#include "viewer/angle_table.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "testing/temp_folder.h"
#include "viewer/data_files.h"

namespace kelvara {
namespace viewer {
namespace {

class AngleTableTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = folder_.path(); }

  std::string write(const std::string& name, const std::string& content) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

  // `rows` lines of 320 values; value(r, c) = r + c / 1000, line end `eol`.
  static std::string rowsText(int rows, const std::string& eol = "\r\n", int zeroRow = -1, int zeroColumn = -1) {
    std::string text;
    char field[32];
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < kGridColumns; ++c) {
        double v = (r == zeroRow && c == zeroColumn) ? 0.0 : 1 + r + c / 1000.0;
        std::snprintf(field, sizeof(field), "%f", v);
        text += field;
        text += c + 1 < kGridColumns ? "," : eol;
      }
    }
    return text;
  }

  kelvara::testing::TempFolder folder_{"kelvara-angle"};
  std::string dir_;
};

TEST_F(AngleTableTest, ReadsRowsOfExactlyTheColumnCount) {
  AngleTable full = readAngleTable(write("a.csv", rowsText(240)), 320);
  EXPECT_EQ(full.rows(), 240);
  EXPECT_TRUE(full.coversGrid());
  EXPECT_FLOAT_EQ(full.at(7, 3), 8.003f);
  ASSERT_EQ(full.cosines.size(), full.values.size());
  EXPECT_EQ(full.cosines[5], angleCosine(full.values[5]));

  EXPECT_EQ(readAngleTable(write("b.csv", rowsText(480, "\n")), 320).rows(), 480);
  // An empty last line ends the table and loses nothing.
  EXPECT_EQ(readAngleTable(write("c.csv", rowsText(240) + "\r\n"), 320).rows(), 240);
  // A last line without a line end is still read.
  std::string text = rowsText(240, "\n");
  text.pop_back();
  EXPECT_EQ(readAngleTable(write("d.csv", text), 320).rows(), 240);
  // A header line, or a first line of 321 fields, gives an empty table.
  EXPECT_TRUE(readAngleTable(write("e.csv", "theta\n" + rowsText(240)), 320).empty());
  EXPECT_TRUE(readAngleTable(write("f.csv", "0," + rowsText(240)), 320).empty());
  // Rows before a bad line remain: 10 rows, too few to cover the grid.
  AngleTable partial = readAngleTable(write("g.csv", rowsText(10) + "1,2,3\n" + rowsText(5)), 320);
  EXPECT_EQ(partial.rows(), 10);
  EXPECT_FALSE(partial.coversGrid());
}

TEST_F(AngleTableTest, FieldsFollowTheStringToFloatRule) {
  std::string line;
  const char* firsts[] = {" 12.5", "12.5abc", "12.5\r"};
  for (const char* first : firsts) {
    SCOPED_TRACE(first);
    line = first;
    for (int c = 1; c < 320; ++c) line += ",1";
    AngleTable t = readAngleTable(write("f.csv", line + (line.back() == '\r' ? "\n" : "")), 320);
    ASSERT_EQ(t.rows(), 1);
    EXPECT_EQ(t.at(0, 0), 12.5f);
  }
  // A field without a number, or beyond the float range, ends the table.
  for (const char* bad : {"", "abc", "1e60", "nan"}) {
    SCOPED_TRACE(bad);
    line = bad;
    for (int c = 1; c < 320; ++c) line += ",1";
    EXPECT_TRUE(readAngleTable(write("g.csv", rowsText(3) + line + "\n"), 320).rows() == 3);
  }
}

TEST_F(AngleTableTest, UnusableFilesGiveAnEmptyTable) {
  EXPECT_TRUE(readAngleTable(dir_ + "/missing.csv", 320).empty());
  EXPECT_TRUE(readAngleTable(dir_, 320).empty());  // a directory
  EXPECT_TRUE(readAngleTable("/dev/zero", 320).empty());
  std::string fifo = dir_ + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_TRUE(readAngleTable(fifo, 320).empty());  // must not wait for a writer
  // Binary bytes, and one huge line without a line end.
  std::string binary;
  for (int i = 0; i < 100000; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
  EXPECT_TRUE(readAngleTable(write("bin", binary), 320).empty());
  EXPECT_TRUE(readAngleTable(write("long", std::string(10 * 1024 * 1024, '1')), 320).empty());
}

TEST_F(AngleTableTest, OpticalCenterIsTheFirstZeroOfACompleteTable) {
  OpticalCenter center;
  EXPECT_EQ(center.cx, 159);
  EXPECT_EQ(center.cy, 119);

  AngleTable one = readAngleTable(write("a.csv", rowsText(240, "\n", 119, 159)), 320);
  findOpticalCenter(one, &center);
  EXPECT_EQ(center.cx, 159);
  EXPECT_EQ(center.cy, 119);

  std::vector<float> values(320 * 240, 5.0f);
  values[100 * 320 + 50] = 0.0f;
  values[119 * 320 + 159] = 0.0f;
  findOpticalCenter(makeAngleTable(values, 320), &center);
  EXPECT_EQ(center.cx, 50);
  EXPECT_EQ(center.cy, 100);

  // No zero, or too few rows: the centre stays where it was.
  findOpticalCenter(makeAngleTable(std::vector<float>(320 * 240, 5.0f), 320), &center);
  std::vector<float> shortRows(320 * 10, 0.0f);
  findOpticalCenter(makeAngleTable(shortRows, 320), &center);
  findOpticalCenter(AngleTable(), &center);
  EXPECT_EQ(center.cx, 50);
  EXPECT_EQ(center.cy, 100);
}

TEST_F(AngleTableTest, DataFilesNeedTheirFullSize) {
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(readDistanceFile(write("d1", std::string(153599, 'a')), &bytes));
  ASSERT_TRUE(readDistanceFile(write("d2", std::string(153600, 'a') + std::string(46400, 'b')), &bytes));
  EXPECT_EQ(bytes.size(), 153600u);
  EXPECT_EQ(bytes.back(), 'a');
  EXPECT_FALSE(readCoordinateFile(write("c1", std::string(460969, 'a')), &bytes));
  ASSERT_TRUE(readCoordinateFile(write("c2", std::string(170, 'h') + std::string(460800, 'r')), &bytes));
  EXPECT_EQ(bytes.size(), 460800u);
  EXPECT_EQ(bytes.front(), 'r');
  EXPECT_FALSE(readDistanceFile("", &bytes));
  EXPECT_FALSE(readDistanceFile("/dev/zero", &bytes));
}

}  // namespace
}  // namespace viewer
}  // namespace kelvara
