#include "core/drawing_document.h"

#include "core/number_text.h"

namespace core {

void DrawingDocument::AppendRow(std::string_view kind, int32_t x, int32_t y,
                                std::string_view state) {
    AppendRow(kind, WholeText(x), WholeText(y), state);
}

void DrawingDocument::AppendRow(std::string_view kind, std::string_view x, std::string_view y,
                                std::string_view state) {
    KindList.Append(kind);
    XList.Append(x);
    YList.Append(y);
    StateList.Append(state);
}

}  // namespace core
