#pragma once
// Where Qt's widgets behave differently from the desktop these programs come
// from, these pieces make them behave as their users expect.
#include <QProxyStyle>
#include <QSlider>

class QFileDialog;
class QMenu;
class QWidget;

namespace ui {

// A track bar: Up and PageUp move towards the start and lower the value,
// Down and PageDown raise it; Left, Right, Home and End stay as they are.
class TrackBar : public QSlider {
  public:
    explicit TrackBar(Qt::Orientation orientation, QWidget* parent = nullptr)
        : QSlider(orientation, parent) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Menu items that can be checked show a tick when checked and nothing at all
// otherwise, instead of an empty tick box.
class TickWhenCheckedStyle : public QProxyStyle {
  public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};
void ShowTicksOnlyWhenChecked(QMenu& menu);

// Readies a file dialog of Qt's own kind, once all its options are set:
// filters show their descriptions without the patterns; every showing selects
// the proposed name, so typing replaces it; the completion box closes with the
// dialog, and a click beside it both closes it and reaches its target.
void ReadyFileDialog(QFileDialog& dialog);

// Gives a top-level window its size as the outside of its frame, once the
// window manager has told the frame's size; without a frame nothing changes.
void SizeOutsideOfFrame(QWidget& window, QSize outside);

}  // namespace ui
