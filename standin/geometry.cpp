#include "standin/geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace standin {

namespace {

constexpr double kDegrees = std::numbers::pi / 180.0;
constexpr double kFullTurn = 360.0;
constexpr double kTenthsPerTurn = 3600.0;

struct Vec {
    double x;
    double y;
};

// Scale and rotate about the reference point, then translate.
Vec MapPoint(double x, double y, const Transform& t, double cosine, double sine) {
    const double vx = (x - t.reference.x) * t.scaleX;
    const double vy = (y - t.reference.y) * t.scaleY;
    return {t.reference.x + vx * cosine - vy * sine + t.dx,
            t.reference.y + vx * sine + vy * cosine + t.dy};
}

// Where the direction at angle `degrees` points after the signs of the scales: a negative x
// scale mirrors about the vertical axis, a negative y scale about the horizontal one.
double MirroredAngle(double degrees, bool flipX, bool flipY) {
    if (flipX && flipY) {
        return degrees + 180.0;
    }
    if (flipX) {
        return 180.0 - degrees;
    }
    if (flipY) {
        return -degrees;
    }
    return degrees;
}

void TransformArc(Object& arc, const Transform& t, double cosine, double sine) {
    const Vec center = MapPoint(arc.center.x, arc.center.y, t, cosine, sine);
    arc.center = {RoundSaturated(center.x), RoundSaturated(center.y)};
    // An arc stays circular: its radius follows the x scale only.
    arc.radius = RoundSaturated(arc.radius * std::fabs(t.scaleX));
    const bool flipX = t.scaleX < 0.0;
    const bool flipY = t.scaleY < 0.0;
    double start = MirroredAngle(arc.startAngle, flipX, flipY);
    double end = MirroredAngle(arc.endAngle, flipX, flipY);
    if (flipX != flipY) {
        std::swap(start, end); // a mirror turns the sweep round; arcs run counter-clockwise
    }
    start += t.angleDegrees;
    end += t.angleDegrees;
    // Both angles move by the same whole turns, so the sweep is kept exactly.
    const double turns = std::floor(start / kFullTurn) * kFullTurn;
    arc.startAngle = start - turns;
    arc.endAngle = end - turns;
}

// A point; z only for a 3-D object.
void MovePoint(std::int32_t& x, std::int32_t& y, std::int32_t* z, const Transform& t, double cosine,
               double sine) {
    const Vec moved = MapPoint(x, y, t, cosine, sine);
    x = RoundSaturated(moved.x);
    y = RoundSaturated(moved.y);
    if (z) {
        *z = RoundSaturated(*z * t.scaleZ + t.dz);
    }
}

void TransformText(Object& text, const Transform& t, double cosine, double sine) {
    MovePoint(text.position.x, text.position.y, text.is3d ? &text.position.z : nullptr, t, cosine,
              sine);
    double rotation = text.rotation + t.angleDegrees * 10.0;
    if (std::fabs(rotation) >= kTenthsPerTurn) {
        rotation = std::fmod(rotation, kTenthsPerTurn);
    }
    text.rotation = RoundSaturated(rotation);
    text.size = RoundSaturated(text.size * std::fabs(t.scaleY));
}

std::int32_t Saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// True when the counter-clockwise sweep from start to end passes the direction `degrees`.
bool SweepContains(double start, double end, double degrees) {
    double span = std::fmod(end - start, kFullTurn);
    if (span <= 0.0) {
        span += kFullTurn;
    }
    double offset = std::fmod(degrees - start, kFullTurn);
    if (offset < 0.0) {
        offset += kFullTurn;
    }
    return offset <= span;
}

MAP_COORDRECT PointRect(std::int32_t x, std::int32_t y) {
    return {{x, y}, {x, y}};
}

std::optional<MAP_COORDRECT> ArcBounds(const Object& arc) {
    const std::int64_t r = arc.radius;
    if (!std::isfinite(arc.startAngle) || !std::isfinite(arc.endAngle)) {
        return std::nullopt;
    }
    std::optional<MAP_COORDRECT> bounds;
    const auto include = [&](double degrees) {
        const double x = arc.center.x + static_cast<double>(r) * std::cos(degrees * kDegrees);
        const double y = arc.center.y + static_cast<double>(r) * std::sin(degrees * kDegrees);
        Include(bounds, PointRect(RoundSaturated(x), RoundSaturated(y)));
    };
    include(arc.startAngle);
    include(arc.endAngle);
    for (const double axis : {0.0, 90.0, 180.0, 270.0}) {
        if (SweepContains(arc.startAngle, arc.endAngle, axis)) {
            // Axis extremes are exact: centre plus or minus the radius.
            const std::int64_t cx = arc.center.x;
            const std::int64_t cy = arc.center.y;
            const std::int64_t x = axis == 0.0 ? cx + r : axis == 180.0 ? cx - r : cx;
            const std::int64_t y = axis == 90.0 ? cy + r : axis == 270.0 ? cy - r : cy;
            Include(bounds, PointRect(Saturate(x), Saturate(y)));
        }
    }
    return bounds;
}

} // namespace

