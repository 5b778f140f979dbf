// The host's core map library, VEXCORE: every map operation the module calls.
// The module keeps no map model of its own; layers, objects, units, settings and the
// layer-mapping file all go through these operations.
#pragma once

#include "host/win32.h"

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#if defined(VEXCORE_BUILD)
#define VEXCORE_API __declspec(dllexport)
#else
#define VEXCORE_API __declspec(dllimport)
#endif
#define VEXCORE_CALL __stdcall
#else
#if defined(VEXCORE_BUILD)
#define VEXCORE_API __attribute__((visibility("default")))
#else
#define VEXCORE_API
#endif
#define VEXCORE_CALL
#endif

// Points and rectangles in signed 32-bit map units.
struct MAP_COORDPT {
    std::int32_t x;
    std::int32_t y;
};
struct MAP3D_COORDPT {
    std::int32_t x;
    std::int32_t y;
    std::int32_t z;
};
struct MAP_COORDRECT {
    MAP_COORDPT min;
    MAP_COORDPT max;
};

// Opaque host handles: a layer, an object or a group; the object database and the presentation
// manager of a map window. Null means none.
struct VxObject;
using OBJHANDLE = VxObject*;
struct VxDatabase;
using DBHANDLE = VxDatabase*;
struct VxPresentation;
using PMHANDLE = VxPresentation*;

// Roots, reference kinds, class ids and object types as the host numbers them.
constexpr std::int32_t kRootLayers = 0x5001;
constexpr std::int32_t kRootCopyTarget = 0x6003;
constexpr std::int32_t kRefLayerChildren = 0x8803;
constexpr std::int32_t kRefGroupChildren = 0x8807;
constexpr std::int32_t kClassPolyline = 8;
constexpr std::int32_t kClassPolygon = 9;
constexpr std::int32_t kClassArc = 10;
constexpr std::int32_t kClassText = 11;
constexpr std::int32_t kClassLayer = 0x5002;
constexpr std::int32_t kClassGroup = 0x6005;
constexpr std::int32_t kTypePolyline = 1;
constexpr std::int32_t kTypePolygon = 2;
constexpr std::int32_t kTypeArc = 3;
constexpr std::int32_t kTypeText = 11;
constexpr std::int32_t kTypeGroup = 33;

// The unit record FindUnitInfo gives: the flag byte at offset 4 and the factor at offset 16.
struct tagUnitInfo {
    std::int32_t id;
    std::uint8_t flags;
    std::uint8_t reserved[11];
    double factor;
    char name[24];
};
static_assert(offsetof(tagUnitInfo, flags) == 4);
static_assert(offsetof(tagUnitInfo, factor) == 16);
constexpr std::uint8_t kUnitHasFactor = 4;

// One record of the layer-mapping file as ReadZOVIni delivers it: 128 bytes, read by offset.
struct ZOVIniEntry {
    unsigned char bytes[128];
};
static_assert(sizeof(ZOVIniEntry) == 128);

// Byte offsets of the ZOVIniEntry fields the module reads.
namespace zov {
constexpr std::size_t kLayerNumber = 0;
constexpr std::size_t kLayerName = 29;
constexpr std::size_t kLayerNameEnd = 80;
constexpr std::size_t kAttr7 = 80;
constexpr std::size_t kAttr9 = 84;
constexpr std::size_t kAttr10 = 88;
constexpr std::size_t kAttr12 = 92;
constexpr std::size_t kAttr8 = 96;
constexpr std::size_t kOrderFlag = 125;
} // namespace zov

// Byte offsets of the layer record that OBJectLock gives for a layer handle.
namespace layer_record {
constexpr std::size_t kNumber = 48;
constexpr std::size_t kName = 52;
constexpr std::size_t kNameEnd = 100;
constexpr std::size_t kFirstSwitch = 100;
constexpr std::size_t kSecondSwitch = 101;
constexpr std::size_t kSize = 128;
} // namespace layer_record

