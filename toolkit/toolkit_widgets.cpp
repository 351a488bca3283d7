// Widgets by number: creation, texts, visibility, colours, lists, drops.
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTextEdit>
#include <QToolTip>

#include <atomic>

#include "toolkit/canvas_widget.h"
#include "toolkit/toolkit_internal.h"

namespace pixmold {
namespace detail {
namespace {

// Turns a widget into a drop target for DropOnWidget. Found again by its
// name: without Q_OBJECT, findChild<DropFilter*> would match any child.
constexpr const char* DROP_FILTER_NAME = "pixmold_drop_filter";

class DropFilter : public QObject {
public:
    DropFilter(QObject* parent, int number) : QObject(parent), number_(number) { setObjectName(DROP_FILTER_NAME); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!dropped_paths(drag->mimeData()).empty()) drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            std::string files = dropped_paths(drop->mimeData());
            if (files.empty()) return true;
            drop->acceptProposedAction();
            QueuedEvent e;
            e.kind = EventKind::DropOnWidget;
            e.widget = number_;
            if (WidgetRecord* record = find_record(number_)) e.window = record->window;
            e.files = std::move(files);
            push_event(e);
            return true;
        }
        default: return false;
        }
    }

private:
    int number_;
};

// Marks the rows of a drop-down list that head a group.
constexpr int HEADER_ROLE = Qt::UserRole + 1;
constexpr const char* HEADER_KEYS_NAME = "pixmold_header_keys";

void widget_event(int number, SubKind subkind);

// Arrow keys on a closed drop-down list step over its header rows, as a
// choice of one would only send the list back to its first row.
class HeaderKeys : public QObject {
public:
    HeaderKeys(QComboBox* list, int number) : QObject(list), list_(list), number_(number) {
        setObjectName(HEADER_KEYS_NAME);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier) return false;
        const int rows = list_->count();
        int from = list_->currentIndex(), step = 0;
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Left:
        case Qt::Key_PageUp: step = -1; break;
        case Qt::Key_Down:
        case Qt::Key_Right:
        case Qt::Key_PageDown: step = 1; break;
        case Qt::Key_Home: from = -1, step = 1; break;
        case Qt::Key_End: from = rows, step = -1; break;
        default: return false;
        }
        for (int row = from + step; row >= 0 && row < rows; row += step) {
            if (list_->itemData(row, HEADER_ROLE).toBool()) continue;
            list_->setCurrentIndex(row);
            widget_event(number_, SubKind::Selected);
            break;
        }
        return true;
    }

private:
    QComboBox* list_;
    int number_;
};

// Read-only text shows no caret, so the style shows no sign of the focus
// either: it gets the canvases' mark once the keyboard moved the focus.
class ReadOnlyText : public QTextEdit {
public:
    using QTextEdit::QTextEdit;

protected:
    void paintEvent(QPaintEvent* event) override {
        QTextEdit::paintEvent(event);
        if (!hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange)) return;
        QPainter painter(viewport());
        draw_focus_mark(painter, viewport()->rect());
    }
    void focusInEvent(QFocusEvent* event) override {
        QTextEdit::focusInEvent(event);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QTextEdit::focusOutEvent(event);
        viewport()->update();
    }
};

void widget_event(int number, SubKind subkind) {
    QueuedEvent e;
    e.kind = EventKind::WidgetEvent;
    e.widget = number;
    e.subkind = subkind;
    if (WidgetRecord* record = find_record(number)) e.window = record->window;
    push_event(e);
}

// Finds the Qt parent and the window number for a new widget.
QWidget* parent_widget(Parent parent, int& window) {
    if (parent.container) {
        WidgetRecord* record = find_record(parent.number);
        if (!record || record->kind != WidgetKind::Container) return nullptr;
        window = record->window;
        return record->widget.data();
    }
    ShellWindow* w = find_window(parent.number);
    if (!w) return nullptr;
    window = parent.number;
    return w->client();
}

template <typename W>
W* add_widget(Parent parent, int number, WidgetKind kind, int x, int y, int width, int height) {
    int window = -1;
    QWidget* host = parent_widget(parent, window);
    if (!host) return nullptr;
    free_widget(number);
    auto* widget = new W(host);  // owned by its Qt parent
    widget->setGeometry(x, y, width, height);
    if (state().default_widget_font) widget->setFont(*state().default_widget_font);
    WidgetRecord record;
    record.widget = widget;
    record.kind = kind;
    record.window = window;
    state().widgets[number] = record;
    widget->setProperty("pixmold_number", number);
    widget->show();
    return widget;
}

// The small information sign that starts a balloon's title line.
QString information_icon_html() {
    static QString html;
    if (html.isEmpty()) {
        QPixmap icon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        icon.save(&buffer, "PNG");
        html = QString("<img src=\"data:image/png;base64,%1\" width=\"16\" height=\"16\">&nbsp;")
                   .arg(QString::fromLatin1(png.toBase64()));
    }
    return html;
}

