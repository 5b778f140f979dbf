// The entity handlers and the block-definition reader. Each handler follows the EntityHandler
// contract of import_context.h.
#pragma once

#include "import/import_context.h"

std::int32_t ImportLine(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                        OBJHANDLE* blockSlot);
std::int32_t ImportPolyline(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                            OBJHANDLE* blockSlot);
std::int32_t ImportLwPolyline(HWND map, GroupReader& reader, GroupPair& pair,
                              ImportContext& context, OBJHANDLE* blockSlot);
std::int32_t ImportArc(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                       OBJHANDLE* blockSlot);
std::int32_t ImportCircle(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot);
std::int32_t ImportPoint(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot);
std::int32_t ImportText(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                        OBJHANDLE* blockSlot);
std::int32_t ImportInsert(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot);

// Handlers of the extended import, found by name through ExtendedEntityHandlerFor.
std::int32_t ImportEllipse(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                           OBJHANDLE* blockSlot);
std::int32_t ImportSpline(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot);
std::int32_t ImportSolid(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot);
std::int32_t ImportFace3d(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot);
std::int32_t ImportLeader(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot);
std::int32_t ImportMline(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot);
std::int32_t ImportHatch(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot);
std::int32_t ImportMText(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot);
std::int32_t ImportDimension(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                             OBJHANDLE* blockSlot);
std::int32_t ImportMInsert(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                           OBJHANDLE* blockSlot);
std::int32_t ImportMultiLeader(HWND map, GroupReader& reader, GroupPair& pair,
                               ImportContext& context, OBJHANDLE* blockSlot);

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