// The host exports its operations by their C names, except the overloads of m_RegValueGet and
// m_RegValueSet, which only C++ can tell apart and which keep their C++ names.
extern "C" {

// Layers.
VEXCORE_API OBJHANDLE VEXCORE_CALL map_layer_Search(HWND map, std::int32_t number,
                                                    const char* name);
VEXCORE_API std::int32_t VEXCORE_CALL map_layer_Get(HWND map, OBJHANDLE layer, std::int32_t* number,
                                                    char* name, std::int32_t nameSize,
                                                    std::int32_t* attributes6);
VEXCORE_API std::int32_t VEXCORE_CALL
map_layer_Create(HWND map, OBJHANDLE* newLayer, const OBJHANDLE* objects, std::int32_t objectCount,
                 std::int32_t number, const char* name, std::uint32_t attr7, std::uint32_t attr8,
                 std::int32_t attr9, std::uint32_t attr10, std::int32_t mode, std::uint16_t attr12,
                 std::int32_t reserved);
VEXCORE_API std::int32_t VEXCORE_CALL
map_layer_Set(HWND map, OBJHANDLE layer, const OBJHANDLE* objects, std::int32_t objectCount,
              std::int32_t number, const char* name, std::uint32_t attr7, std::uint32_t attr8,
              std::int32_t attr9, std::uint32_t attr10, std::int32_t mode, std::uint16_t attr12,
              std::int32_t reserved1, std::int32_t reserved2);
VEXCORE_API std::int32_t VEXCORE_CALL map_get_MaxLayNumber(HWND map);
VEXCORE_API std::int32_t VEXCORE_CALL map_layers_Get(HWND map, std::int32_t* count,
                                                     OBJHANDLE* layers, std::int32_t capacity);
VEXCORE_API std::int32_t VEXCORE_CALL map_layer_predecessor_Set(HWND map, OBJHANDLE layer,
                                                                OBJHANDLE predecessor);

// Creation. The new object lands on the current layer.
VEXCORE_API std::int32_t VEXCORE_CALL map_polyline_Create(HWND map, OBJHANDLE* object,
                                                          const MAP_COORDPT* points,
                                                          std::int32_t count, std::int32_t flag);
VEXCORE_API std::int32_t VEXCORE_CALL map_polygon_Create(HWND map, OBJHANDLE* object,
                                                         const MAP_COORDPT* points,
                                                         std::int32_t count, std::int32_t flag);
VEXCORE_API OBJHANDLE VEXCORE_CALL m_ArcCreate(HWND map, std::int32_t centerX, std::int32_t centerY,
                                               std::int32_t radius, double startAngle,
                                               double endAngle, std::int32_t quality);
VEXCORE_API OBJHANDLE VEXCORE_CALL map_Circle_Create_AsPolygon(HWND map, std::int32_t centerX,
                                                               std::int32_t centerY,
                                                               std::int32_t radius,
                                                               std::int32_t quality);
VEXCORE_API std::int32_t VEXCORE_CALL
map_text_CreateEx(HWND map, OBJHANDLE* object, const char* text, const MAP_COORDPT* position,
                  const char* font, std::int32_t size, std::int32_t style, std::uint32_t color,
                  std::int32_t rotation, std::int32_t oblique, std::uint32_t flags,
                  std::int32_t reserved1, std::int32_t reserved2, std::int32_t reserved3);

// Groups.
VEXCORE_API std::int32_t VEXCORE_CALL map_group_Create(HWND map, OBJHANDLE* group,
                                                       const OBJHANDLE* members, std::int32_t count,
                                                       std::int32_t reserved);
VEXCORE_API std::int32_t VEXCORE_CALL map_group_Set(HWND map, OBJHANDLE group,
                                                    const OBJHANDLE* members, std::int32_t count,
                                                    std::int32_t reserved1, std::int32_t reserved2);
VEXCORE_API std::int32_t VEXCORE_CALL map_group_Get(HWND map, OBJHANDLE group, std::int32_t* count,
                                                    OBJHANDLE* members, std::int32_t capacity,
                                                    std::int32_t mode);
VEXCORE_API std::int32_t VEXCORE_CALL map_object_type_Get(HWND map, OBJHANDLE object);

// Reading objects. Without a buffer a getter gives the count; a null object gives the rectangle
// of the whole map.
VEXCORE_API std::int32_t VEXCORE_CALL map_polyline_Get(HWND map, OBJHANDLE object,
                                                       std::int32_t* count, MAP_COORDPT* points,
                                                       std::int32_t capacity);
VEXCORE_API std::int32_t VEXCORE_CALL map_polygon_Get(HWND map, OBJHANDLE object,
                                                      std::int32_t* count, MAP_COORDPT* points,
                                                      std::int32_t capacity);
VEXCORE_API std::int32_t VEXCORE_CALL map3d_polyline_Get(HWND map, OBJHANDLE object,
                                                         std::int32_t* count, MAP3D_COORDPT* points,
                                                         std::int32_t capacity);
VEXCORE_API std::int32_t VEXCORE_CALL map3d_polygon_Get(HWND map, OBJHANDLE object,
                                                        std::int32_t* count, MAP3D_COORDPT* points,
                                                        std::int32_t capacity);
VEXCORE_API std::int32_t VEXCORE_CALL map_text_GetEx(
    HWND map, OBJHANDLE object, std::uint32_t* textLength, char* text, std::uint16_t textSize,
    MAP_COORDPT* position, char* font, std::int32_t fontSize, std::int32_t* size,
    std::int32_t* style, std::uint32_t* color, std::int32_t* rotation, std::int32_t* oblique,
    std::uint32_t* flags, std::int32_t* reserved1, std::int32_t* reserved2);
VEXCORE_API std::int32_t VEXCORE_CALL map3d_text_Get(HWND map, OBJHANDLE object,
                                                     MAP3D_COORDPT* position);
VEXCORE_API std::int32_t VEXCORE_CALL map3d_is_object_3d(HWND map, OBJHANDLE object);
VEXCORE_API std::int32_t VEXCORE_CALL map_object_boundrect_Get(HWND map, OBJHANDLE object,
                                                               MAP_COORDRECT* rect);

// The object tree. Walks end with null; a cursor is updated by the host.
VEXCORE_API OBJHANDLE VEXCORE_CALL GetRootOBJect(HWND map, std::int32_t rootClass);
VEXCORE_API OBJHANDLE VEXCORE_CALL FirstReference(DBHANDLE db, OBJHANDLE parent, std::int32_t kind,
                                                  std::int32_t* cursor);
VEXCORE_API OBJHANDLE VEXCORE_CALL GetReference(DBHANDLE db, OBJHANDLE parent, std::int32_t kind,
                                                std::int32_t* cursor);
VEXCORE_API OBJHANDLE VEXCORE_CALL LastReference(DBHANDLE db, OBJHANDLE parent, std::int32_t kind,
                                                 std::int32_t* cursor);
VEXCORE_API OBJHANDLE VEXCORE_CALL PrevReference(DBHANDLE db, OBJHANDLE parent, std::int32_t kind,
                                                 std::int32_t* cursor);
VEXCORE_API std::int32_t VEXCORE_CALL GetOBJectClassID(DBHANDLE db, OBJHANDLE object);
VEXCORE_API const void* VEXCORE_CALL OBJectLock(DBHANDLE db, OBJHANDLE object);
VEXCORE_API std::int32_t VEXCORE_CALL TextObjectTextGet(DBHANDLE db, OBJHANDLE object, char* text,
                                                        std::int32_t size);
VEXCORE_API OBJHANDLE VEXCORE_CALL CopyStruct(OBJHANDLE target, DBHANDLE db, OBJHANDLE source);
VEXCORE_API std::int32_t VEXCORE_CALL DeleteTree(DBHANDLE db, OBJHANDLE object, std::int32_t kind);
VEXCORE_API std::int32_t VEXCORE_CALL DoOperations2(HWND map, const OBJHANDLE* objects,
                                                    std::int32_t count,
                                                    const MAP_COORDPT* reference, std::int32_t dx,
                                                    std::int32_t dy, std::int32_t dz, double scaleX,
                                                    double scaleY, double scaleZ, double angle,
                                                    std::int32_t reserved);

// Units and page.
VEXCORE_API const tagUnitInfo* VEXCORE_CALL FindUnitInfo(std::int32_t unitId);
VEXCORE_API double VEXCORE_CALL PointSizeToMap(HWND map, std::int32_t size);
VEXCORE_API std::int32_t VEXCORE_CALL PageGetOrgExtInWindow(HWND map, MAP_COORDPT* origin,
                                                            MAP_COORDPT* extent);
VEXCORE_API std::int32_t VEXCORE_CALL PM_SetAllObjectsRect(PMHANDLE pm, HWND map, std::int32_t minX,
                                                           std::int32_t minY, std::int32_t maxX,
                                                           std::int32_t maxY);

} // extern "C"

