#include "import/curve_points.h"

#include "import/layer_resolution.h"
#include "import/vertex_run.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// The longest step of an arc, whatever the tolerance allows: small circles keep their shape.
constexpr double kMaxArcStep = std::numbers::pi / 4.0;
// Spline spans are halved at least this often, and at most this often, while the middle of a
// piece strays from its chord by more than the tolerance.
constexpr int kMinSpanDepth = 2;
constexpr int kMaxSpanDepth = 8;
// The half map unit every curve keeps to.
constexpr double kChordToleranceMapUnits = 0.5;

double DistanceToChord(PlanPoint p, PlanPoint a, PlanPoint b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (!(length > 0.0))
        return std::hypot(p.x - a.x, p.y - a.y);
    return std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
}

// Halves the piece [a, b] of a curve while its middle strays from the chord, then appends the
// points after `pa` up to `pb`. The depth bounds the recursion.
template <typename Evaluate>
void Subdivide(CurvePoints& curve, const Evaluate& evaluate, double a, PlanPoint pa, double b,
               PlanPoint pb, int depth) {
    const double middle = 0.5 * (a + b);
    const PlanPoint pm = evaluate(middle);
    const bool refine = depth < kMinSpanDepth || DistanceToChord(pm, pa, pb) > curve.tolerance;
    if (depth >= kMaxSpanDepth || !refine || !curve.HasRoom(2)) {
        curve.Add(pb);
        return;
    }
    Subdivide(curve, evaluate, a, pa, middle, pm, depth + 1);
    Subdivide(curve, evaluate, middle, pm, b, pb, depth + 1);
}

bool IsFinite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The knots rise (never fall), are finite and span a domain of positive length.
bool KnotsAreUsable(const SplineData& spline) {
    const std::size_t count = spline.controls.size();
    const auto degree = static_cast<std::size_t>(spline.degree);
    if (spline.knots.size() != count + degree + 1)
        return false;
    for (std::size_t i = 0; i < spline.knots.size(); ++i) {
        if (!std::isfinite(spline.knots[i]) || (i > 0 && spline.knots[i] < spline.knots[i - 1]))
            return false;
    }
    return spline.knots[count] > spline.knots[degree];
}

bool ControlsAreUsable(const SplineData& spline) {
    if (spline.degree < 1 || spline.degree > kMaxSplineDegree ||
        spline.controls.size() < static_cast<std::size_t>(spline.degree) + 1)
        return false;
    if (!spline.weights.empty() && spline.weights.size() != spline.controls.size())
        return false;
    if (!std::all_of(spline.controls.begin(), spline.controls.end(), IsFinite))
        return false;
    if (!std::all_of(spline.weights.begin(), spline.weights.end(),
                     [](double w) { return std::isfinite(w) && w > 0.0; }))
        return false;
    return KnotsAreUsable(spline);
}

// De Boor's algorithm in homogeneous coordinates over the span [knots[span], knots[span + 1]].
PlanPoint EvaluateSpline(const SplineData& spline, std::size_t span, double t) {
    const auto p = static_cast<std::size_t>(spline.degree);
    double px[kMaxSplineDegree + 1];
    double py[kMaxSplineDegree + 1];
    double pw[kMaxSplineDegree + 1];
    for (std::size_t j = 0; j <= p; ++j) {
        const std::size_t index = span - p + j;
        const double w = spline.weights.empty() ? 1.0 : spline.weights[index];
        px[j] = spline.controls[index].x * w;
        py[j] = spline.controls[index].y * w;
        pw[j] = w;
    }
    for (std::size_t r = 1; r <= p; ++r) {
        for (std::size_t j = p; j >= r; --j) {
            const double left = spline.knots[j + span - p];
            const double right = spline.knots[j + 1 + span - r];
            const double alpha = right > left ? (t - left) / (right - left) : 0.0;
            px[j] = (1.0 - alpha) * px[j - 1] + alpha * px[j];
            py[j] = (1.0 - alpha) * py[j - 1] + alpha * py[j];
            pw[j] = (1.0 - alpha) * pw[j - 1] + alpha * pw[j];
        }
    }
    return {px[p] / pw[p], py[p] / pw[p]};
}

