#include "dxf/section_reader.h"

#include <algorithm>
#include <utility>

namespace dxf {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

Kind KindOf(std::string_view name) {
    switch (name.size()) {
        case 3:
            if (name == "ARC") return Kind::Arc;
            break;
        case 4:
            if (name == "LINE") return Kind::Line;
            break;
        case 5:
            if (name == "POINT") return Kind::Point;
            if (name == "SOLID" || name == "TRACE") return Kind::Solid;
            break;
        case 6:
            if (name == "CIRCLE") return Kind::Circle;
            if (name == "INSERT") return Kind::Insert;
            if (name == "SPLINE") return Kind::Spline;
            if (name == "LEADER") return Kind::Leader;
            if (name == "3DFACE") return Kind::Face;
            if (name == "SEQEND" || name == "VERTEX") return Kind::Skipped;
            break;
        case 7:
            if (name == "ELLIPSE") return Kind::Ellipse;
            break;
        case 8:
            if (name == "POLYLINE") return Kind::Polyline;
            break;
        case 9:
            if (name == "DIMENSION") return Kind::Dimension;
            break;
        case 10:
            if (name == "LWPOLYLINE") return Kind::LwPolyline;
            break;
        default:
            break;
    }
    return Kind::NotDrawn;
}

// Groups the tags of one entity section (ENTITIES, or one block's body)
// into entities. The stream stands at a 0 tag when it is called.
class EntityGrouper {
  public:
    EntityGrouper(TagStream& stream, EntityVisitor visit)
        : stream_(stream), visit_(std::move(visit)) {}

    // Reads entities until a 0 tag that is no entity (ENDSEC, ENDBLK, EOF,
    // BLOCK), which is left in `tag`. False when the bytes ended first.
    bool Run(Tag& tag, std::size_t stop_at = std::string_view::npos, bool* stopped = nullptr) {
        for (;;) {
            if (tag.offset >= stop_at) {
                FlushPolyline();
                if (stopped) *stopped = true;
                return true;
            }
            const std::string_view name = Trim(tag.text);
            if (name == "ENDSEC" || name == "ENDBLK" || name == "EOF" || name == "BLOCK" ||
                name == "SECTION") {
                FlushPolyline();
                return true;
            }
            if (!ReadOne(name, tag)) {
                FlushPolyline();
                return false;
            }
        }
    }

  private:
    // Reads the entity whose 0 tag is `tag`; leaves the next 0 tag there.
    bool ReadOne(std::string_view name, Tag& tag) {
        const bool vertex = name == "VERTEX";
        if (in_polyline_ && vertex) return ReadVertex(tag);
        if (in_polyline_) {
            const bool seqend = name == "SEQEND";
            FlushPolyline();
            if (seqend) return SkipEntity(tag);
        }
        Entity& entity = entity_;
        entity.Reset();
        entity.name = name;
        entity.at = tag.at;
        entity.kind = KindOf(name);
        if (entity.kind == Kind::Skipped || entity.kind == Kind::NotDrawn) {
            // Only the layer and the space matter for what is counted.
            bool more = false;
            while ((more = stream_.Next(tag))) {
                if (tag.code == 0) break;
                if (tag.code == 8) entity.layer = Trim(tag.text);
                if (tag.code == 67) entity.paper_space = stream_.Whole(tag) == 1;
            }
            Emit();
            return more;
        }
        const bool more = ReadGroups(entity, tag);
        if (entity.kind == Kind::Polyline) {
            in_polyline_ = true;
            return more;
        }
        Emit();
        return more;
    }

    bool SkipEntity(Tag& tag) {
        while (stream_.Next(tag)) {
            if (tag.code == 0) return true;
        }
        return false;
    }

    bool ReadVertex(Tag& tag) {
        Vertex vertex;
        bool more = false;
        while ((more = stream_.Next(tag))) {
            const int32_t code = tag.code;
            if (code == 0) break;
            if (code == 10) vertex.p.x = stream_.Real(tag);
            if (code == 20) vertex.p.y = stream_.Real(tag);
            if (code == 30) vertex.p.z = stream_.Real(tag);
            if (code == 42) vertex.bulge = stream_.Real(tag);
            if (code == 70) vertex.flags = static_cast<int32_t>(stream_.Whole(tag));
            if (code >= 71 && code <= 74) {
                vertex.index[code - 71] = static_cast<int32_t>(stream_.Whole(tag));
            }
        }
        entity_.vertices.push_back(vertex);
        return more;
    }

