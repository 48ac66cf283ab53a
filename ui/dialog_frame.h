#pragma once
// The frame shared by the tool dialogs: a fixed client area in the dialogs'
// font, no default or cancel button, centred on the screen at every showing.
#include <initializer_list>

#include <QDialog>
#include <QFont>
#include <QString>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QShowEvent;
class QPushButton;
class QWidget;

namespace ui {

enum class FrameButtons {
    CloseAndMinimise,  // single border: the system menu with minimise and close
    CloseOnly,         // dialog border: close only
};

// The font of every window of both programs: "ＭＳ Ｐゴシック", 12 pixels
// high, with a free fallback for the same glyphs.
[[nodiscard]] QFont ProgramFont();

void SetUpDialogFrame(QDialog& dialog, const QString& caption, int client_width, int client_height,
                      FrameButtons buttons);

// A label sized to its text with its top-left corner at (left, top).
QLabel* PlaceLabel(QWidget* parent, const char* name, const QString& text, int left, int top);
// A text box 20 pixels high.
QLineEdit* PlaceEntry(QWidget* parent, const char* name, int left, int top, int width);
// A 75 by 25 button that is never the dialog's default button.
QPushButton* PlaceButton(QWidget* parent, const char* name, const QString& text, int left, int top);

// Narrows the control's font until the control needs no more than `width`
// pixels. The places were laid out for the designed face, whose kana are
// narrower than those of its stand-in; with the designed face this does
// nothing.
void NarrowToFit(QWidget& control, int width);

// Centres the window, frame included, on the screen it is on.
void CentreOnScreen(QWidget& window);

// What the three tool dialogs share: centred at every showing, OnShow run
// then, and Escape ignored since none of them has a cancel button.
class ToolDialog : public QDialog {
  public:
    using QDialog::QDialog;

  protected:
    virtual void OnShow() = 0;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Tab order through `controls`, in the given order.
    void SetTabChain(std::initializer_list<QWidget*> controls);

  private:
    // Centred before the window manager told the frame: once it has, centre
    // again, so that every showing sits in the same place.
    bool centre_with_frame_ = false;
};

}  // namespace ui
