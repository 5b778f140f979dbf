// MULTILEADER as its leader lines (polylines) and its text (a map text). Its groups come in
// nested sections: CONTEXT_DATA{ holds the text, each LEADER{ the landing point and the
// dogleg, each LEADER_LINE{ inside it the line's vertices. A block as content is not shown.
#include "import/entity_handlers.h"
#include "import/extended_reading.h"
#include "import/layer_resolution.h"
#include "import/placed_text.h"
#include "import/text_codes.h"
#include "import/vertex_run.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

// The vertices, leaders and leader lines one MULTILEADER may give in all; more count as a
// malformed count.
constexpr std::size_t kMaxLeaderPoints = 65536;

struct PlanPoint {
    double x = 0.0;
    double y = 0.0;
};

struct Leader {
    PlanPoint landing; // 10/20: where the lines end
    PlanPoint dogleg;  // 11/21: the direction of the dogleg
    double doglegLength = 0.0;
    std::vector<std::vector<PlanPoint>> lines;
};

enum class Section { Entity, Context, Leader, LeaderLine };

struct MultiLeader {
    std::string layerName;
    std::string text;
    double textX = kNotGiven;
    double textY = kNotGiven;
    PlanPoint textDirection;
    double height = 0.0;
    double rotationRadians = 0.0;
    std::int32_t attachment = 1;
    std::vector<Leader> leaders;
    Section section = Section::Entity;
    std::size_t points = 0;
};

bool TakeNumber(const GroupPair& pair, double& target) {
    return StoreChecked(pair, target);
}

// A section marker; true when the pair was one.
bool TakeMarker(const GroupPair& pair, MultiLeader& entity) {
    const std::string_view value = pair.value;
    if (pair.code == 300 && value == "CONTEXT_DATA{") {
        entity.section = Section::Context;
    } else if (pair.code == 301 && entity.section == Section::Context) {
        entity.section = Section::Entity;
    } else if (pair.code == 302 && value == "LEADER{") {
        entity.section = Section::Leader;
        entity.leaders.emplace_back();
        ++entity.points;
    } else if (pair.code == 303 && entity.section == Section::Leader) {
        entity.section = Section::Context;
    } else if (pair.code == 304 && value == "LEADER_LINE{" && entity.section == Section::Leader) {
        entity.section = Section::LeaderLine;
        entity.leaders.back().lines.emplace_back();
        ++entity.points;
    } else if (pair.code == 305 && entity.section == Section::LeaderLine) {
        entity.section = Section::Leader;
    } else {
        return false;
    }
    return true;
}

bool TakeContextGroup(const GroupPair& pair, MultiLeader& entity) {
    switch (pair.code) {
    case 304:
        entity.text.assign(pair.value);
        return true;
    case 12:
        return TakeNumber(pair, entity.textX);
    case 22:
        return TakeNumber(pair, entity.textY);
    case 13:
        return TakeNumber(pair, entity.textDirection.x);
    case 23:
        return TakeNumber(pair, entity.textDirection.y);
    case 41:
        return TakeNumber(pair, entity.height);
    case 42:
        return TakeNumber(pair, entity.rotationRadians);
    case 171:
        entity.attachment = ParseInt(pair.value);
        return true;
    default:
        return true;
    }
}

bool TakeLeaderGroup(const GroupPair& pair, Leader& leader) {
    switch (pair.code) {
    case 10:
        return TakeNumber(pair, leader.landing.x);
    case 20:
        return TakeNumber(pair, leader.landing.y);
    case 11:
        return TakeNumber(pair, leader.dogleg.x);
    case 21:
        return TakeNumber(pair, leader.dogleg.y);
    case 40:
        return TakeNumber(pair, leader.doglegLength);
    default:
        return true;
    }
}

// A vertex begins with its 10 and is completed by its 20.
bool TakeLineGroup(const GroupPair& pair, MultiLeader& entity) {
    std::vector<PlanPoint>& line = entity.leaders.back().lines.back();
    if (pair.code == 10) {
        if (++entity.points > kMaxLeaderPoints)
            return false;
        line.emplace_back();
        return TakeNumber(pair, line.back().x);
    }
    if (pair.code == 20 && !line.empty())
        return TakeNumber(pair, line.back().y);
    return true;
}

