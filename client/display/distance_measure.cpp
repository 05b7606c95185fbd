#include "display/distance_measure.h"

#include <cmath>
#include <cstdio>

#include "camera_facts/format_table.h"
#include "camera_facts/pixel_rays.h"
#include "display/pixel_readout.h"
#include "frame/frame_decode.h"

namespace kelvara {
namespace {

std::string PixelName(const ProbePixel& pixel) {
  char text[32];
  std::snprintf(text, sizeof text, "(%d, %d)", pixel.ix, pixel.iy);
  return text;
}

PixelPoint NoPoint(const char* reason) {
  PixelPoint point;
  point.reason = reason;
  return point;
}

// Why a distance word (or a point record's x) is no distance within the
// measuring range, or nullptr when it is one.
const char* NotADistance(int16_t value) {
  if (const char* code = DistanceCodeMeaning(value)) return code;
  return value > kMaxDistanceMm ? "out of range" : nullptr;
}

}  // namespace

RayTable RayTableOf(const std::vector<uint16_t>& theta) {
  RayTable rays;
  if (theta.size() != static_cast<std::size_t>(kPixelCount)) return rays;
  rays.degrees.resize(theta.size());
  for (std::size_t i = 0; i < theta.size(); ++i) rays.degrees[i] = static_cast<float>(ThetaDegrees(theta[i]));
  FindRayCentre(rays.degrees.data(), kFrameHeight, kFrameWidth, &rays.cx, &rays.cy);
  return rays;
}

std::string MeasureProblem(const MeasureFrame& frame, const RayTable& rays) {
  if (frame.bytes == nullptr || frame.size < static_cast<std::size_t>(kMeasurementFrameBytes)) return "no frame yet";
  if (IsAmplitudeOnlyFormat(frame.format_index) || FormatAt(frame.format_index) == nullptr)
    return "the format has no distances";
  if (IsPolarFormat(frame.format_index) && rays.empty()) return "no angle table";
  return std::string();
}

PixelPoint PointOfPixel(const MeasureFrame& frame, const RayTable& rays, const ProbePixel& pixel) {
  if (pixel.ix < 0 || pixel.ix >= kFrameWidth || pixel.iy < 0 || pixel.iy >= kFrameHeight)
    return NoPoint("outside the picture");
  const int index = pixel.Index();
  PixelPoint point;
  if (IsPointFrameFormat(frame.format_index)) {
    PointRecord record;
    if (!PointRecordAt(frame.format_index, frame.bytes, frame.size, index, &record)) return NoPoint("no data");
    // The x field carries a point only within the measuring range; any other
    // value is a sample code.
    if (record.x < -kMaxDistanceMm || record.x > kMaxDistanceMm) {
      const char* why = NotADistance(record.x);
      return NoPoint(why ? why : "out of range");
    }
    point.x = record.x;
    point.y = record.y;
    point.z = record.z;
    point.valid = true;
    return point;
  }
  if (frame.size < static_cast<std::size_t>(kPlaneBytes) || rays.empty()) return NoPoint("no data");
  const unsigned char* word = frame.bytes + 2 * index;
  const auto d = static_cast<int16_t>(word[0] | (word[1] << 8));
  if (const char* why = NotADistance(d)) return NoPoint(why);
  if (!HasRay(rays.degrees[static_cast<std::size_t>(index)])) return NoPoint("no viewing ray");
  const RayPoint p = PointOfPixelRay(rays.degrees.data(), rays.cx, rays.cy, pixel.iy, pixel.ix, d);
  point.x = p.x;
  point.y = p.y;
  point.z = p.z;
  point.valid = true;
  return point;
}

void MeasureMarks::Mark(const ProbePixel& pixel) {
  if (count_ == 2) count_ = 0;
  pixels_[count_++] = pixel;
}

MeasureResult Measure(const MeasureMarks& marks, const MeasureFrame& frame, const RayTable& rays) {
  MeasureResult result;
  if (marks.count() == 0) return result;
  if (marks.count() == 1) {
    result.text = "A " + PixelName(marks.a()) + " - Shift+click a second pixel";
    return result;
  }
  result.text = PixelName(marks.a()) + " to " + PixelName(marks.b()) + ": ";
  const std::string problem = MeasureProblem(frame, rays);
  if (!problem.empty()) {
    result.text += "no distance - " + problem;
    return result;
  }
  const PixelPoint a = PointOfPixel(frame, rays, marks.a());
  const PixelPoint b = PointOfPixel(frame, rays, marks.b());
  if (a.valid && b.valid) {
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    result.valid = true;
    result.mm = std::sqrt(dx * dx + dy * dy + dz * dz);
    char number[48];
    std::snprintf(number, sizeof number, "%.1f mm", result.mm);
    result.text += number;
    return result;
  }
  std::string why;
  if (!a.valid) why = PixelName(marks.a()) + ": " + a.reason;
  const bool same = marks.a().ix == marks.b().ix && marks.a().iy == marks.b().iy;
  if (!b.valid && !same) why += (why.empty() ? "" : ", ") + PixelName(marks.b()) + ": " + b.reason;
  result.text += "no distance - " + why;
  return result;
}

}  // namespace kelvara