void AppendControlSpline(CurvePoints& curve, const SplineData& spline) {
    const auto degree = static_cast<std::size_t>(spline.degree);
    const std::size_t last = spline.controls.size() - 1;
    bool started = false;
    for (std::size_t span = degree; span <= last; ++span) {
        const double a = spline.knots[span];
        const double b = spline.knots[span + 1];
        if (!(b > a))
            continue;
        const auto evaluate = [&](double t) { return EvaluateSpline(spline, span, t); };
        const PlanPoint pa = evaluate(a);
        if (!started)
            curve.Add(pa);
        started = true;
        Subdivide(curve, evaluate, a, pa, b, evaluate(b), 0);
    }
}

// The curve through the fit points: Catmull-Rom pieces, whose ends take the end points twice.
void AppendFitCurve(CurvePoints& curve, const std::vector<Vector3>& fits) {
    curve.Add({fits.front().x, fits.front().y});
    for (std::size_t i = 0; i + 1 < fits.size(); ++i) {
        const Vector3& p0 = fits[i == 0 ? 0 : i - 1];
        const Vector3& p1 = fits[i];
        const Vector3& p2 = fits[i + 1];
        const Vector3& p3 = fits[std::min(i + 2, fits.size() - 1)];
        const auto along = [](double a, double b, double c, double d, double t) {
            return 0.5 * (2.0 * b + (c - a) * t + (2.0 * a - 5.0 * b + 4.0 * c - d) * t * t +
                          (3.0 * b - a - 3.0 * c + d) * t * t * t);
        };
        const auto evaluate = [&](double t) {
            return PlanPoint{along(p0.x, p1.x, p2.x, p3.x, t), along(p0.y, p1.y, p2.y, p3.y, t)};
        };
        Subdivide(curve, evaluate, 0.0, evaluate(0.0), 1.0, evaluate(1.0), 0);
    }
}

} // namespace

PlanPoint ProjectToPlan(const ObjectAxes* axes, double x, double y, double elevation) {
    if (!axes)
        return {x, y};
    const Vector3 world = ToWorld(*axes, Vector3{x, y, elevation});
    return {world.x, world.y};
}

CurvePoints::CurvePoints(const ImportContext& context)
    : tolerance(kChordToleranceMapUnits /
                (context.multiplierInUse ? std::fabs(context.multiplier) : 1.0)) {}

CurvePoints CurvePoints::Part() const {
    return CurvePoints(tolerance, limit > points.size() ? limit - points.size() : 0);
}

void CurvePoints::Add(PlanPoint point) {
    if (!points.empty() && points.back().x == point.x && points.back().y == point.y)
        return;
    points.push_back(point);
}

std::size_t ArcChordCount(double radius, double sweep, double tolerance) {
    if (!std::isfinite(radius) || !std::isfinite(sweep) || !(radius > 0.0))
        return 1;
    double step = kMaxArcStep;
    if (tolerance < radius)
        step = std::min(step, 2.0 * std::acos(1.0 - tolerance / radius));
    if (!(step > 0.0))
        return kMaxPointsPerArc;
    const double chords = std::ceil(std::fabs(sweep) / step);
    return static_cast<std::size_t>(std::clamp(chords, 1.0, static_cast<double>(kMaxPointsPerArc)));
}

void AppendArc(CurvePoints& curve, PlanPoint centre, double radius, double start, double sweep,
               bool withStart, const ObjectAxes* axes, double elevation) {
    const std::size_t chords =
        curve.HasRoom(kMaxPointsPerArc) ? ArcChordCount(radius, sweep, curve.tolerance) : 1;
    for (std::size_t i = withStart ? 0 : 1; i <= chords; ++i) {
        const double angle = start + sweep * static_cast<double>(i) / static_cast<double>(chords);
        curve.Add(ProjectToPlan(axes, centre.x + radius * std::cos(angle),
                                centre.y + radius * std::sin(angle), elevation));
    }
}