// Takes one group; false when a value is malformed, which drops the MULTILEADER.
bool TakeMultiLeaderGroup(const GroupPair& pair, MultiLeader& entity) {
    if (TakeMarker(pair, entity))
        return entity.points <= kMaxLeaderPoints;
    switch (entity.section) {
    case Section::Entity:
        if (pair.code == 8)
            entity.layerName.assign(pair.value);
        return true;
    case Section::Context:
        return TakeContextGroup(pair, entity);
    case Section::Leader:
        return TakeLeaderGroup(pair, entity.leaders.back());
    case Section::LeaderLine:
        return TakeLineGroup(pair, entity);
    }
    return true;
}

// The points of one leader line: its vertices, the landing point, and the end of the dogleg.
std::vector<PlanPoint> LinePoints(const Leader& leader, const std::vector<PlanPoint>& line) {
    std::vector<PlanPoint> points = line;
    points.push_back(leader.landing);
    const double length = std::hypot(leader.dogleg.x, leader.dogleg.y);
    if (leader.doglegLength != 0.0 && length > 0.0) {
        const double factor = leader.doglegLength / length;
        points.push_back({leader.landing.x + leader.dogleg.x * factor,
                          leader.landing.y + leader.dogleg.y * factor});
    }
    return points;
}

// Creates the polyline of one leader line; false when a point is no map coordinate.
bool CreateLeaderLine(HWND map, const ImportContext& context, const std::vector<PlanPoint>& points,
                      OBJHANDLE* blockSlot) {
    const bool topLevel = blockSlot == nullptr;
    std::vector<MAP_COORDPT> run;
    run.reserve(points.size());
    for (const PlanPoint& point : points) {
        const auto x = ToMapUnits(context, point.x, Axis::X, topLevel);
        const auto y = ToMapUnits(context, point.y, Axis::Y, topLevel);
        if (!x || !y)
            return false;
        run.push_back({*x, *y});
    }
    OBJHANDLE object = CreateRunObject(map, run, false);
    AddToGroup(map, blockSlot, object);
    return true;
}

void CreateText(HWND map, ImportContext& context, const MultiLeader& entity, OBJHANDLE* blockSlot) {
    PlacedText placed;
    placed.text = PlainMText(entity.text);
    DecodePercentCodes(placed.text);
    placed.layerName = entity.layerName;
    placed.x = entity.textX;
    placed.y = entity.textY;
    placed.height = entity.height;
    const PlanPoint& direction = entity.textDirection;
    placed.rotationDegrees =
        (direction.x != 0.0 || direction.y != 0.0 ? std::atan2(direction.y, direction.x)
                                                  : entity.rotationRadians) *
        180.0 / std::numbers::pi;
    const std::int32_t point =
        entity.attachment >= 1 && entity.attachment <= 9 ? entity.attachment - 1 : 0;
    constexpr std::int32_t kVertical[] = {3, 2, 0}; // top, middle, baseline
    placed.flags = TextAlignmentFlags(point % 3, kVertical[point / 3]);
    CreatePlacedText(map, context, placed, blockSlot);
}

} // namespace

std::int32_t ImportMultiLeader(HWND map, GroupReader& reader, GroupPair& pair,
                               ImportContext& context, OBJHANDLE* blockSlot) {
    MultiLeader entity;
    // A malformed value drops the MULTILEADER; its pair stays current.
    if (!ReadExtendedEntity(reader, pair, [&](const GroupPair& group) {
            return TakeMultiLeaderGroup(group, entity);
        }))
        return 0;
    TakeLayerStep(map, context, entity.layerName);
    for (const Leader& leader : entity.leaders) {
        for (const std::vector<PlanPoint>& line : leader.lines) {
            if (!line.empty())
                CreateLeaderLine(map, context, LinePoints(leader, line), blockSlot);
        }
    }
    CreateText(map, context, entity, blockSlot);
    return 1;
}
