// ARC and CIRCLE: a centre and a radius, an ARC also its start and end angles. The extended
// import reads their extrusion and places them in their object plane.
#include "host/vexcore.h"
#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/extended_reading.h"
#include "import/layer_resolution.h"
#include "import/plane_arcs.h"
#include "import/rebuilt_copies.h"

#include <array>
#include <optional>
#include <string>

namespace {

enum ArcField : std::size_t { kCentreX, kCentreY, kCentreZ, kRadius, kStartAngle, kEndAngle };

// The group codes of the fields, in field order; a CIRCLE reads the first four.
constexpr std::array<std::int32_t, 6> kArcCodes{10, 20, 30, 40, 50, 51};
constexpr std::array<std::int32_t, 4> kCircleCodes{10, 20, 30, 40};

// The quality argument the host takes for arcs and the polygons of circles.
constexpr std::int32_t kArcQuality = 20;

// The centre and radius in map units, or empty when one is not finite or outside the map's
// 32-bit range: malformed, nothing created.
struct MapCircle {
    std::int32_t x;
    std::int32_t y;
    std::int32_t radius;
};

// The ARC and CIRCLE fields share their first four places, so the helpers below take the
// fields' values rather than the fields: one body for both sizes.
std::optional<MapCircle> ToMapCircle(const ImportContext& context, double x, double y,
                                     double radius, bool topLevel) {
    const auto mapX = ToMapUnits(context, x, Axis::X, topLevel);
    const auto mapY = ToMapUnits(context, y, Axis::Y, topLevel);
    const auto mapRadius = ToMapLength(context, radius);
    if (!mapX || !mapY || !mapRadius)
        return std::nullopt;
    return MapCircle{*mapX, *mapY, *mapRadius};
}

// Reads an ARC or a CIRCLE up to its end: false when it is dropped (input ran out, a value,
// z and the extrusion included, was malformed, or a required field is missing).
template <std::size_t N>
bool ReadCircular(GroupReader& reader, GroupPair& pair, const ImportContext& context,
                  const std::array<std::int32_t, N>& codes, std::string& layerName,
                  CheckedFields<N>& fields, Vector3& extrusion) {
    const auto takeExtrusion = [&](const GroupPair& other) {
        bool malformed = false;
        return !(context.extendedEntities && TakeExtrusion(other, extrusion, malformed) &&
                 malformed);
    };
    return ReadCheckedEntity(reader, pair, codes, layerName, fields, takeExtrusion) &&
           fields.Given({kCentreX, kCentreY, kRadius});
}

// The centre in the object plane, a missing z being 0.
Vector3 PlaneCentre(double x, double y, double z) {
    return {x, y, z == kNotGiven ? 0.0 : z};
}

} // namespace

std::int32_t ImportArc(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                       OBJHANDLE* blockSlot) {
    std::string layerName;
    CheckedFields<kArcCodes.size()> fields;
    Vector3 extrusion{0.0, 0.0, 1.0}; // read only by the extended import
    if (!ReadCircular(reader, pair, context, kArcCodes, layerName, fields, extrusion) ||
        !fields.Given({kStartAngle, kEndAngle}))
        return 0;
    TakeLayerStep(map, context, layerName);
    const Vector3 centre = PlaneCentre(fields[kCentreX], fields[kCentreY], fields[kCentreZ]);
    if (context.extendedEntities && !IsWorldExtrusion(extrusion)) {
        CreatePlaneArc(map, context, blockSlot, centre, fields[kRadius], fields[kStartAngle],
                       fields[kEndAngle], extrusion);
        return 1;
    }
    const auto circle = ToMapCircle(context, fields[kCentreX], fields[kCentreY], fields[kRadius],
                                    blockSlot == nullptr);
    if (!circle)
        return 0;
    // The angles go over as the file's degrees, neither scaled nor converted.
    OBJHANDLE arc = m_ArcCreate(map, circle->x, circle->y, circle->radius, fields[kStartAngle],
                                fields[kEndAngle], kArcQuality);
    if (blockSlot && arc && context.extendedEntities) // kept for copies into tilted planes
        RecordArc(context, arc, {circle->x, circle->y}, circle->radius, fields[kStartAngle],
                  fields[kEndAngle], centre.z);
    return EntityCreated(map, blockSlot, arc);
}

std::int32_t ImportCircle(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot) {
    std::string layerName;
    CheckedFields<kCircleCodes.size()> fields;
    Vector3 extrusion{0.0, 0.0, 1.0}; // read only by the extended import
    if (!ReadCircular(reader, pair, context, kCircleCodes, layerName, fields, extrusion))
        return 0;
    TakeLayerStep(map, context, layerName);
    if (context.extendedEntities && !IsWorldExtrusion(extrusion)) {
        CreatePlaneCircle(map, context, blockSlot,
                          PlaneCentre(fields[kCentreX], fields[kCentreY], fields[kCentreZ]),
                          fields[kRadius], extrusion);
        return 1;
    }
    const auto circle = ToMapCircle(context, fields[kCentreX], fields[kCentreY], fields[kRadius],
                                    blockSlot == nullptr);
    if (!circle)
        return 0;
    return EntityCreated(
        map, blockSlot,
        map_Circle_Create_AsPolygon(map, circle->x, circle->y, circle->radius, kArcQuality));
}
