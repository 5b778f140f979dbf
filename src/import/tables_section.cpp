#include "import/layer_resolution.h"
#include "import/sections.h"

std::int32_t ImportTablesSection(HWND map, GroupReader& reader, GroupPair& pair,
                                 ImportContext& context) {
    if (SeekKeywordInSection(pair, reader, KeywordId::Table)) {
        do {
            if (SeekCode(pair, reader, 2)) {
                if (pair.keyword == KeywordId::Layer)
                    ImportLayerTable(map, reader, pair, context);
                else
                    SeekKeywordInSection(pair, reader, KeywordId::EndTab);
            }
        } while (SeekKeywordInSection(pair, reader, KeywordId::Table));
    }
    return pair.keyword == KeywordId::EndSec ? 1 : 0;
}

std::int32_t ImportLayerTable(HWND map, GroupReader& reader, GroupPair& pair,
                              ImportContext& context) {
    std::string layerName;
    while (ReadPair(pair, reader)) {
        LookupKeyword(pair);
        if (pair.keyword == KeywordId::EndTab || pair.keyword == KeywordId::EndSec)
            break;
        if (pair.code == 2)
            layerName.assign(pair.value);
    }
    if (layerName.empty())
        return 0;
    ResolveLayerByName(map, context, layerName);
    return 1;
}
