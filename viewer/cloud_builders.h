#pragma once
// Point clouds from the client's data files. One cloud unit is 20 mm.
// Points appear in pixel order, only those that pass the filters; the cloud
// is unorganised (height 1) and dense, with the default header, sensor
// origin and orientation. Every problem with a file gives an empty cloud.
#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include <string>

#include "viewer/angle_table.h"
#include "viewer/view_settings.h"

namespace kelvara {
namespace viewer {

using Cloud = pcl::PointCloud<pcl::PointXYZRGB>;
using CloudPtr = Cloud::Ptr;

CloudPtr makeEmptyCloud();

// Distances and the angle table: per pixel, within the distance range and
// with a valid ray, x = sin(column angle) * d, y = sin(row angle) * d,
// z = cos(pixel angle) * d * ratio (signs by the side of the optical
// centre), coloured by the colour range (black outside it), divided by 20,
// shifted along z by the half range, then turned half a turn about z.
// A table that does not cover the 320 x 240 grid gives an empty cloud.
CloudPtr buildCloudFromDistances(const std::string& path, const ViewSettings& settings, const AngleTable& table,
                                 const OpticalCenter& center);

// Camera-computed coordinates: records with rangeMin <= |z| <= rangeMax,
// coloured by their distance from the origin (clamped to the palette, never
// black), divided by 20, shifted along z. Neither table, ratio nor turn.
CloudPtr buildCloudFromCoordinates(const std::string& path, const ViewSettings& settings);

// A turned copy: x' = c x + s y, y' = -s x + c y, z' = z, with c and s the
// float cosine and sine of the angle (taken with pi as 3.1415926).
CloudPtr rotateCloudAboutZ(const Cloud& cloud, double degrees);

// The z shift of both builders: (rangeMax - rangeMin) / 2 / 20, truncating.
float zShiftForRange(int rangeMin, int rangeMax);

}  // namespace viewer
}  // namespace kelvara
