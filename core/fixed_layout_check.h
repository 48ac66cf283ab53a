#pragma once
// Whether a DXF file is in the fixed entity layout that LoadDxf reads by
// line offsets, or was written by another CAD program (handles, other group
// orders, codes without blanks, binary DXF), which that reader misdraws.
#include <string>
#include <string_view>

namespace core {

enum class LayoutCheck {
    Fixed,      // nothing seen that the fixed reader would misread
    Other,      // written some other way
    Undecided,  // the bytes end before an answer (only for a file's start)
};

// Judges the entities after the first "ENTITIES" line, the first few hundred
// only. `whole` false says the bytes are only the start of the file.
[[nodiscard]] LayoutCheck CheckFixedLayout(std::string_view bytes, bool whole = true);

// Reads as much of a regular file as the answer needs. Anything else (pipes,
// devices, a file that cannot be read) counts as fixed, so that the load
// itself meets it and reports it as always.
[[nodiscard]] bool IsOtherLayoutFile(const std::string& path);

}  // namespace core
