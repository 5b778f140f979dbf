// Placeholder: passes the entity over until its reader lands.
#include "import/entity_handlers.h"
#include "import/entity_reading.h"

std::int32_t ImportPolyline(HWND, GroupReader& reader, GroupPair& pair, ImportContext&,
                            OBJHANDLE*) {
    while (NextEntityGroup(reader, pair) == EntityStep::Group) {
    }
    return 0;
}