QString break_lines(const std::string& text) {
    QString result = QString::fromStdString(text);
    result.replace("\r\n", "\n");
    result.replace('\r', '\n');
    return result;
}

void apply_text(WidgetRecord& record, const std::string& text) {
    QWidget* w = record.widget.data();
    if (!w) return;
    switch (record.kind) {
    case WidgetKind::Button: static_cast<QPushButton*>(w)->setText(QString::fromStdString(text)); break;
    case WidgetKind::Label: static_cast<QLabel*>(w)->setText(QString::fromStdString(text)); break;
    case WidgetKind::Field: static_cast<QLineEdit*>(w)->setText(QString::fromStdString(text)); break;
    case WidgetKind::RichText: static_cast<QTextEdit*>(w)->setPlainText(break_lines(text)); break;
    case WidgetKind::List: {
        auto* list = static_cast<QComboBox*>(w);
        int row = list->findText(QString::fromStdString(text));
        if (row >= 0) list->setCurrentIndex(row);
        break;
    }
    case WidgetKind::Frame:
        if (auto* box = qobject_cast<QGroupBox*>(w)) box->setTitle(QString::fromStdString(text));
        break;
    default: break;
    }
}

}  // namespace

QWidget* find_widget(int number) {
    WidgetRecord* record = find_record(number);
    return record ? record->widget.data() : nullptr;
}

WidgetRecord* find_record(int number) {
    auto it = state().widgets.find(number);
    if (it == state().widgets.end() || !it->second.widget) return nullptr;
    return &it->second;
}

void clear_widgets_of_window(int window) {
    for (auto it = state().widgets.begin(); it != state().widgets.end();) {
        if (it->second.window == window || !it->second.widget)
            it = state().widgets.erase(it);
        else
            ++it;
    }
}

void destroy_all_widgets() {
    for (auto& [number, record] : state().widgets) delete record.widget.data();
    state().widgets.clear();
}

bool takes_own_drops(const QWidget* widget) {
    return widget->findChild<QObject*>(DROP_FILTER_NAME, Qt::FindDirectChildrenOnly) != nullptr;
}

QColor to_qcolor(std::int32_t colour) {
    auto c = std::uint32_t(colour);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

}  // namespace detail

using namespace detail;

bool create_canvas(Parent parent, int number, int x, int y, int width, int height) {
    auto* canvas = add_widget<CanvasWidget>(parent, number, WidgetKind::Canvas, x, y, width, height);
    if (!canvas) return false;
    canvas->set_number(number);
    canvas->resize_picture(width, height);
    return true;
}

bool create_button(Parent parent, int number, int x, int y, int width, int height, const std::string& text) {
    auto* button = add_widget<QPushButton>(parent, number, WidgetKind::Button, x, y, width, height);
    if (!button) return false;
    button->setText(QString::fromStdString(text));
    QObject::connect(button, &QPushButton::clicked, [number] { widget_event(number, SubKind::Clicked); });
    return true;
}

bool create_label(Parent parent, int number, int x, int y, int width, int height, const std::string& text,
                  int flags) {
    auto* label = add_widget<QLabel>(parent, number, WidgetKind::Label, x, y, width, height);
    if (!label) return false;
    label->setTextFormat(Qt::PlainText);
    Qt::Alignment align = Qt::AlignVCenter;
    align |= (flags & LABEL_CENTRED) ? Qt::AlignHCenter : (flags & LABEL_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    label->setAlignment(align);
    label->setText(QString::fromStdString(text));
    return true;
}

bool create_field(Parent parent, int number, int x, int y, int width, int height, const std::string& text,
                  int flags) {
    auto* field = add_widget<QLineEdit>(parent, number, WidgetKind::Field, x, y, width, height);
    if (!field) return false;
    field->setReadOnly(flags & FIELD_READ_ONLY);
    if (flags & FIELD_DIGITS_ONLY)
        field->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), field));
    if (flags & FIELD_CENTRED) field->setAlignment(Qt::AlignCenter);
    field->setText(QString::fromStdString(text));
    QObject::connect(field, &QLineEdit::textChanged, [number] { widget_event(number, SubKind::TextChanged); });
    return true;
}

bool create_rich_text(Parent parent, int number, int x, int y, int width, int height) {
    auto* text = add_widget<ReadOnlyText>(parent, number, WidgetKind::RichText, x, y, width, height);
    if (!text) return false;
    text->setReadOnly(true);
    text->setAcceptRichText(false);
    return true;
}

