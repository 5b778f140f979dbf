// The points that stand for a curve of the extended import (arc segments of polylines, ellipses,
// splines, hatch edges): every curve is sampled so that no chord strays more than half a map
// unit from the curve, with a bounded number of points per arc and per entity.
#pragma once

#include "import/import_context.h"
#include "import/object_coordinates.h"

#include <cstddef>
#include <span>
#include <vector>

// A point of the plan view in file units, before scaling and shifting.
struct PlanPoint {
    double x = 0.0;
    double y = 0.0;
};

// Most points one arc, ellipse or spline span is sampled into.
// 256 chords keep a whole circle within 0.008 % of its radius.
inline constexpr std::size_t kMaxPointsPerArc = 256;
// Most points one entity's curves give together; past it, arcs and curves come out as chords.
inline constexpr std::size_t kMaxCurvePoints = std::size_t{1} << 18;
// Largest spline degree read; higher degrees are malformed.
inline constexpr int kMaxSplineDegree = 16;

// The points of one entity's outline while they are made, with the chord tolerance in file
// units (half a map unit over the multiplier).
struct CurvePoints {
    explicit CurvePoints(const ImportContext& context);
    CurvePoints(double chordTolerance, std::size_t pointLimit)
        : tolerance(chordTolerance), limit(pointLimit) {}
    double tolerance;
    std::size_t limit = kMaxCurvePoints;
    std::vector<PlanPoint> points;
    bool HasRoom(std::size_t more) const { return points.size() + more <= limit; }
    // An empty set of points for one piece of this outline, with the room the outline has left.
    CurvePoints Part() const;
    // Appends a point, dropping an exact repeat of the last one.
    void Add(PlanPoint point);
};

// A point of an object plane (the plan view itself when `axes` is null) at height `elevation`,
// projected onto the plan view.
PlanPoint ProjectToPlan(const ObjectAxes* axes, double x, double y, double elevation);

// Number of chords for an arc of `radius` over `sweep` radians within the tolerance: at least
// one, at most kMaxPointsPerArc.
std::size_t ArcChordCount(double radius, double sweep, double tolerance);

// Appends the points of the arc about `centre` from angle `start` over `sweep` (radians, counter-
// clockwise when positive); the start point only when `withStart`. The arc's plane is the plan
// view unless `axes` is given, in which case centre and angles are in that object plane at
// height `elevation` and the points are projected onto the plan view.
void AppendArc(CurvePoints& curve, PlanPoint centre, double radius, double start, double sweep,
               bool withStart, const ObjectAxes* axes = nullptr, double elevation = 0.0);

// Appends the arc segment of a polyline vertex with this bulge (tan of a quarter of the swept
// angle, positive counter-clockwise) from `from` to `to`: the points after `from`, `to` last.
// A zero bulge, a zero-length chord or a curve out of room gives `to` alone.
void AppendBulge(CurvePoints& curve, PlanPoint from, PlanPoint to, double bulge,
                 const ObjectAxes* axes = nullptr, double elevation = 0.0);

// Appends the elliptical arc about `centre` with major-axis end point `major` (relative to the
// centre), minor-to-major `ratio` and plane normal `normal`, from parameter `start` to `end`
// (radians; the arc runs counter-clockwise about the normal). False when the values make no
// ellipse (no axis length, ratio not in (0, 1], not finite).
bool AppendEllipse(CurvePoints& curve, const Vector3& centre, const Vector3& major, double ratio,
                   double start, double end, const Vector3& normal);

// A spline by its control points (with weights, all 1 when empty), knots and degree.
struct SplineData {
    int degree = 3;
    std::vector<double> knots;
    std::vector<Vector3> controls;
    std::vector<double> weights;
    std::vector<Vector3> fits;
};

// Appends the spline's points, evaluated by de Boor's algorithm; without usable control data,
// the curve through the fit points. False when neither makes a curve: too few points, a
// degree out of range, knots that do not rise, fit points that are no curve, values not finite.
bool AppendSpline(CurvePoints& curve, const SplineData& spline);

// Converts plan points to map units (repeats of a map point dropped); false when a point is no
// 32-bit map coordinate, which makes the entity malformed.
bool ToMapPoints(const ImportContext& context, bool topLevel, std::span<const PlanPoint> points,
                 std::vector<MAP_COORDPT>& mapPoints);

// Creates the polyline (or polygon, when `closed` or the run ends on its start) of the points on
// the entity's layer, through the layer step, and adds it to the block's group inside a block.
// Returns the object, or null when nothing was made.
OBJHANDLE CreateCurveObject(HWND map, ImportContext& context, OBJHANDLE* blockSlot,
                            std::string_view layerName, std::span<const PlanPoint> points,
                            bool closed);
