#include "ui/desktop_conventions.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcut>
#include <QStyleHints>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <QTreeView>
#include <QWindow>
#include <optional>

namespace ui {

void TrackBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
            triggerAction(SliderSingleStepSub);
            break;
        case Qt::Key_Down:
            triggerAction(SliderSingleStepAdd);
            break;
        case Qt::Key_PageUp:
            triggerAction(SliderPageStepSub);
            break;
        case Qt::Key_PageDown:
            triggerAction(SliderPageStepAdd);
            break;
        default:
            QSlider::keyPressEvent(event);
            return;
    }
    event->accept();
}

int ProgramStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returned) const {
    if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returned);
}

void ProgramStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || item == nullptr ||
        item->checkType == QStyleOptionMenuItem::NotCheckable) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    QStyleOptionMenuItem plain = *item;
    plain.checkType = QStyleOptionMenuItem::NotCheckable;
    plain.checked = false;
    QProxyStyle::drawControl(element, &plain, painter, widget);
    if (!item->checked) return;
    // The tick sits where the style keeps its check column, left of the text.
    const int side = qMin(item->rect.height() - 6, 12);
    const QRect box(item->rect.left() + 6, item->rect.center().y() - side / 2 + 1, side, side);
    const bool marked = (item->state & State_Selected) != 0 && (item->state & State_Enabled) != 0;
    QPen pen(item->palette.color(marked ? QPalette::HighlightedText : QPalette::Text));
    pen.setWidthF(1.6);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(pen);
    const QPointF tick[] = {{box.left() + 0.15 * side, box.top() + 0.55 * side},
                            {box.left() + 0.4 * side, box.top() + 0.8 * side},
                            {box.left() + 0.9 * side, box.top() + 0.2 * side}};
    painter->drawPolyline(tick, 3);
    painter->restore();
}

void UseProgramStyle() {
    if (dynamic_cast<ProgramStyle*>(QApplication::style()) != nullptr) return;
    QApplication::setStyle(new ProgramStyle);
}

void OpenMenuBarWithF10(QMainWindow& window) {
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), &window);
    QObject::connect(f10, &QShortcut::activated, &window, [&window] {
        // Qt offers the keyboard mode only to a lone Alt, which its menu bar
        // watches for on the window: hand it one.
        QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &press);
        QCoreApplication::sendEvent(&window, &release);
    });
}

namespace {

class SelectOnFocus : public QObject {
  public:
    explicit SelectOnFocus(QLineEdit& entry) : QObject(&entry) { entry.installEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::FocusIn) return false;
        // A click places the caret, and coming back to the window keeps the
        // selection the user left.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason &&
            reason != Qt::ActiveWindowFocusReason) {
            static_cast<QLineEdit*>(watched)->selectAll();
        }
        return false;
    }
};

}  // namespace

void SelectAllOnFocus(QLineEdit& entry) { new SelectOnFocus(entry); }

namespace {

// Watches a file dialog and its completion box.
class FileDialogWatcher : public QObject {
  public:
    FileDialogWatcher(QFileDialog& dialog, QLineEdit* name, QWidget* completions)
        : QObject(&dialog), name_(name), completions_(completions) {
        dialog.installEventFilter(this);
        if (completions_ == nullptr) return;
        // Our filter replays the click; Qt's own replay would deliver it twice.
        completions_->setAttribute(Qt::WA_NoMouseReplay);
        completions_->installEventFilter(this);
        connect(&dialog, &QDialog::finished, completions_, &QWidget::hide);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched == parent() && name_ != nullptr) {
            name_->setFocus();
            name_->selectAll();
        } else if (event->type() == QEvent::MouseButtonPress && watched == completions_) {
            return ClickBeside(*static_cast<QMouseEvent*>(event));
        } else if (watched == replayed_.window && replayed_.window != nullptr) {
            SecondClick(*event);
        }
        return false;
    }

