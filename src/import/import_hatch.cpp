#include "host/vexcore.h"
#include "import/curve_points.h"
#include "import/entity_handlers.h"
#include "import/extended_reading.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

// Most boundary paths, and most vertices or edges of one path; more is malformed.
constexpr std::size_t kMaxHatchPaths = 4096;
constexpr std::size_t kMaxPathItems = std::size_t{1} << 16;
// Most groups all boundary paths together may give: the bound on the memory of one HATCH.
constexpr std::size_t kMaxPathGroups = std::size_t{1} << 20;
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

enum class EdgeKind { None = 0, Line = 1, Arc = 2, Ellipse = 3, Spline = 4 };

// One edge of an edge path, in the object plane. Lines use `a` and `b`; arcs `a` (centre),
// `radius` and the angles; ellipses `a` (centre), `b` (major axis end, relative), `radius` (the
// axis ratio) and the angles; splines `spline`.
struct HatchEdge {
    EdgeKind kind = EdgeKind::None;
    Vector3 a;
    Vector3 b;
    double radius = 0.0;
    double start = 0.0;
    double end = 0.0;
    bool counterClockwise = true;
    SplineData spline;
};

// A polyline path's vertex with its bulge.
struct PathVertex {
    Vector3 point;
    double bulge = 0.0;
};

struct HatchPath {
    bool polyline = false;
    std::vector<PathVertex> vertices;
    std::vector<HatchEdge> edges;
};

enum class Stage { Header, Paths, Pattern };

struct HatchEntity {
    std::string layerName;
    Vector3 extrusion{0.0, 0.0, 1.0};
    double elevation = 0.0;
    Stage stage = Stage::Header;
    std::size_t pathGroups = 0;
    std::vector<HatchPath> paths;
};

bool TakeSplineEdgeGroup(const GroupPair& pair, SplineData& spline) {
    std::vector<Vector3>* points = nullptr;
    int which = CoordinateOf(pair.code, 10);
    if (which >= 0 && which < 2) {
        points = &spline.controls;
    } else if (which = CoordinateOf(pair.code, 11); which >= 0 && which < 2) {
        points = &spline.fits;
    }
    if (points) {
        if (which == 0) {
            if (points->size() >= kMaxPathItems)
                return false;
            points->emplace_back();
        }
        return points->empty() || StoreCoordinate(pair, points->back(), which);
    }
    std::vector<double>* list = pair.code == 40   ? &spline.knots
                                : pair.code == 42 ? &spline.weights
                                                  : nullptr;
    if (list) {
        double value = 0.0;
        if (list->size() >= kMaxPathItems || !StoreFinite(pair, value))
            return false;
        list->push_back(value);
    } else if (pair.code == 94) {
        spline.degree = ParseInt(pair.value);
    }
    return true;
}

bool TakeEdgeGroup(const GroupPair& pair, HatchEdge& edge) {
    if (edge.kind == EdgeKind::Spline)
        return TakeSplineEdgeGroup(pair, edge.spline);
    if (const int which = CoordinateOf(pair.code, 10); which >= 0 && which < 2)
        return StoreCoordinate(pair, edge.a, which);
    if (const int which = CoordinateOf(pair.code, 11); which >= 0 && which < 2)
        return StoreCoordinate(pair, edge.b, which);
    switch (pair.code) {
    case 40:
        return StoreFinite(pair, edge.radius);
    case 50:
        return StoreFinite(pair, edge.start);
    case 51:
        return StoreFinite(pair, edge.end);
    case 73:
        edge.counterClockwise = ParseInt(pair.value) != 0;
        return true;
    default:
        return true;
    }
}

bool TakePolylinePathGroup(const GroupPair& pair, HatchPath& path) {
    if (const int which = CoordinateOf(pair.code, 10); which >= 0 && which < 2) {
        if (which == 0) {
            if (path.vertices.size() >= kMaxPathItems)
                return false;
            path.vertices.emplace_back();
        }
        return path.vertices.empty() || StoreCoordinate(pair, path.vertices.back().point, which);
    }
    if (pair.code == 42 && !path.vertices.empty())
        return StoreFinite(pair, path.vertices.back().bulge);
    return true;
}

bool TakePathGroup(const GroupPair& pair, HatchPath& path) {
    if (path.polyline)
        return TakePolylinePathGroup(pair, path);
    if (pair.code == 72) { // the type of the next edge
        if (path.edges.size() >= kMaxPathItems)
            return false;
        path.edges.emplace_back();
        path.edges.back().kind = static_cast<EdgeKind>(std::clamp(ParseInt(pair.value), 0, 4));
        return true;
    }
    return path.edges.empty() || TakeEdgeGroup(pair, path.edges.back());
}