// Settings store and the layer-mapping file.
VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueGet(const char* section, const char* name,
                                                    double* value);
VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueGet(const char* section, const char* name,
                                                    std::int32_t* value);
VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueGet(const char* section, const char* name,
                                                    char* text, std::int32_t size);
VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueSet(const char* section, const char* name,
                                                    double value);
VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueSet(const char* section, const char* name,
                                                    std::int32_t value);
VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueSet(const char* section, const char* name,
                                                    const char* text);
extern "C" {
VEXCORE_API HGLOBAL VEXCORE_CALL ReadZOVIni(const char* path, std::uint32_t* count);
VEXCORE_API const ZOVIniEntry* VEXCORE_CALL FindZOVEntryShort2(const char* dxfLayerName,
                                                               const ZOVIniEntry* entries,
                                                               std::uint32_t count,
                                                               std::int32_t mode);

// Dialog helpers.
VEXCORE_API std::int32_t VEXCORE_CALL BrowseIniFile(HWND dialog, std::int32_t controlId,
                                                    const char* current, const char* filter,
                                                    const char* title, const char* extension,
                                                    std::int32_t flags);
VEXCORE_API std::int32_t VEXCORE_CALL VexaF1Help(HWND helpWindow, std::int32_t context);
} // extern "C"

#if !defined(_WIN32)
// The stand-in's answers to the per-window record of a map window. On Windows the module reads
// the record itself at its byte offsets (host/window_record.cpp).
VEXCORE_API DBHANDLE VEXCORE_CALL standin_WindowObjectDatabase(HWND map);
VEXCORE_API PMHANDLE VEXCORE_CALL standin_WindowPresentation(HWND map);
VEXCORE_API std::int32_t VEXCORE_CALL standin_WindowUnitId(HWND map);
VEXCORE_API std::int32_t VEXCORE_CALL standin_WindowTextBase(HWND map);
#endif
