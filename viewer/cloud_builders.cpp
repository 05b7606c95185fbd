#include "viewer/cloud_builders.h"

#include <cfloat>
#include <cmath>
#include <vector>

#include "viewer/data_files.h"
#include "viewer/depth_palette.h"

namespace kelvara {
namespace viewer {
namespace {

constexpr double kRotationPi = 3.1415926;

void finishCloud(Cloud* cloud) {
  cloud->width = static_cast<uint32_t>(cloud->points.size());
  cloud->height = 1;
  cloud->is_dense = true;
}

// A point with its packed colour 0x00RRGGBB in the rgb field.
pcl::PointXYZRGB makePoint(float x, float y, float z, uint32_t colour) {
  pcl::PointXYZRGB p;
  p.x = x;
  p.y = y;
  p.z = z;
  p.rgba = colour;
  return p;
}

// The float cosine and sine of a turn about z.
struct Turn {
  explicit Turn(double degrees) {
    const double t = degrees * kRotationPi / 180;
    c = static_cast<float>(std::cos(t));
    s = static_cast<float>(std::sin(t));
  }
  float x(float px, float py) const { return c * px + s * py; }
  float y(float px, float py) const { return -s * px + c * py; }
  float c, s;
};

}  // namespace

CloudPtr makeEmptyCloud() {
  CloudPtr cloud(new Cloud);
  finishCloud(cloud.get());
  return cloud;
}

float zShiftForRange(int rangeMin, int rangeMax) {
  long long span = static_cast<long long>(rangeMax) - rangeMin;
  return static_cast<float>(span / 2 / 20);
}

CloudPtr buildCloudFromDistances(const std::string& path, const ViewSettings& settings, const AngleTable& table,
                                 const OpticalCenter& center) {
  CloudPtr cloud = makeEmptyCloud();
  if (!table.coversGrid() || center.cx < 0 || center.cx >= kGridColumns || center.cy < 0 || center.cy >= kGridRows)
    return cloud;
  std::vector<uint8_t> bytes;
  if (!readDistanceFile(path, &bytes)) return cloud;

  // The column angle depends only on the column and the row angle only on
  // the row: their sines are taken once per call, with the signs of the
  // pixel's side of the centre (x negative left of it, y negative from the
  // centre row down). The pixel's own cosine comes with the table.
  double sinColumn[kGridColumns];
  double sinRow[kGridRows];
  for (int c = 0; c < kGridColumns; ++c) sinColumn[c] = ColumnSine(table.at(center.cy, c), c, center.cx);
  for (int r = 0; r < kGridRows; ++r) sinRow[r] = RowSine(table.at(r, center.cx), r, center.cy);

  const int rangeMin = settings.rangeMin;
  const int rangeMax = settings.rangeMax;
  const int colorMin = settings.colorMin;
  const int colorMax = settings.colorMax;
  const double ratio = settings.ratio;
  // The z shift and the half turn are applied as each point is made: the
  // same numbers as shifting and turning the finished cloud, without a
  // second pass and a second cloud.
  const float shift = zShiftForRange(rangeMin, rangeMax);
  const Turn turn(180);
  cloud->points.reserve(kPixelCount);
  const uint8_t* distances = bytes.data();
  for (int r = 0; r < kGridRows; ++r) {
    const float* angles = &table.values[static_cast<size_t>(r) * kGridColumns];
    const double* cosines = &table.cosines[static_cast<size_t>(r) * kGridColumns];
    for (int c = 0; c < kGridColumns; ++c) {
      const int d = loadU16(distances + 2 * (r * kGridColumns + c));
      if (d < rangeMin || d > rangeMax) continue;
      if (!HasRay(angles[c])) continue;  // no valid viewing ray
      const RayPoint p = PointAlongRay(sinColumn[c], sinRow[r], cosines[c], d);
      const double z = p.z * ratio;
      // A ratio of infinity or NaN from the pipe gives no usable point.
      if (!(std::fabs(z) <= FLT_MAX)) continue;
      const float xf = static_cast<float>(p.x) / 20;
      const float yf = static_cast<float>(p.y) / 20;
      const float zf = static_cast<float>(z) / 20 - shift;
      uint32_t colour = 0;
      if (d >= colorMin && d <= colorMax) colour = DepthPalette[colorIndex(d, colorMin, colorMax)];
      cloud->points.push_back(makePoint(turn.x(xf, yf), turn.y(xf, yf), zf, colour));
    }
  }
  finishCloud(cloud.get());
  return cloud;
}

CloudPtr buildCloudFromCoordinates(const std::string& path, const ViewSettings& settings) {
  CloudPtr cloud = makeEmptyCloud();
  std::vector<uint8_t> bytes;
  if (!readCoordinateFile(path, &bytes)) return cloud;

  // 64-bit bounds: rangeMin can be very negative after a reversed pair.
  const long long rangeMin = settings.rangeMin;
  const long long rangeMax = settings.rangeMax;
  cloud->points.reserve(kPixelCount);
  for (int i = 0; i < kPixelCount; ++i) {
    const uint8_t* record = bytes.data() + i * kCoordinateRecordBytes;
    const int x = loadI16(record);
    const int y = loadI16(record + 2);
    const int z = loadI16(record + 4);
    if (!(z <= -rangeMin || z >= rangeMin) || !(-rangeMax <= z && z <= rangeMax)) continue;
    const int dist = static_cast<int>(
        std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y + static_cast<double>(z) * z));
    const uint32_t colour = DepthPalette[colorIndex(dist, settings.colorMin, settings.colorMax)];
    cloud->points.push_back(
        makePoint(static_cast<float>(x) / 20, static_cast<float>(y) / 20, static_cast<float>(z) / 20, colour));
  }
  if (!cloud->points.empty()) {
    const float shift = zShiftForRange(settings.rangeMin, settings.rangeMax);
    for (auto& p : cloud->points) p.z -= shift;
  }
  finishCloud(cloud.get());
  return cloud;
}

CloudPtr rotateCloudAboutZ(const Cloud& cloud, double degrees) {
  const Turn turn(degrees);
  // A whole copy first (one block copy, fastest for fresh memory), then the
  // turn in place while the copy is still in the cache.
  CloudPtr turned(new Cloud(cloud));
  for (pcl::PointXYZRGB& p : turned->points) {
    const float x = p.x;
    const float y = p.y;
    p.x = turn.x(x, y);
    p.y = turn.y(x, y);
  }
  return turned;
}

}  // namespace viewer
}  // namespace kelvara