// Takes one group; false when its value is malformed, which drops the HATCH. Group 92 starts a
// boundary path; group 75 (the hatch style) ends the paths, and what follows (pattern lines and
// seed points, which reuse the point codes) is passed over.
bool TakeGroup(const GroupPair& pair, HatchEntity& entity) {
    bool malformed = false;
    if (pair.code == 8) {
        entity.layerName.assign(pair.value);
    } else if (TakeExtrusion(pair, entity.extrusion, malformed)) {
        return !malformed;
    } else if (pair.code == 92 && entity.stage != Stage::Pattern) {
        if (entity.paths.size() >= kMaxHatchPaths)
            return false;
        entity.stage = Stage::Paths;
        entity.paths.emplace_back();
        entity.paths.back().polyline = (ParseInt(pair.value) & 2) != 0;
    } else if (pair.code == 75) {
        entity.stage = Stage::Pattern;
    } else if (entity.stage == Stage::Header && pair.code == 30) {
        return StoreFinite(pair, entity.elevation);
    } else if (entity.stage == Stage::Paths) {
        return ++entity.pathGroups <= kMaxPathGroups && TakePathGroup(pair, entity.paths.back());
    }
    return true;
}

// An arc or elliptical arc edge's sweep: a clockwise edge stores its angles as 360 minus the
// angle, so its points run over the negated angles.
void EdgeSweep(const HatchEdge& edge, double& start, double& sweep) {
    double span = std::fmod(edge.end - edge.start, 360.0);
    if (span <= 0.0)
        span += 360.0;
    start = edge.start * kRadiansPerDegree;
    sweep = span * kRadiansPerDegree;
    if (!edge.counterClockwise) {
        start = -start;
        sweep = -sweep;
    }
}

bool AppendEdge(CurvePoints& outline, const HatchEdge& edge, const ObjectAxes* plane,
                double elevation) {
    double start = 0.0;
    double sweep = 0.0;
    switch (edge.kind) {
    case EdgeKind::Line:
        outline.Add(ProjectToPlan(plane, edge.a.x, edge.a.y, elevation));
        outline.Add(ProjectToPlan(plane, edge.b.x, edge.b.y, elevation));
        return true;
    case EdgeKind::Arc:
        if (!(edge.radius > 0.0))
            return false;
        EdgeSweep(edge, start, sweep);
        AppendArc(outline, {edge.a.x, edge.a.y}, edge.radius, start, sweep, true, plane, elevation);
        return true;
    case EdgeKind::Ellipse: {
        EdgeSweep(edge, start, sweep);
        const double sign = edge.counterClockwise ? 1.0 : -1.0;
        // A clockwise ellipse is the counter-clockwise one of the mirrored minor axis.
        CurvePoints part = outline.Part();
        if (!AppendEllipse(part, Vector3{edge.a.x, edge.a.y, elevation},
                           Vector3{edge.b.x, edge.b.y, 0.0}, edge.radius, sign * start,
                           sign * (start + sweep), Vector3{0.0, 0.0, sign}))
            return false;
        for (const PlanPoint& p : part.points)
            outline.Add(ProjectToPlan(plane, p.x, p.y, elevation));
        return true;
    }
    case EdgeKind::Spline: {
        CurvePoints part = outline.Part();
        if (!AppendSpline(part, edge.spline))
            return false;
        for (const PlanPoint& p : part.points)
            outline.Add(ProjectToPlan(plane, p.x, p.y, elevation));
        return true;
    }
    default:
        return false;
    }
}

bool AppendPath(CurvePoints& outline, const HatchPath& path, const ObjectAxes* plane,
                double elevation) {
    if (!path.polyline) {
        for (const HatchEdge& edge : path.edges) {
            if (!AppendEdge(outline, edge, plane, elevation))
                return false;
        }
        return true;
    }
    if (path.vertices.empty())
        return true;
    const Vector3& first = path.vertices.front().point;
    outline.Add(ProjectToPlan(plane, first.x, first.y, elevation));
    for (std::size_t i = 0; i < path.vertices.size(); ++i) {
        const PathVertex& from = path.vertices[i];
        const Vector3& to = path.vertices[(i + 1) % path.vertices.size()].point;
        AppendBulge(outline, {from.point.x, from.point.y}, {to.x, to.y}, from.bulge, plane,
                    elevation);
    }
    return true;
}

} // namespace

// HATCH: each boundary path as a polygon (polyline paths with their bulges; edge paths of lines,
// arcs, elliptical arcs and splines), in the object plane of the extrusion direction. The fill
// pattern is not drawn.
std::int32_t ImportHatch(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot) {
    HatchEntity entity;
    if (!ReadExtendedEntity(reader, pair,
                            [&](const GroupPair& group) { return TakeGroup(group, entity); }))
        return 0;
    const auto axes = AxesForExtrusion(entity.extrusion);
    if (!axes)
        return 0;
    const ObjectAxes* plane = IsWorldExtrusion(entity.extrusion) ? nullptr : &*axes;
    // The paths share one entity's room for points; a malformed path drops the whole HATCH.
    std::vector<CurvePoints> outlines;
    std::size_t used = 0;
    for (const HatchPath& path : entity.paths) {
        outlines.emplace_back(context);
        outlines.back().limit = kMaxCurvePoints - std::min(used, kMaxCurvePoints);
        if (!AppendPath(outlines.back(), path, plane, entity.elevation))
            return 0;
        used += outlines.back().points.size();
    }
    for (const CurvePoints& outline : outlines)
        CreateCurveObject(map, context, blockSlot, entity.layerName, outline.points, true);
    return 1;
}