bool create_list(Parent parent, int number, int x, int y, int width, int height) {
    auto* list = add_widget<QComboBox>(parent, number, WidgetKind::List, x, y, width, height);
    if (!list) return false;
    list->setMaxVisibleItems(25);
    QObject::connect(list, &QComboBox::activated, [number] { widget_event(number, SubKind::Selected); });
    return true;
}

bool create_frame(Parent parent, int number, int x, int y, int width, int height, const std::string& title) {
    QWidget* frame = nullptr;
    if (title.empty()) {
        auto* plain = add_widget<QFrame>(parent, number, WidgetKind::Frame, x, y, width, height);
        if (plain) plain->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame = plain;
    } else {
        auto* box = add_widget<QGroupBox>(parent, number, WidgetKind::Frame, x, y, width, height);
        if (box) box->setTitle(QString::fromStdString(title));
        frame = box;
    }
    if (!frame) return false;
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->lower();  // a frame surrounds widgets; it never covers them
    return true;
}

bool create_picture(Parent parent, int number, int x, int y, int width, int height, ImageHandle picture) {
    auto* label = add_widget<QLabel>(parent, number, WidgetKind::Picture, x, y, width, height);
    if (!label) return false;
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    set_picture(number, picture);
    return true;
}

bool create_container(Parent parent, int number, int x, int y, int width, int height) {
    auto* box = add_widget<QWidget>(parent, number, WidgetKind::Container, x, y, width, height);
    if (!box) return false;
    box->setAutoFillBackground(true);
    return true;
}

bool widget_exists(int number) { return find_widget(number) != nullptr; }

void free_widget(int number) {
    auto it = state().widgets.find(number);
    if (it == state().widgets.end()) return;
    QPointer<QWidget> widget = it->second.widget;
    state().widgets.erase(it);
    delete widget.data();
    // Widgets inside a freed container went with it.
    for (auto w = state().widgets.begin(); w != state().widgets.end();)
        w = w->second.widget ? std::next(w) : state().widgets.erase(w);
}

namespace {

// Calls from other threads reach the widget later, through the event queue;
// each change is numbered when it is asked for, so that one still on its
// way never undoes a later one already made on the user-interface thread.
std::uint64_t next_change() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

// Runs `apply` on the user-interface thread unless a later change of the
// same kind (`latest` of the widget's record) has been applied already.
template <typename Apply>
void change_widget(int number, std::uint64_t WidgetRecord::*latest, Apply apply) {
    run_on_ui([number, latest, apply, order = next_change()] {
        WidgetRecord* record = find_record(number);
        if (!record || record->*latest > order) return;
        record->*latest = order;
        apply(*record);
    });
}

}  // namespace

void set_text(int number, const std::string& text) {
    change_widget(number, &WidgetRecord::text_change, [text](WidgetRecord& r) { apply_text(r, text); });
}

void show_widget(int number, bool visible) {
    change_widget(number, &WidgetRecord::visible_change, [visible](WidgetRecord& r) { r.widget->setVisible(visible); });
}

void enable_widget(int number, bool enabled) {
    change_widget(number, &WidgetRecord::enabled_change, [enabled](WidgetRecord& r) { r.widget->setEnabled(enabled); });
}

std::string get_text(int number) {
    if (!on_ui_thread()) return {};
    WidgetRecord* record = find_record(number);
    if (!record) return {};
    QWidget* w = record->widget.data();
    switch (record->kind) {
    case WidgetKind::Button: return static_cast<QPushButton*>(w)->text().toStdString();
    case WidgetKind::Label: return static_cast<QLabel*>(w)->text().toStdString();
    case WidgetKind::Field: return static_cast<QLineEdit*>(w)->text().toStdString();
    case WidgetKind::RichText: return static_cast<QTextEdit*>(w)->toPlainText().toStdString();
    case WidgetKind::List: return static_cast<QComboBox*>(w)->currentText().toStdString();
    case WidgetKind::Frame:
        if (auto* box = qobject_cast<QGroupBox*>(w)) return box->title().toStdString();
        return {};
    default: return {};
    }
}

bool widget_visible(int number) {
    QWidget* w = find_widget(number);
    return w && !w->isHidden();
}

int widget_x(int number) {
    QWidget* w = find_widget(number);
    return w ? w->x() : 0;
}
int widget_y(int number) {
    QWidget* w = find_widget(number);
    return w ? w->y() : 0;
}
int widget_width(int number) {
    QWidget* w = find_widget(number);
    return w ? w->width() : 0;
}
int widget_height(int number) {
    QWidget* w = find_widget(number);
    return w ? w->height() : 0;
}

void resize_widget(int number, int x, int y, int width, int height) {
    WidgetRecord* record = find_record(number);
    if (!record) return;
    QWidget* w = record->widget.data();
    QRect r = w->geometry();
    w->setGeometry(x == KEEP ? r.x() : x, y == KEEP ? r.y() : y, width == KEEP ? r.width() : width,
                   height == KEEP ? r.height() : height);
    if (record->kind == WidgetKind::Canvas) static_cast<CanvasWidget*>(w)->resize_picture(w->width(), w->height());
}

