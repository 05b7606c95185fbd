#pragma once
// The camera's output formats, one row each, in the order of the Format
// selector (index 0..6). Everything that depends on the format (decoding,
// rendering, logging, the simulator's frames, the 3D routing) reads it here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "camera_facts/frame_geometry.h"

namespace kelvara {

// Plane frames carry 16-bit planes from byte 0; point frames carry the
// camera's PCD file (header and x, y, z records), then an amplitude plane.
enum class FrameFamily { kPlane, kPoint };
// What display plane 0 holds.
enum class FirstPlane { kAmplitude, kDistance };

// The log files a frame of the format produces, when their boxes are ticked.
struct FormatLogs {
  bool png;         // "<base>_<n>.png": the picture shown
  bool plane_csv;   // "<base>_<n>.csv": plane 0
  bool raw;         // "<base>_<n>.raw": plane 0, when "Binary" is ticked
  bool pcd;         // "<base>_<n>.pcd": the camera's PCD file
  bool xyz_csv;     // "<base>_x_<n>.csv", "_y_", "_z_": the point records
  bool amp_csv;     // "<base>_amp_<n>.csv": the amplitude plane
  bool angle_logs;  // "<base>_theta/_phi" .csv/.raw at the end of a run
};

struct FormatFacts {
  uint16_t code;
  const char* name;
  FrameFamily family;
  FirstPlane first_plane;
  int images;            // pictures rendered: 1, or 2 with the amplitude image
  bool polar;            // distances along the pixel's ray
  bool rotated;          // the camera applies the rotation settings
  int amplitude_offset;  // byte offset of the amplitude plane, -1 when none
  FormatLogs logs;
};

constexpr int kFormatCount = 7;
// One row per format, two lines each:
//   code, name, frame family, what plane 0 holds,
//   images, polar, rotated, amplitude offset, logs {png, plane csv, raw, pcd, xyz csv, amp csv,
//   angle logs}
// clang-format off
constexpr FormatFacts kFormats[kFormatCount] = {
    {0x01FF, "Amplitude", FrameFamily::kPlane, FirstPlane::kAmplitude,
     1, false, false, 0,
     {true,  true,  true,  false, false, false, false}},
    {0x0000, "Distance(Polar)", FrameFamily::kPlane, FirstPlane::kDistance,
     1, true,  false, -1,
     {true,  true,  true,  false, false, false, true}},
    {0x0001, "Distance(Cartesian)", FrameFamily::kPoint, FirstPlane::kDistance,
     1, false, false, -1,
     {false, false, false, true,  true,  false, false}},
    {0x0002, "Distance(Cartesian rot)", FrameFamily::kPoint, FirstPlane::kDistance,
     1, false, true,  -1,
     {false, false, false, true,  true,  false, false}},
    {0x0100, "Distance(Polar)+AMP", FrameFamily::kPlane, FirstPlane::kDistance,
     2, true,  false, kPlane1Offset,
     {true,  true,  true,  false, false, true,  true}},
    {0x0101, "Distance(Cartesian)+AMP", FrameFamily::kPoint, FirstPlane::kDistance,
     2, false, false, kPointAmplitudeOffset,
     {false, false, false, true,  true,  true,  false}},
    {0x0102, "Distance(Cartesian rot)+AMP", FrameFamily::kPoint, FirstPlane::kDistance,
     2, false, true,  kPointAmplitudeOffset,
     {false, false, false, true,  true,  true,  false}},
};
// clang-format on

// The row of a selector index, or nullptr outside 0..6.
constexpr const FormatFacts* FormatAt(int format_index) {
  return format_index >= 0 && format_index < kFormatCount ? &kFormats[format_index] : nullptr;
}

// The index of a format code in the selector order, or -1 when unknown.
constexpr int FormatIndexOfCode(uint16_t code) {
  for (int i = 0; i < kFormatCount; ++i)
    if (kFormats[i].code == code) return i;
  return -1;
}

namespace format_table_detail {
template <typename T, typename F, std::size_t... I>
constexpr std::array<T, kFormatCount> Column(F f, std::index_sequence<I...>) {
  return {{f(kFormats[I])...}};
}
constexpr uint16_t CodeOf(const FormatFacts& f) { return f.code; }
constexpr const char* NameOf(const FormatFacts& f) { return f.name; }
}  // namespace format_table_detail

// The code and the name columns, by selector index.
constexpr std::array<uint16_t, kFormatCount> kFormatCodes =
    format_table_detail::Column<uint16_t>(format_table_detail::CodeOf, std::make_index_sequence<kFormatCount>());
constexpr std::array<const char*, kFormatCount> kFormatNames =
    format_table_detail::Column<const char*>(format_table_detail::NameOf, std::make_index_sequence<kFormatCount>());

// Plane frames by index; every other index (also an unknown one) decodes
// as a point frame.
constexpr bool IsPlaneFrameFormat(int format_index) {
  const FormatFacts* f = FormatAt(format_index);
  return f != nullptr && f->family == FrameFamily::kPlane;
}
constexpr bool IsPointFrameFormat(int format_index) { return !IsPlaneFrameFormat(format_index); }
// The polar formats, whose logging runs end with the angle logs.
constexpr bool IsPolarFormat(int format_index) {
  const FormatFacts* f = FormatAt(format_index);
  return f != nullptr && f->polar;
}
// The formats the camera rotates; the rotation controls are usable only for them.
constexpr bool IsRotatedFormatIndex(int format_index) {
  const FormatFacts* f = FormatAt(format_index);
  return f != nullptr && f->rotated;
}
constexpr bool IsRotatedFormatCode(uint16_t code) { return IsRotatedFormatIndex(FormatIndexOfCode(code)); }
// Pictures rendered for a format: 1, or 2 for the formats with amplitude
// image; an unknown index renders one.
constexpr int ImageCountOfFormat(int format_index) {
  const FormatFacts* f = FormatAt(format_index);
  return f != nullptr ? f->images : 1;
}
// Whether display plane 0 holds amplitudes (the "Amplitude" format).
constexpr bool IsAmplitudeOnlyFormat(int format_index) {
  const FormatFacts* f = FormatAt(format_index);
  return f != nullptr && f->first_plane == FirstPlane::kAmplitude;
}
// The log files of a format; none for an unknown index.
constexpr FormatLogs LogsOfFormat(int format_index) {
  const FormatFacts* f = FormatAt(format_index);
  return f != nullptr ? f->logs : FormatLogs{false, false, false, false, false, false, false};
}

}  // namespace kelvara