    // Every group of a drawn entity, up to the next 0 tag.
    bool ReadGroups(Entity& entity, Tag& tag) {
        const bool lw = entity.kind == Kind::LwPolyline;
        const bool spline = entity.kind == Kind::Spline;
        const bool leader = entity.kind == Kind::Leader;
        while (stream_.Next(tag)) {
            const int32_t code = tag.code;
            if (code == 0) return true;
            if (code == 8) {
                entity.layer = Trim(tag.text);
            } else if (code == 2) {
                entity.block = Trim(tag.text);
            } else if (code >= 10 && code <= 39) {
                const double value = stream_.Real(tag);
                const int32_t axis = code / 10 - 1;
                const int32_t which = code % 10;
                if (which == 0 && (lw || spline || leader)) {
                    if (axis == 0) {
                        entity.vertices.push_back({});
                        entity.vertices.back().p.x = value;
                    } else if (!entity.vertices.empty()) {
                        (axis == 1 ? entity.vertices.back().p.y : entity.vertices.back().p.z) =
                            value;
                    }
                } else if (which == 1 && spline) {
                    if (axis == 0) {
                        entity.fit_points.push_back({value, 0.0, 0.0});
                    } else if (!entity.fit_points.empty()) {
                        (axis == 1 ? entity.fit_points.back().y : entity.fit_points.back().z) =
                            value;
                    }
                } else if (code == 38) {
                    entity.elevation = value;
                } else if (which < 4) {
                    Vec3& p = entity.point[which];
                    (axis == 0 ? p.x : axis == 1 ? p.y : p.z) = value;
                }
            } else if (code >= 40 && code <= 59) {
                const double value = stream_.Real(tag);
                if (lw && code == 42) {
                    if (!entity.vertices.empty()) entity.vertices.back().bulge = value;
                } else if (spline && code == 40) {
                    entity.knots.push_back(value);
                } else if (spline && code == 41) {
                    entity.weights.push_back(value);
                } else {
                    entity.real[code - 40] = value;
                    entity.has_real[code - 40] = true;
                }
            } else if (code >= 60 && code <= 79) {
                const int64_t value = stream_.Whole(tag);
                entity.whole[code - 60] = static_cast<int32_t>(value);
                if (code == 67) entity.paper_space = value == 1;
            } else if (code >= 210 && code <= 230 && code % 10 == 0) {
                const double value = stream_.Real(tag);
                (code == 210   ? entity.extrusion.x
                 : code == 220 ? entity.extrusion.y
                               : entity.extrusion.z) = value;
            }
        }
        return false;
    }

    void FlushPolyline() {
        if (!in_polyline_) return;
        in_polyline_ = false;
        Emit();
    }

    void Emit() { visit_(entity_); }

    TagStream& stream_;
    EntityVisitor visit_;
    Entity entity_;
    bool in_polyline_ = false;
};

bool NextTag(TagStream& stream, Tag& tag) { return stream.Next(tag); }

// Skips to the next 0 tag; false at the end of the bytes.
bool ToNextEntry(TagStream& stream, Tag& tag) {
    while (stream.Next(tag)) {
        if (tag.code == 0) return true;
    }
    return false;
}

bool ReadHeader(TagStream& stream, DrawingModel& model, Tag& tag) {
    bool insunits = false;
    while (stream.Next(tag)) {
        if (tag.code == 0) return true;
        if (tag.code == 9) insunits = Trim(tag.text) == "$INSUNITS";
        if (tag.code == 70 && insunits) model.insunits = static_cast<int32_t>(stream.Whole(tag));
    }
    return false;
}

// LAYER entries only: off is a negative colour, frozen bit 1 of the flags.
bool ReadTables(TagStream& stream, DrawingModel& model, Tag& tag) {
    if (!ToNextEntry(stream, tag)) return false;
    for (;;) {
        const std::string_view name = Trim(tag.text);
        if (name == "ENDSEC" || name == "EOF" || name == "SECTION") return true;
        if (name != "LAYER") {
            if (!ToNextEntry(stream, tag)) return false;
            continue;
        }
        std::string_view layer;
        int64_t colour = 7;
        int64_t flags = 0;
        bool more = false;
        while ((more = stream.Next(tag))) {
            if (tag.code == 0) break;
            if (tag.code == 2) layer = Trim(tag.text);
            if (tag.code == 62) colour = stream.Whole(tag);
            if (tag.code == 70) flags = stream.Whole(tag);
        }
        model.layer_shown[FoldedName(layer)] = colour >= 0 && (flags & 1) == 0;
        if (!more) return false;
    }
}

bool ReadBlocks(TagStream& stream, DrawingModel& model, Tag& tag) {
    if (!ToNextEntry(stream, tag)) return false;
    for (;;) {
        const std::string_view name = Trim(tag.text);
        if (name == "ENDSEC" || name == "EOF" || name == "SECTION") return true;
        if (name != "BLOCK") {
            if (!ToNextEntry(stream, tag)) return false;
            continue;
        }
        Block block;
        bool more = false;
        while ((more = stream.Next(tag))) {
            if (tag.code == 0) break;
            if (tag.code == 2) block.name = Trim(tag.text);
            if (tag.code == 10) block.base.x = stream.Real(tag);
            if (tag.code == 20) block.base.y = stream.Real(tag);
            if (tag.code == 30) block.base.z = stream.Real(tag);
            if (tag.code == 67) block.paper_space = stream.Whole(tag) == 1;
        }
        if (more) {
            EntityGrouper grouper(
                stream, [&block](const Entity& entity) { block.entities.push_back(entity); });
            more = grouper.Run(tag);
        }
        const std::string folded = FoldedName(block.name);
        if (folded.rfind("*PAPER_SPACE", 0) == 0) block.paper_space = true;
        model.block_index[folded] = model.blocks.size();
        model.blocks.push_back(std::move(block));
        if (!more) return false;
        if (Trim(tag.text) == "ENDBLK" && !ToNextEntry(stream, tag)) return false;
    }
}

}  // namespace

