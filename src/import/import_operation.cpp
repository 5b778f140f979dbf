#include "import/import_operation.h"

#include "host/host_calls.h"
#include "host/vexcore.h"
#include "import/sections.h"
#include "module/string_table.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {

// The layer-mapping data of one import: the host's memory block, locked while the import runs.
class IniData {
  public:
    explicit IniData(const std::string& path) {
        std::uint32_t count = 0;
        block_ = ReadZOVIni(path.c_str(), &count);
        if (!block_)
            return;
        entries_ = static_cast<const ZOVIniEntry*>(GlobalLock(block_));
        // Never trust the count beyond the block that holds the records.
        const std::size_t room = GlobalSize(block_) / sizeof(ZOVIniEntry);
        count_ = entries_ ? static_cast<std::uint32_t>(std::min<std::size_t>(count, room)) : 0;
    }
    ~IniData() {
        if (!block_)
            return;
        if (entries_)
            GlobalUnlock(block_);
        GlobalFree(block_);
    }
    IniData(const IniData&) = delete;
    IniData& operator=(const IniData&) = delete;
    const ZOVIniEntry* Entries() const { return entries_; }
    std::uint32_t Count() const { return count_; }

  private:
    HGLOBAL block_ = nullptr;
    const ZOVIniEntry* entries_ = nullptr;
    std::uint32_t count_ = 0;
};

std::string CurrentLayerName(HWND map) {
    OBJHANDLE layer = map_layer_Search(map, layer_call::kAnyNumber, nullptr);
    if (!layer)
        return {};
    char name[128] = {};
    map_layer_Get(map, layer, nullptr, name, static_cast<std::int32_t>(sizeof name), nullptr);
    name[sizeof name - 1] = '\0';
    return name;
}

std::int32_t FirstAttributeRow(HWND attributeWindow) {
    const LRESULT row = SendMessageA(attributeWindow, attribute_message::kNextRow, 0, 0);
    return static_cast<std::int32_t>(std::clamp<LRESULT>(
        row, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

void ReadSections(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context) {
    try {
        while (ImportSection(map, reader, pair, context) && pair.keyword != KeywordId::Eof) {
        }
    } catch (const std::exception&) {
        // Memory ran out between entities: what was imported stays, the rest is not read.
    }
}

} // namespace

std::int32_t RunImport(HWND map, const char* path, HWND attributeWindow) {
    GroupReader reader;
    GroupPair pair;
    ImportContext context;
    context.attributeWindow = attributeWindow;
    if (attributeWindow)
        context.attributeRow = FirstAttributeRow(attributeWindow);
    const ImportSettings settings = ReadImportSettings();
    ApplySettings(context, settings);
    context.currentLayerName = CurrentLayerName(map);
    reader.progressWindow = map;

    if (!OpenReader(reader, path)) {
        ShowMessageBox(map, LoadModuleString(ModuleString::FileOpening),
                       LoadModuleString(ModuleString::DxfImport));
        return 0;
    }
    // The classic import reads a binary file as text and finds nothing in it.
    if (context.extendedEntities)
        StartBinaryIfPresent(reader);
    std::optional<IniData> ini;
    ini.emplace(ReadIniFileSetting());
    context.iniEntries = ini->Entries();
    context.iniEntryCount = ini->Count();

    ProgressStart(reader);
    ReadSections(map, reader, pair, context);
    if (settings.layerOrderFromIni)
        ApplyLayerOrder(map, context.iniEntries, context.iniEntryCount);
    ReleaseBlockObjects(map, context);
    context.iniEntries = nullptr;
    context.iniEntryCount = 0;
    ini.reset();
    CloseReader(reader);
    ProgressEnd(reader);
    return 1;
}
