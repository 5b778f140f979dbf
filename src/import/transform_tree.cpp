#include "host/window_record.h"
#include "import/inserts.h"
#include "import/object_tree_walk.h"

std::int32_t TransformObjectTree(HWND map, OBJHANDLE object, const TreeTransform& transform) {
    WalkChildrenFirst(WindowObjectDatabase(map), object, [&](OBJHANDLE each) {
        DoOperations2(map, &each, 1, &transform.reference, transform.dx, transform.dy, transform.dz,
                      transform.scaleX, transform.scaleY, transform.scaleZ, transform.angleDegrees,
                      0);
    });
    return 1;
}

std::uint64_t CountObjectTree(HWND map, OBJHANDLE object) {
    std::uint64_t count = 0;
    WalkChildrenFirst(WindowObjectDatabase(map), object, [&](OBJHANDLE) { ++count; });
    return count;
}
