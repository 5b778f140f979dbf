#include "export/layer_names.h"

#include "host/host_calls.h"

#include <array>
#include <charconv>
#include <cstring>

namespace {

// The bytes a layer name cannot carry into the file. The first sixteen are those DXF readers
// refuse in a name; CR and LF are added because they would split the value line.
constexpr std::array<bool, 256> MakeReplacedTable() {
    std::array<bool, 256> table{};
    for (unsigned char c : {' ', '\t', '.', '(', ')', '<', '>', '\\', '/', ',', '\'', '"', '|', ':',
                            '=', '?', '\r', '\n'})
        table[c] = true;
    return table;
}
constexpr std::array<bool, 256> kReplaced = MakeReplacedTable();

} // namespace

std::int32_t SanitizeLayerName(char* destination, const char* source, std::int32_t maximumLength) {
    std::int32_t length = 0;
    for (; length < maximumLength && source[length] != '\0'; ++length) {
        const auto byte = static_cast<unsigned char>(source[length]);
        destination[length] = kReplaced[byte] ? '_' : source[length];
    }
    destination[length] = '\0'; // also the whole result when the maximum is below 1
    return 1;
}

bool ReadLayerFields(DBHANDLE database, OBJHANDLE layer, LayerFields& fields) {
    const auto* record = static_cast<const unsigned char*>(OBJectLock(database, layer));
    if (!record)
        return false;
    fields.number = ReadUnaligned<std::int32_t>(record, layer_record::kNumber);
    // The name field may fill its 48 bytes without a terminator; the copy always has one.
    constexpr std::size_t nameRoom = layer_record::kNameEnd - layer_record::kName;
    std::memcpy(fields.name, record + layer_record::kName, nameRoom);
    fields.name[nameRoom] = '\0';
    fields.frozen = record[layer_record::kFirstSwitch] == 0;
    fields.locked = record[layer_record::kSecondSwitch] == 0;
    return true;
}

ExportLayerName EntityLayerName(const LayerFields& fields) {
    ExportLayerName result;
    if (fields.name[0] == '\0') {
        char* end =
            std::to_chars(result.text, result.text + kExportLayerNameLength, fields.number).ptr;
        *end = '\0';
    } else {
        SanitizeLayerName(result.text, fields.name, kExportLayerNameLength);
    }
    return result;
}
