#pragma once
// Where Qt's widgets behave differently from the desktop these programs come
// from, these pieces make them behave as their users expect.
#include <QProxyStyle>
#include <QSlider>
#include <functional>

class QDateTime;
class QFileDialog;
class QFileInfo;
class QLineEdit;
class QMainWindow;
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

// The look of the whole program, over Qt's own style: dialog buttons show
// their text only, and a menu item that can be checked shows a plain tick
// when checked and nothing at all otherwise, never a tick box.
class ProgramStyle : public QProxyStyle {
  public:
    // Over `base`, which it then owns; over the platform's style by default.
    explicit ProgramStyle(QStyle* base = nullptr) : QProxyStyle(base) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
};
// Installs ProgramStyle for the application, once. Buttons take their icons
// when they are made, so this comes before the first dialog.
void UseProgramStyle();

// F10 puts the menu bar in its keyboard mode with the first menu marked, as a
// lone Alt does; Down then opens that menu.
void OpenMenuBarWithF10(QMainWindow& window);

// An edit box selects its whole text when it gets the focus from the
// keyboard, so typing replaces the value. A dialog selects its entries'
// texts when it fills them at a showing.
void SelectAllOnFocus(QLineEdit& entry);

// The file dialogs' details as a Japanese desktop shows them, whatever the
// system's locale: sizes in whole kilobytes ("3 KB", a started one counted),
// types from the extension ("DXF ファイル", a folder "ファイル フォルダー"),
// times as "2026/12/08 2:22".
[[nodiscard]] QString FileSizeText(qint64 bytes);
[[nodiscard]] QString FileTypeText(const QFileInfo& info);
[[nodiscard]] QString FileTimeText(const QDateTime& time);

// Readies a file dialog of Qt's own kind, once all its options are set:
// filters show their descriptions without the patterns; the details read as
// above, with the sidebar and columns wide enough for them; every showing selects
// the proposed name, so typing replaces it; the completion box closes with the
// dialog, and a click beside it both closes it and reaches its target.
void ReadyFileDialog(QFileDialog& dialog);

// Runs `then` once, as soon as the window manager has placed `window` (its
// frame is known), so that a box shown then sits over the window; without a
// window manager, after half a second.
void RunOncePlaced(QWidget& window, std::function<void()> then);

// Gives a top-level window its size as the outside of its frame, once the
// window manager has told the frame's size; without a frame nothing changes.
void SizeOutsideOfFrame(QWidget& window, QSize outside);

}  // namespace ui