void ReadDrawing(TagStream& stream, DrawingModel& model, const EntitiesReader& read_entities) {
    Tag tag;
    if (!NextTag(stream, tag)) return;
    for (;;) {
        if (tag.code != 0 || Trim(tag.text) != "SECTION") {
            if (!NextTag(stream, tag)) return;
            continue;
        }
        if (!NextTag(stream, tag)) return;
        const std::string_view section = tag.code == 2 ? Trim(tag.text) : std::string_view{};
        bool more = true;
        if (section == "HEADER") {
            more = ReadHeader(stream, model, tag);
        } else if (section == "TABLES") {
            model.tables_after_entities |= model.has_entities;
            more = ReadTables(stream, model, tag);
        } else if (section == "BLOCKS") {
            model.tables_after_entities |= model.has_entities;
            more = ReadBlocks(stream, model, tag);
        } else if (section == "ENTITIES") {
            model.has_entities = true;
            model.entities_position = stream.Position();
            model.entities_line = stream.Line();
            more = read_entities(stream, tag);
        } else {
            more = ToNextEntry(stream, tag);
            while (more && Trim(tag.text) != "ENDSEC" && Trim(tag.text) != "SECTION") {
                more = ToNextEntry(stream, tag);
            }
        }
        if (!more) return;
        // A section cut short by the next one's start is read on from there.
        if (Trim(tag.text) == "SECTION") continue;
        if (!NextTag(stream, tag)) return;
    }
}

EntityRun ReadEntities(TagStream& stream, Tag& tag, std::size_t stop_at,
                       const EntityVisitor& visit) {
    EntityRun run;
    if (!ToNextEntry(stream, tag)) return run;
    EntityGrouper grouper(stream, visit);
    run.more = grouper.Run(tag, stop_at, &run.stopped);
    return run;
}

std::size_t EntityStartAfter(std::string_view bytes, std::size_t from) {
    constexpr std::size_t kSearch = 1 << 20;
    std::size_t at = bytes.find('\n', from);
    const std::size_t end = std::min(bytes.size(), from + kSearch);
    std::string_view previous;
    std::size_t previous_at = 0;
    while (at != std::string_view::npos && at < end) {
        const std::size_t begin = at + 1;
        at = bytes.find('\n', begin);
        const std::string_view line = Trim(bytes.substr(
            begin, at == std::string_view::npos ? std::string_view::npos : at - begin));
        // A code line "0" is known by what follows: a code line holds digits
        // only, so a value "0" is never followed by a name.
        if (Trim(previous) == "0" && !line.empty() && line != "VERTEX" && line != "SEQEND") {
            bool name = false;
            bool clean = true;
            for (const char c : line) {
                name |= c >= 'A' && c <= 'Z';
                clean &= (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
            }
            if (name && clean) return previous_at;
        }
        previous = line;
        previous_at = begin;
    }
    return std::string_view::npos;
}

}  // namespace dxf