    // Posted after a second press, so it runs once Qt has had its say.
    void customEvent(QEvent* /*event*/) override {
        if (double_click_.has_value() && replayed_.window != nullptr) {
            QCoreApplication::sendEvent(replayed_.window, &*double_click_);
        }
        double_click_.reset();
        replayed_ = {};
    }

  private:
    struct Replayed {
        QPointer<QWindow> window;
        QPoint at;
        Qt::MouseButton button = Qt::NoButton;
        QElapsedTimer since;
    };

    bool ClickBeside(const QMouseEvent& click) {
        if (completions_->rect().contains(click.position().toPoint())) return false;
        completions_->hide();
        // Handed to the window below as a fresh press, so focus and selection
        // work as if the box had not been there.
        const QPoint global = click.globalPosition().toPoint();
        QWidget* target = QApplication::widgetAt(global);
        QWindow* window = target != nullptr ? target->window()->windowHandle() : nullptr;
        if (window != nullptr) {
            QMouseEvent press(QEvent::MouseButtonPress, window->mapFromGlobal(global), global,
                              click.button(), click.buttons(), click.modifiers());
            QCoreApplication::sendEvent(window, &press);
            replayed_ = {window, global, click.button(), {}};
            replayed_.since.start();
            QCoreApplication::instance()->installEventFilter(this);
        }
        return true;
    }

    // Qt does not count the press that closed the box towards a double-click;
    // the user did, so a quick second press on the same spot makes one.
    void SecondClick(const QEvent& event) {
        if (event.type() == QEvent::MouseButtonDblClick) {
            double_click_.reset();  // Qt made it after all
            return;
        }
        if (event.type() != QEvent::MouseButtonPress) return;
        QCoreApplication::instance()->removeEventFilter(this);
        const auto& press = static_cast<const QMouseEvent&>(event);
        const QPoint global = press.globalPosition().toPoint();
        if (press.button() == replayed_.button &&
            replayed_.since.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
            (global - replayed_.at).manhattanLength() <=
                QGuiApplication::styleHints()->startDragDistance()) {
            double_click_.emplace(QEvent::MouseButtonDblClick, press.position(),
                                  press.globalPosition(), press.button(), press.buttons(),
                                  press.modifiers());
        }
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    }

    QLineEdit* name_;
    QWidget* completions_;
    Replayed replayed_;
    std::optional<QMouseEvent> double_click_;
};

}  // namespace

namespace {

// The details of Qt's file model follow the system locale, whatever the
// program's language: sizes, types and dates are told again here as the
// Japanese desktop tells them.
class JapaneseFileDetails : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || index.column() == kName) {
            return QIdentityProxyModel::data(index, role);
        }
        const auto* files = static_cast<const QFileSystemModel*>(sourceModel());
        const QModelIndex source = mapToSource(index);
        const QFileInfo info = files->fileInfo(source);
        switch (index.column()) {
            case kSize:
                return info.isDir() ? QString() : FileSizeText(info.size());
            case kType:
                return FileTypeText(info);
            case kDate:
                return FileTimeText(files->lastModified(source));
            default:
                return QIdentityProxyModel::data(index, role);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const QString kCaptions[] = {QStringLiteral("名前"), QStringLiteral("サイズ"),
                                            QStringLiteral("種類"), QStringLiteral("更新日時")};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < 4) {
            return kCaptions[section];
        }
        return QIdentityProxyModel::headerData(section, orientation, role);
    }

    enum Column { kName, kSize, kType, kDate };
};

