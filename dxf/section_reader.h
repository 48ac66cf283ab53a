#pragma once
// The middle layer: tags grouped into sections, table entries, blocks and
// entities. A POLYLINE takes the VERTEX entities up to its SEQEND.
#include <functional>

#include "dxf/dxf_model.h"
#include "dxf/tag_stream.h"

namespace dxf {

using EntityVisitor = std::function<void(const Entity&)>;

// Reads the ENTITIES section from the stream standing at one of its tags:
// called with the stream, and the tag to leave at the 0 tag that ends the
// section (ENDSEC, EOF, or the next SECTION); false when the bytes ended.
using EntitiesReader = std::function<bool(TagStream& stream, Tag& tag)>;

// Reads the whole file: the header, the layers and the blocks into `model`,
// and the ENTITIES section through `read_entities`. A missing ENDSEC or EOF
// at the end is no failure.
void ReadDrawing(TagStream& stream, DrawingModel& model, const EntitiesReader& read_entities);

struct EntityRun {
    bool more = false;     // false: the bytes ended
    bool stopped = false;  // true: an entity started at `stop_at` or later
};

// Entities handed to `visit` one by one, from the stream standing at a tag
// of the section, until the section ends or an entity starts at byte
// `stop_at` or later; `tag` is left at the 0 tag where reading ended.
EntityRun ReadEntities(TagStream& stream, Tag& tag, std::size_t stop_at,
                       const EntityVisitor& visit);

// The first byte at or after `from` where a text file's entity starts that
// may begin a run of its own (not a VERTEX or SEQEND of a polyline); npos
// when none is found within a short way.
std::size_t EntityStartAfter(std::string_view bytes, std::size_t from);

}  // namespace dxf
