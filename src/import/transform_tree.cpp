#include "host/window_record.h"
#include "import/inserts.h"

#include <vector>

namespace {

// One object of the walk: the object and, for a group, the cursor of its child walk.
struct Frame {
    OBJHANDLE object = nullptr;
    std::int32_t cursor = 0;
    bool isGroup = false;
    bool childrenStarted = false;
};

// Visits every object of the tree below `root` once, depth first, each group after all objects
// below it and children in the order the host gives them. The stack lives on the heap, so a
// million nested groups cost memory, never call depth.
template <typename Visit>
void WalkChildrenFirst(DBHANDLE database, OBJHANDLE root, Visit visit) {
    if (!root)
        return;
    std::vector<Frame> stack;
    stack.push_back(Frame{root});
    while (!stack.empty()) {
        Frame& top = stack.back();
        OBJHANDLE child = nullptr;
        if (!top.childrenStarted) {
            top.childrenStarted = true;
            top.isGroup = GetOBJectClassID(database, top.object) == kClassGroup;
            if (top.isGroup)
                child = FirstReference(database, top.object, kRefGroupChildren, &top.cursor);
        } else if (top.isGroup) {
            child = GetReference(database, top.object, kRefGroupChildren, &top.cursor);
        }
        if (child) {
            stack.push_back(Frame{child}); // `top` is not used past this point
            continue;
        }
        visit(top.object);
        stack.pop_back();
    }
}

} // namespace

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
