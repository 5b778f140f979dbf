// Creating and reading map objects. New objects go to the end of the current layer (or of a
// layer made for them when none is current).
#include "standin/buffers.h"
#include "standin/geometry.h"
#include "standin/host_state.h"
#include "standin/journal.h"

#include <cmath>

using namespace standin;

namespace {

OBJHANDLE ObjectHandle(const ObjectEntry& entry) {
    return HandleFromId<OBJHANDLE>(entry.id);
}

std::int32_t CreatePointObject(const char* operation, ObjectKind kind, HWND map, OBJHANDLE* object,
                               const MAP_COORDPT* points, std::int32_t count, std::int32_t flag) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, operation, journal::Map{}, journal::Out{"h", object},
                        journal::Points{points, count}, count, flag);
        Put<OBJHANDLE>(object, nullptr);
        if (!model || !points || count <= 0) {
            return 0;
        }
        // The points go straight into the map's point arena, 8 bytes each.
        Put(object,
            ObjectHandle(model->AddPointObject(kind, points, static_cast<std::size_t>(count),
                                               model->LayerForNewObject())));
        return 1;
    });
}

MAP_COORDPT Flatten(const MAP3D_COORDPT& point) {
    return {point.x, point.y};
}
MAP3D_COORDPT Keep(const MAP3D_COORDPT& point) {
    return point;
}

template <typename Point>
std::int32_t GetPoints(const char* operation, ObjectKind kind, HWND map, OBJHANDLE object,
                       std::int32_t* count, Point* points, std::int32_t capacity,
                       Point (*convert)(const MAP3D_COORDPT&)) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, operation, journal::Map{}, journal::Handle{object},
                        journal::Out{"count", count}, journal::Out{"points", points}, capacity);
        ObjectEntry* entry = model ? model->FindObject(IdOf(object)) : nullptr;
        if (!entry || entry->kind != kind) {
            Put(count, 0);
            return 0;
        }
        return DeliverList<Point>(count, points, capacity, PointView(*entry), convert);
    });
}

const TextDetail* TextObject(MapModel* model, OBJHANDLE object) {
    ObjectEntry* entry = model ? model->FindObject(IdOf(object)) : nullptr;
    return entry && entry->kind == ObjectKind::Text ? &model->Objects().TextOf(*entry) : nullptr;
}

} // namespace

VEXCORE_API std::int32_t VEXCORE_CALL map_polyline_Create(HWND map, OBJHANDLE* object,
                                                          const MAP_COORDPT* points,
                                                          std::int32_t count, std::int32_t flag) {
    return CreatePointObject("map_polyline_Create", ObjectKind::Polyline, map, object, points,
                             count, flag);
}

VEXCORE_API std::int32_t VEXCORE_CALL map_polygon_Create(HWND map, OBJHANDLE* object,
                                                         const MAP_COORDPT* points,
                                                         std::int32_t count, std::int32_t flag) {
    return CreatePointObject("map_polygon_Create", ObjectKind::Polygon, map, object, points, count,
                             flag);
}

VEXCORE_API OBJHANDLE VEXCORE_CALL m_ArcCreate(HWND map, std::int32_t centerX, std::int32_t centerY,
                                               std::int32_t radius, double startAngle,
                                               double endAngle, std::int32_t quality) {
    return Guarded<OBJHANDLE>(nullptr, [&]() -> OBJHANDLE {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "m_ArcCreate", journal::Map{}, centerX, centerY, radius, startAngle,
                        endAngle, quality);
        if (!model || radius <= 0 || !std::isfinite(startAngle) || !std::isfinite(endAngle)) {
            return nullptr;
        }
        Object arc;
        arc.kind = ObjectKind::Arc;
        arc.center = {centerX, centerY};
        arc.radius = radius;
        arc.startAngle = startAngle;
        arc.endAngle = endAngle;
        arc.quality = quality;
        return ObjectHandle(model->AddObject(std::move(arc), &model->LayerForNewObject()));
    });
}

VEXCORE_API OBJHANDLE VEXCORE_CALL map_Circle_Create_AsPolygon(HWND map, std::int32_t centerX,
                                                               std::int32_t centerY,
                                                               std::int32_t radius,
                                                               std::int32_t quality) {
    return Guarded<OBJHANDLE>(nullptr, [&]() -> OBJHANDLE {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_Circle_Create_AsPolygon", journal::Map{}, centerX, centerY,
                        radius, quality);
        if (!model || radius <= 0) {
            return nullptr;
        }
        // Computed into a buffer kept for the next circle, then copied into the point arena.
        thread_local std::vector<MAP_COORDPT> points;
        CirclePoints(centerX, centerY, radius, quality, points);
        return ObjectHandle(model->AddPointObject(ObjectKind::Polygon, points.data(), points.size(),
                                                  model->LayerForNewObject()));
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL
map_text_CreateEx(HWND map, OBJHANDLE* object, const char* text, const MAP_COORDPT* position,
                  const char* font, std::int32_t size, std::int32_t style, std::uint32_t color,
                  std::int32_t rotation, std::int32_t oblique, std::uint32_t flags,
                  std::int32_t reserved1, std::int32_t reserved2, std::int32_t reserved3) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_text_CreateEx", journal::Map{}, journal::Out{"h", object},
                        journal::Text{text}, journal::Point{position}, journal::Text{font}, size,
                        style, color, rotation, oblique, flags, reserved1, reserved2, reserved3);
        Put<OBJHANDLE>(object, nullptr);
        if (!model || !position) {
            return 0;
        }
        Object made;
        made.kind = ObjectKind::Text;
        made.text = text ? text : "";
        made.position = {position->x, position->y, 0};
        made.font = font ? font : "";
        made.size = size;
        made.style = style;
        made.color = color;
        made.rotation = rotation;
        made.oblique = oblique;
        made.flags = flags;
        Put(object, ObjectHandle(model->AddObject(std::move(made), &model->LayerForNewObject())));
        return 1;
    });
}

