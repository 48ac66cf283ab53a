#pragma once
// The editor's two-click gestures on the drawing: delete mode spans a
// rectangle whose elements turn red until Delete (silver, left out on export)
// or Escape (black again); line mode adds a straight line.
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/drawing_document.h"
#include "raster/ink_mask.h"
#include "raster/tcolor.h"

namespace editing {

enum class Mode { None, Delete, Line };
// The buttons and keys the gestures tell apart; the window code maps its
// toolkit's events onto them.
enum class MouseButton { Left, Right, Middle, Other };
enum class Key { Delete, Escape, Other };

namespace status {
inline constexpr std::string_view D1 = "[削除モード]1点目をクリックしてください。";
inline constexpr std::string_view D2 = "[削除モード]2点目をクリックしてください。";
inline constexpr std::string_view D3 =
    "[削除モード]削除する時は[DEL]キーを取り消す場合は[ESC]キーを押してください。";
inline constexpr std::string_view L1 = "[直線モード]1点目をクリックしてください。";
inline constexpr std::string_view L2 = "[直線モード]2点目をクリックしてください。";
}  // namespace status

class PickModes {
  public:
    using StatusSink = std::function<void(std::string_view)>;

    PickModes(core::DrawingDocument& document, StatusSink show_status)
        : document_(document), show_status_(std::move(show_status)) {}

    [[nodiscard]] Mode CurrentMode() const { return mode_; }
    void NDelClick();
    void NLineClick();

    void Image1MouseDown(MouseButton button, int32_t x, int32_t y);
    // Delete and Escape act on the selection; other keys are ignored.
    void FormKeyDown(Key key);

    void AddLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void SelectRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

    int32_t ClickCount = 0;
    int32_t PrevX = 0;
    int32_t PrevY = 0;

  private:
    void Show(std::string_view text) const;
    // The three steps of SelectRect.
    void MarkRowsInside(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void SelectWholeElements();
    void PaintSelection();
    // The rows painted in one colour, gathered as segments and single pixels
    // into the lists it is given, and the row the pen ends on (-1 when no
    // row moves it).
    class Batch {
      public:
        Batch(const core::DrawingDocument& document, std::vector<raster::InkSegment>& segments,
              std::vector<raster::InkPoint>& points);
        void Add(int32_t row);
        [[nodiscard]] int32_t Rows() const { return rows_; }
        [[nodiscard]] int32_t Pen() const { return pen_; }

      private:
        const core::Row* table_;
        int32_t count_;
        std::vector<raster::InkSegment>& out_segments_;
        std::vector<raster::InkPoint>& out_points_;
        int32_t rows_ = 0;
        int32_t pen_ = -1;
        bool origin_ = false;
    };
    // Paints the batch's rows, listed in segments_ and points_, over the
    // picture in one colour.
    void PaintBatch(const Batch& batch, raster::TColor colour);
    void InkBatch(int32_t width, int32_t height);
    [[nodiscard]] bool MaskFits(int32_t width, int32_t height) const {
        return mask_ && mask_->Width() == width && mask_->Height() == height;
    }
    // Every selected row takes `state` and is repainted in `colour`.
    void ConfirmSelection(core::RowState state, raster::TColor colour);

    core::DrawingDocument& document_;
    StatusSink show_status_;
    Mode mode_ = Mode::None;
    // Each row's selection flags during one rectangle. These vectors are kept
    // between commands to reuse their storage.
    std::vector<uint8_t> flags_;
    std::vector<raster::InkSegment> segments_;
    std::vector<raster::InkPoint> points_;
    // Kept while the picture keeps its size: allocating and clearing a mask
    // of a large picture would cost more than most batches.
    std::optional<raster::InkMask> mask_;
    // The batch the mask holds, while mask_holds_.
    bool mask_holds_ = false;
    std::vector<raster::InkSegment> mask_segments_;
    std::vector<raster::InkPoint> mask_points_;
};

}  // namespace editing