std::int32_t RoundSaturated(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(std::round(value));
}

void CirclePoints(std::int32_t centerX, std::int32_t centerY, std::int32_t radius,
                  std::int32_t pointsPerQuarter, std::vector<MAP_COORDPT>& points) {
    const std::int32_t quarter = std::clamp(pointsPerQuarter, 1, kMaxPointsPerQuarter);
    const std::int32_t count = 4 * quarter;
    // The cosines and sines of the last point count asked for: circles of a drawing share one
    // quality, and the same angle gives the same values, so every point is what computing them
    // afresh would give.
    struct UnitCircle {
        std::int32_t count = 0;
        std::vector<double> cosines;
        std::vector<double> sines;
    };
    thread_local UnitCircle unit;
    if (unit.count != count) {
        unit.count = 0; // until both tables are complete
        unit.cosines.resize(static_cast<std::size_t>(count));
        unit.sines.resize(static_cast<std::size_t>(count));
        for (std::int32_t k = 0; k < count; ++k) {
            const double angle = 2.0 * std::numbers::pi * k / count;
            unit.cosines[static_cast<std::size_t>(k)] = std::cos(angle);
            unit.sines[static_cast<std::size_t>(k)] = std::sin(angle);
        }
        unit.count = count;
    }
    points.resize(static_cast<std::size_t>(count));
    for (std::size_t k = 0; k < points.size(); ++k) {
        points[k] = {RoundSaturated(centerX + radius * unit.cosines[k]),
                     RoundSaturated(centerY + radius * unit.sines[k])};
    }
}

bool IsFinite(const Transform& t) {
    return std::isfinite(t.scaleX) && std::isfinite(t.scaleY) && std::isfinite(t.scaleZ) &&
           std::isfinite(t.angleDegrees);
}

void TransformPointRun(std::int32_t* values, std::size_t count, bool is3d, const Transform& t) {
    // The objects of one insertion share their angle: its cosine and sine are kept.
    struct Turn {
        double degrees = 0.0;
        double cosine = 1.0;
        double sine = 0.0;
    };
    thread_local Turn turn;
    if (!(t.angleDegrees == turn.degrees)) {
        turn = {t.angleDegrees, std::cos(t.angleDegrees * kDegrees),
                std::sin(t.angleDegrees * kDegrees)};
    }
    const double cosine = turn.cosine;
    const double sine = turn.sine;
    const std::size_t stride = is3d ? 3 : 2;
    for (std::int32_t* p = values; p < values + count * stride; p += stride) {
        MovePoint(p[0], p[1], is3d ? p + 2 : nullptr, t, cosine, sine);
    }
}

void ApplyTransform(Object& object, const Transform& t) {
    const double cosine = std::cos(t.angleDegrees * kDegrees);
    const double sine = std::sin(t.angleDegrees * kDegrees);
    if (object.kind == ObjectKind::Arc) {
        TransformArc(object, t, cosine, sine);
    } else if (object.kind == ObjectKind::Text) {
        TransformText(object, t, cosine, sine);
    }
}

void Include(std::optional<MAP_COORDRECT>& total, const MAP_COORDRECT& more) {
    if (!total) {
        total = more;
        return;
    }
    total->min.x = std::min(total->min.x, more.min.x);
    total->min.y = std::min(total->min.y, more.min.y);
    total->max.x = std::max(total->max.x, more.max.x);
    total->max.y = std::max(total->max.y, more.max.y);
}

std::optional<MAP_COORDRECT> BoundsOf(const Object& object) {
    if (object.kind == ObjectKind::Arc) {
        return ArcBounds(object);
    }
    if (object.kind == ObjectKind::Text) {
        return PointRect(object.position.x, object.position.y);
    }
    return std::nullopt;
}

} // namespace standin
