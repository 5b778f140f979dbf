#include "app/render_support.h"

#include "standin/files.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <sstream>

namespace dxfcnv {

constexpr double kFullTurn = 360.0;

std::size_t CharacterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::optional<double> ArcSweepDegrees(double startAngle, double endAngle) {
    if (!std::isfinite(startAngle) || !std::isfinite(endAngle)) {
        return std::nullopt;
    }
    double sweep = std::fmod(endAngle - startAngle, kFullTurn);
    if (sweep <= 0.0) {
        sweep += kFullTurn;
    }
    return sweep;
}

bool IsPointSymbol(const standin::Object& text) {
    return text.kind == standin::ObjectKind::Text && (text.flags & kTextFlagImported) == 0 &&
           (text.text.size() == 1 || CharacterCount(text.text) == 1);
}

std::string_view ObjectTypeName(const standin::Object& object) {
    switch (object.kind) {
    case standin::ObjectKind::Polyline:
        return object.is3d ? "polyline3d" : "polyline";
    case standin::ObjectKind::Polygon:
        return object.is3d ? "polygon3d" : "polygon";
    case standin::ObjectKind::Arc:
        return "arc";
    case standin::ObjectKind::Text:
        return IsPointSymbol(object) ? "symbol" : "text";
    case standin::ObjectKind::Group:
        break;
    }
    return "group";
}

ObjectIndex::ObjectIndex(const standin::MapSnapshot& map) {
    byId_.reserve(map.objects.size());
    for (const standin::Object& object : map.objects) {
        byId_.emplace(object.id, &object);
    }
}

const standin::Object* ObjectIndex::Find(standin::ObjectId id) const {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : found->second;
}

bool WriteOutputFile(const std::string& path, const std::function<void(std::ostream&)>& write,
                     std::string* error) {
    if (path == "-") {
        write(std::cout);
        std::cout.flush();
        if (!std::cout) {
            *error = "cannot write to standard output";
            return false;
        }
        return true;
    }
    std::ostringstream text;
    write(text);
    return standin::WriteFileAtomically(path, std::move(text).str(), error);
}

} // namespace dxfcnv
