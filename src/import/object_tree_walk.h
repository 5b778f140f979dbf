// The walk over a copied object tree that the transform, the count and the rebuilt copies share.
#pragma once

#include "host/vexcore.h"

#include <cstdint>
#include <vector>

// One object of the walk: the object and, for a group, the cursor of its child walk.
struct TreeWalkFrame {
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
    std::vector<TreeWalkFrame> stack;
    stack.push_back(TreeWalkFrame{root});
    while (!stack.empty()) {
        TreeWalkFrame& top = stack.back();
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
            stack.push_back(TreeWalkFrame{child}); // `top` is not used past this point
            continue;
        }
        visit(top.object);
        stack.pop_back();
    }
}