// Gives the sidebar and the detail columns room for their texts.
void WidenFileDialogViews(QFileDialog& dialog) {
    if (auto* sidebar = dialog.findChild<QListView*>(QStringLiteral("sidebar"))) {
        int widest = 0;
        const QFontMetrics metrics(sidebar->font());
        QAbstractItemModel* places = sidebar->model();
        for (int row = 0; places != nullptr && row < places->rowCount(); ++row) {
            widest = qMax(widest, metrics.horizontalAdvance(
                                      places->index(row, 0).data(Qt::DisplayRole).toString()));
        }
        const int icon = sidebar->iconSize().width() > 0 ? sidebar->iconSize().width() : 16;
        // Room for the icon, its gap and the frame, but no more: the list
        // beside it needs the width.
        sidebar->setMinimumWidth(widest + icon + 28);
    }
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        const QFontMetrics metrics(details->font());
        // The margins of a header section and its sort arrow; a CJK face
        // under a Japanese locale makes the average character far too wide.
        const int padding = 24;
        const auto room = [&](const QString& text) {
            return metrics.horizontalAdvance(text) + padding;
        };
        QHeaderView* header = details->header();
        header->resizeSection(JapaneseFileDetails::kName,
                              room(QStringLiteral("house-plan-2026.dxf")));
        header->resizeSection(JapaneseFileDetails::kSize, room(QStringLiteral("999,999 KB")));
        header->resizeSection(JapaneseFileDetails::kType,
                              room(QStringLiteral("ファイル フォルダー")));
        header->resizeSection(JapaneseFileDetails::kDate, room(QStringLiteral("2026/12/08 22:22")));
    }
}

}  // namespace

QString FileSizeText(qint64 bytes) {
    // Whole kilobytes, a started one counted as one, as Explorer's details do.
    const qint64 kilobytes = (qMax<qint64>(bytes, 0) + 1023) / 1024;
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(kilobytes) + QStringLiteral(" KB");
}

QString FileTypeText(const QFileInfo& info) {
    if (info.isDir()) return QStringLiteral("ファイル フォルダー");
    const QString extension = info.suffix().toUpper();
    if (extension.isEmpty()) return QStringLiteral("ファイル");
    return extension + QStringLiteral(" ファイル");
}

QString FileTimeText(const QDateTime& time) {
    if (!time.isValid()) return QString();
    return QLocale::c().toString(time.toLocalTime(), QStringLiteral("yyyy/MM/dd H:mm"));
}

void ReadyFileDialog(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setProxyModel(new JapaneseFileDetails(&dialog));
    WidenFileDialogViews(dialog);
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QWidget* completions =
        name != nullptr && name->completer() != nullptr ? name->completer()->popup() : nullptr;
    new FileDialogWatcher(dialog, name, completions);
}

namespace {

class FrameSizer : public QObject {
  public:
    FrameSizer(QWidget& window, QSize outside) : QObject(&window), outside_(outside) {
        window.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The window manager reports the frame with a move once it has placed it.
        if (event->type() != QEvent::Move && event->type() != QEvent::Show) return false;
        auto& window = *static_cast<QWidget*>(watched);
        const QSize frame = window.frameGeometry().size() - window.geometry().size();
        if (frame.width() <= 0 && frame.height() <= 0) return false;
        window.removeEventFilter(this);
        window.resize(outside_ - frame);
        deleteLater();
        return false;
    }

  private:
    QSize outside_;
};

class PlacedWatcher : public QObject {
  public:
    PlacedWatcher(QWidget& window, std::function<void()> then)
        : QObject(&window), then_(std::move(then)) {
        window.installEventFilter(this);
        QTimer::singleShot(500, this, &PlacedWatcher::Run);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Move || event->type() == QEvent::Show) {
            const auto& window = *static_cast<QWidget*>(watched);
            // Queued: the frame's own handlers see the move first.
            if (window.frameGeometry() != window.geometry())
                QTimer::singleShot(0, this, &PlacedWatcher::Run);
        }
        return false;
    }

  private:
    void Run() {
        if (!then_) return;
        parent()->removeEventFilter(this);
        std::exchange(then_, nullptr)();
        deleteLater();
    }
    std::function<void()> then_;
};

}  // namespace

void RunOncePlaced(QWidget& window, std::function<void()> then) {
    new PlacedWatcher(window, std::move(then));
}

void SizeOutsideOfFrame(QWidget& window, QSize outside) {
    window.resize(outside);
    new FrameSizer(window, outside);
}

}  // namespace ui
