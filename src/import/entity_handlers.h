// The entity handlers and the block-definition reader. Each handler follows the EntityHandler
// contract of import_context.h.
#pragma once

#include "import/import_context.h"

#include <type_traits>

// The type of every handler: an EntityHandler without the pointer.
using EntityHandlerFunction = std::remove_pointer_t<EntityHandler>;

// LINE, ARC, CIRCLE and POINT read their groups with ReadCheckedEntity (entity_reading.h), TEXT
// with the same NextEntityGroup step: the entity ends at the first pair with code 0 or a
// keyword, and a malformed checked value drops it, nothing being created. Three classic
// handlers end their entities by other rules:
// - POLYLINE: the header ends only at a keyword (a code-0 pair without one does not end it), and
//   the entity then goes on through its VERTEX and SEQEND pairs, a run made at each SEQEND; it
//   ends at the first other keyword.
// - LWPOLYLINE: a malformed vertex coordinate counts as 0 and stops reading after its group,
//   and the object is still made from the vertices read so far: its vertices are taken as they
//   come, bounded by group 90, not gathered into fields that must all be well formed.
// - INSERT: its ATTRIB ... SEQEND pairs belong to it (after SEQEND its own groups are read on),
//   and a malformed value stops reading after the pair, the block still being placed.
EntityHandlerFunction ImportLine, ImportPolyline, ImportLwPolyline, ImportArc, ImportCircle,
    ImportPoint, ImportText, ImportInsert;

// Handlers of the extended import, found by name through ExtendedEntityHandlerFor.
EntityHandlerFunction ImportEllipse, ImportSpline, ImportSolid, ImportFace3d, ImportLeader,
    ImportMline, ImportHatch, ImportMText, ImportDimension, ImportMInsert, ImportMultiLeader;

// The handler for an entity keyword, or null when the keyword starts no entity the import
// reads. INSERT has a handler only when blocks are in use.
EntityHandler EntityHandlerFor(KeywordId keyword, bool useBlocks);

// The handler for an entity of the extended import, by the name its code-0 pair gives, or null.
// These names are not keywords: with the extended import off they end entities only as any
// code-0 pair does, so the classic import is unchanged.
EntityHandler ExtendedEntityHandlerFor(std::string_view name);

// The handler for the current pair: a keyword's handler, or with the extended import the
// handler of a code-0 pair's entity name. Null when the pair starts nothing the import reads.
EntityHandler HandlerForPair(const GroupPair& pair, const ImportContext& context, bool useBlocks);

// Calls a handler; an allocation failure inside it ends only that entity.
void RunEntityHandler(EntityHandler handler, HWND map, GroupReader& reader, GroupPair& pair,
                      ImportContext& context, OBJHANDLE* blockSlot);

// Reads one BLOCK ... ENDBLK definition, creating its entities in the map and storing them as a
// block record. Entered on the BLOCK pair; leaves the ENDBLK pair, or where reading stopped,
// current. Returns nonzero when the definition ended at ENDBLK.
std::int32_t ReadBlock(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context);