void set_widget_colours(int number, std::int32_t text_colour, std::int32_t background_colour) {
    QWidget* w = find_widget(number);
    if (!w) return;
    QPalette palette = w->palette();
    if (text_colour != -1) {
        QColor c = to_qcolor(text_colour);
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) palette.setColor(role, c);
    }
    if (background_colour != -1) {
        QColor c = to_qcolor(background_colour);
        for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) palette.setColor(role, c);
        w->setAutoFillBackground(true);
    }
    w->setPalette(palette);
}

void set_picture(int number, ImageHandle picture) {
    WidgetRecord* record = find_record(number);
    if (!record || record->kind != WidgetKind::Picture) return;
    auto* label = static_cast<QLabel*>(record->widget.data());
    QImage image = picture_image(picture);
    if (image.isNull())
        label->clear();
    else
        label->setPixmap(QPixmap::fromImage(image));
}

void set_focus(int number) {
    if (QWidget* w = find_widget(number)) w->setFocus(Qt::OtherFocusReason);
}

void set_tooltip(int number, const std::string& title, const std::string& text) {
    WidgetRecord* record = find_record(number);
    if (!record) return;
    QString body = break_lines(text).toHtmlEscaped().replace("\n", "<br>");
    QString head = QString::fromStdString(title).toHtmlEscaped();
    // Narrow balloons: as wide as the longest line, but never beyond 180 pixels.
    QFont bold = QToolTip::font();
    bold.setBold(true);
    int natural = QFontMetrics(bold).horizontalAdvance(QString::fromStdString(title));
    for (const QString& line : break_lines(text).split('\n'))
        natural = std::max(natural, QFontMetrics(QToolTip::font()).horizontalAdvance(line));
    int width = std::min(natural + 2 + 20, 180);
    QString html = QString("<table width=\"%1\"><tr><td>%2<b>%3</b><br>%4</td></tr></table>")
                       .arg(width)
                       .arg(information_icon_html(), head, body);
    record->tooltip = html.toStdString();
    record->widget->setToolTip(html);
}

std::string tooltip_text(int number) {
    WidgetRecord* record = find_record(number);
    return record ? record->tooltip : std::string();
}

void list_add_item(int number, const std::string& text) {
    WidgetRecord* record = find_record(number);
    if (record && record->kind == WidgetKind::List)
        static_cast<QComboBox*>(record->widget.data())->addItem(QString::fromStdString(text));
}

void list_clear(int number) {
    WidgetRecord* record = find_record(number);
    if (record && record->kind == WidgetKind::List) static_cast<QComboBox*>(record->widget.data())->clear();
}

int list_count(int number) {
    WidgetRecord* record = find_record(number);
    if (!record || record->kind != WidgetKind::List) return 0;
    return static_cast<QComboBox*>(record->widget.data())->count();
}

int list_get_selected(int number) {
    WidgetRecord* record = find_record(number);
    if (!record || record->kind != WidgetKind::List) return -1;
    return static_cast<QComboBox*>(record->widget.data())->currentIndex();
}

void list_set_selected(int number, int position) {
    WidgetRecord* record = find_record(number);
    if (!record || record->kind != WidgetKind::List) return;
    auto* list = static_cast<QComboBox*>(record->widget.data());
    if (position >= -1 && position < list->count()) list->setCurrentIndex(position);
}

void list_set_header(int number, int position) {
    WidgetRecord* record = find_record(number);
    if (!record || record->kind != WidgetKind::List) return;
    auto* list = static_cast<QComboBox*>(record->widget.data());
    if (position < 0 || position >= list->count()) return;
    list->setItemData(position, true, HEADER_ROLE);
    if (!list->findChild<QObject*>(HEADER_KEYS_NAME, Qt::FindDirectChildrenOnly))
        list->installEventFilter(new HeaderKeys(list, number));  // owned by the list
}

void enable_widget_drops(int number, bool on) {
    QWidget* w = find_widget(number);
    if (!w) return;
    auto* old = w->findChild<QObject*>(DROP_FILTER_NAME, Qt::FindDirectChildrenOnly);
    if (old) {
        w->removeEventFilter(old);
        delete old;
    }
    w->setAcceptDrops(on);
    if (on) w->installEventFilter(new DropFilter(w, number));  // owned by the widget
}

void set_widget_data(int number, std::intptr_t value) {
    if (WidgetRecord* record = find_record(number)) record->data = value;
}

std::intptr_t widget_data(int number) {
    WidgetRecord* record = find_record(number);
    return record ? record->data : 0;
}

}  // namespace pixmold
