#pragma once
// The middle layer: tags grouped into sections, table entries, blocks and
// entities. A POLYLINE takes the VERTEX entities up to its SEQEND.
#include <functional>

#include "dxf/dxf_model.h"
#include "dxf/tag_stream.h"

namespace dxf {

using EntityVisitor = std::function<void(const Entity&)>;

// Reads the whole file: the header, the layers, the blocks, and every entity
// of the ENTITIES section, handed to `visit` one by one. A missing ENDSEC or
// EOF at the end is no failure.
void ReadDrawing(TagStream& stream, DrawingModel& model, const EntityVisitor& visit);

// The ENTITIES section again, from where ReadDrawing found it.
void ReadEntitiesAgain(TagStream& stream, const DrawingModel& model, const EntityVisitor& visit);

}  // namespace dxf
