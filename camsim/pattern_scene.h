#pragma once
// The simulator's "pattern" scene: fixed, fully known data from which every
// test computes the bytes it expects (frames, images, logs, point clouds).
// Row r = 0..239, column c = 0..319, pixel index i = r * 320 + c.
#include <cstdint>
#include <vector>

#include "camera_facts/frame_geometry.h"

namespace kelvara {
namespace pattern {

// The camera's 170-byte PCD header of a point frame.
extern const char kPcdHeader[kPcdHeaderBytes + 1];

struct Point {
  int16_t x, y, z;
};

int16_t Distance(int r, int c);   // distance word
int16_t Amplitude(int r, int c);  // amplitude word
Point PointAt(int r, int c);      // point record
uint16_t Theta(int r, int c);     // raw theta of the angle table
uint16_t Phi(int r, int c);       // raw phi of the angle table

// Writes the 614656-byte result frame of this format index to `out`: a
// plane or a point frame as the format table says.
void FillFrame(int format_index, unsigned char* out);
std::vector<unsigned char> Frame(int format_index);

// The 307200-byte reply of the angle-table command.
void FillAngleTable(unsigned char* out);
std::vector<unsigned char> AngleTable();

// Version reply: identification "SIM-00000001", then 1, 0, 5, build 42.
std::vector<unsigned char> VersionPayload();

// Temperatures: upper-left, upper-right, lower-left, lower-right, and LED.
constexpr int16_t kImagerTemperatures[4] = {350, 352, 354, 356};
constexpr int16_t kLedTemperature = 300;

}  // namespace pattern
}  // namespace kelvara