// The four point readers differ only in their name, kind and point width.
#define STANDIN_POINTS_GET(name, Point, kind, convert)                                             \
    VEXCORE_API std::int32_t VEXCORE_CALL name(HWND map, OBJHANDLE object, std::int32_t* count,    \
                                               Point* points, std::int32_t capacity) {             \
        return GetPoints<Point>(#name, kind, map, object, count, points, capacity, convert);       \
    }
STANDIN_POINTS_GET(map_polyline_Get, MAP_COORDPT, ObjectKind::Polyline, Flatten)
STANDIN_POINTS_GET(map_polygon_Get, MAP_COORDPT, ObjectKind::Polygon, Flatten)
STANDIN_POINTS_GET(map3d_polyline_Get, MAP3D_COORDPT, ObjectKind::Polyline, Keep)
STANDIN_POINTS_GET(map3d_polygon_Get, MAP3D_COORDPT, ObjectKind::Polygon, Keep)
#undef STANDIN_POINTS_GET

VEXCORE_API std::int32_t VEXCORE_CALL map_text_GetEx(
    HWND map, OBJHANDLE object, std::uint32_t* textLength, char* text, std::uint16_t textSize,
    MAP_COORDPT* position, char* font, std::int32_t fontSize, std::int32_t* size,
    std::int32_t* style, std::uint32_t* color, std::int32_t* rotation, std::int32_t* oblique,
    std::uint32_t* flags, std::int32_t* reserved1, std::int32_t* reserved2) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_text_GetEx", journal::Map{}, journal::Handle{object},
                        journal::Out{"length", textLength}, journal::Out{"text", text}, textSize,
                        journal::Out{"position", position}, journal::Out{"font", font}, fontSize,
                        journal::Out{"size", size}, journal::Out{"style", style},
                        journal::Out{"color", color}, journal::Out{"rotation", rotation},
                        journal::Out{"oblique", oblique}, journal::Out{"flags", flags},
                        journal::Out{"reserved1", reserved1}, journal::Out{"reserved2", reserved2});
        const TextDetail* t = TextObject(model, object);
        if (!t) {
            return 0;
        }
        Put(textLength,
            static_cast<std::uint32_t>(std::min<std::size_t>(t->text.size(), UINT32_MAX)));
        CopyTextOut(text, textSize, t->text);
        Put(position, MAP_COORDPT{t->position.x, t->position.y});
        CopyTextOut(font, fontSize, t->font);
        Put(size, t->size);
        Put(style, t->style);
        Put(color, t->color);
        Put(rotation, t->rotation);
        Put(oblique, t->oblique);
        Put(flags, t->flags);
        Put(reserved1, 0);
        Put(reserved2, 0);
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL map3d_text_Get(HWND map, OBJHANDLE object,
                                                     MAP3D_COORDPT* position) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map3d_text_Get", journal::Map{}, journal::Handle{object},
                        journal::Out{"position", position});
        const TextDetail* t = TextObject(model, object);
        if (!t) {
            return 0;
        }
        Put(position, t->position);
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL map3d_is_object_3d(HWND map, OBJHANDLE object) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map3d_is_object_3d", journal::Map{}, journal::Handle{object});
        const ObjectEntry* entry = model ? model->FindObject(IdOf(object)) : nullptr;
        return entry && entry->is3d ? 1 : 0;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL map_object_boundrect_Get(HWND map, OBJHANDLE object,
                                                               MAP_COORDRECT* rect) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_object_boundrect_Get", journal::Map{}, journal::Handle{object},
                        journal::Out{"rect", rect});
        if (!model) {
            return 0;
        }
        std::optional<MAP_COORDRECT> bounds;
        const auto add = [&](const ObjectEntry& entry) { // a group has no bounds of its own
            if (const auto more = model->Objects().Bounds(entry)) {
                Include(bounds, *more);
            }
        };
        if (object) {
            const ObjectId id = IdOf(object);
            if (!model->FindObject(id)) {
                return 0;
            }
            for (const ObjectId below : model->LayeredObjectsBelow(&id, 1)) {
                add(*model->FindObject(below));
            }
        } else {
            // The whole map: every object on a layer; the rectangle of all objects set by
            // PM_SetAllObjectsRect stands in when the map has none.
            model->Objects().ForEach(add);
            if (!bounds) {
                bounds = model->objectsRect;
            }
        }
        if (!bounds) {
            return 0;
        }
        Put(rect, *bounds);
        return 1;
    });
}