void AppendBulge(CurvePoints& curve, PlanPoint from, PlanPoint to, double bulge,
                 const ObjectAxes* axes, double elevation) {
    const double chord = std::hypot(to.x - from.x, to.y - from.y);
    const double sweep = 4.0 * std::atan(bulge);
    const double halfSin = std::sin(0.5 * sweep);
    if (bulge == 0.0 || !std::isfinite(bulge) || !(chord > 0.0) || halfSin == 0.0 ||
        !curve.HasRoom(kMaxPointsPerArc)) {
        curve.Add(ProjectToPlan(axes, to.x, to.y, elevation));
        return;
    }
    // The centre lies on the chord's perpendicular through its middle, to the left for a
    // counter-clockwise sweep under half a turn.
    const double offset = chord / (2.0 * std::tan(0.5 * sweep));
    const PlanPoint centre{0.5 * (from.x + to.x) - offset * (to.y - from.y) / chord,
                           0.5 * (from.y + to.y) + offset * (to.x - from.x) / chord};
    const double radius = std::fabs(chord / (2.0 * halfSin));
    const double start = std::atan2(from.y - centre.y, from.x - centre.x);
    const std::size_t chords = ArcChordCount(radius, sweep, curve.tolerance);
    for (std::size_t i = 1; i < chords; ++i) {
        const double angle = start + sweep * static_cast<double>(i) / static_cast<double>(chords);
        curve.Add(ProjectToPlan(axes, centre.x + radius * std::cos(angle),
                                centre.y + radius * std::sin(angle), elevation));
    }
    curve.Add(ProjectToPlan(axes, to.x, to.y, elevation)); // the vertex itself, exactly
}

bool AppendEllipse(CurvePoints& curve, const Vector3& centre, const Vector3& major, double ratio,
                   double start, double end, const Vector3& normal) {
    const double majorLength = std::sqrt(major.x * major.x + major.y * major.y + major.z * major.z);
    const auto axes = AxesForExtrusion(normal);
    if (!IsFinite(centre) || !std::isfinite(majorLength) || !(majorLength > 0.0) || !axes ||
        !(ratio > 0.0 && ratio <= 1.0) || !std::isfinite(start) || !std::isfinite(end))
        return false;
    const Vector3& n = axes->zAxis;
    const Vector3 minor{ratio * (n.y * major.z - n.z * major.y),
                        ratio * (n.z * major.x - n.x * major.z),
                        ratio * (n.x * major.y - n.y * major.x)};
    double sweep = std::fmod(end - start, kTwoPi);
    if (sweep <= 0.0)
        sweep += kTwoPi;
    if (sweep <= 1e-12 || sweep >= kTwoPi - 1e-12)
        sweep = kTwoPi;
    start = std::fmod(start, kTwoPi);
    const std::size_t chords = ArcChordCount(majorLength, sweep, curve.tolerance);
    if (!curve.HasRoom(chords + 1))
        return false;
    const bool whole = sweep == kTwoPi;
    for (std::size_t i = 0; i <= chords; ++i) {
        // A whole ellipse ends exactly on its first point.
        const double t = whole && i == chords
                             ? start
                             : start + sweep * static_cast<double>(i) / static_cast<double>(chords);
        const double c = std::cos(t);
        const double s = std::sin(t);
        curve.Add({centre.x + major.x * c + minor.x * s, centre.y + major.y * c + minor.y * s});
    }
    return true;
}

bool AppendSpline(CurvePoints& curve, const SplineData& spline) {
    if (ControlsAreUsable(spline)) {
        AppendControlSpline(curve, spline);
        return true;
    }
    if (spline.fits.size() < 2 || !std::all_of(spline.fits.begin(), spline.fits.end(), IsFinite))
        return false;
    AppendFitCurve(curve, spline.fits);
    return true;
}

bool ToMapPoints(const ImportContext& context, bool topLevel, std::span<const PlanPoint> points,
                 std::vector<MAP_COORDPT>& mapPoints) {
    for (const PlanPoint& point : points) {
        const auto x = ToMapUnits(context, point.x, Axis::X, topLevel);
        const auto y = ToMapUnits(context, point.y, Axis::Y, topLevel);
        if (!x || !y)
            return false;
        if (!mapPoints.empty() && mapPoints.back().x == *x && mapPoints.back().y == *y)
            continue;
        mapPoints.push_back(MAP_COORDPT{*x, *y});
    }
    return true;
}

OBJHANDLE CreateCurveObject(HWND map, ImportContext& context, OBJHANDLE* blockSlot,
                            std::string_view layerName, std::span<const PlanPoint> points,
                            bool closed) {
    TakeLayerStep(map, context, layerName);
    std::vector<MAP_COORDPT> mapPoints;
    if (!ToMapPoints(context, blockSlot == nullptr, points, mapPoints))
        return nullptr;
    OBJHANDLE object = CreateRunObject(map, mapPoints, closed);
    AddToGroup(map, blockSlot, object);
    return object;
}
