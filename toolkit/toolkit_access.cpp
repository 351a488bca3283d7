// Screen readers: what they read for the toolkit's canvases and push
// buttons, names and descriptions, and the Tab order of a window.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QPushButton>

#include <map>

#include "toolkit/canvas_widget.h"
#include "toolkit/toolkit_internal.h"

namespace pixmold {
namespace detail {
namespace {

// Set on a push button that stands for one of exclusive choices.
constexpr const char* CHOSEN_PROPERTY = "pixmold_chosen";
// Object name (and the list's number) of the label that names a drop-down list.
constexpr const char* LIST_LABEL_PREFIX = "pixmold_list_label_";

bool single_part_kind(ControlKind kind) {
    return kind != ControlKind::Choice && kind != ControlKind::Slider && kind != ControlKind::Button;
}

// One button of a button bar or one choice of a selector, drawn on a canvas.
class CanvasPartAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CanvasPartAccessible(CanvasWidget* canvas, int part) : canvas_(canvas), part_(part) {}

    bool isValid() const override {
        return canvas_ && canvas_->control() && part_ < int(canvas_->control()->parts.size());
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return canvas_ ? canvas_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(canvas_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid()) return {};
        return QString::fromStdString(canvas_->control()->parts[std::size_t(part_)].name);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = canvas_->part_rect(part_);
        return QRect(canvas_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override {
        if (isValid() && canvas_->control()->kind == ControlKind::Choice) return QAccessible::RadioButton;
        return QAccessible::Button;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const CanvasControl& c = *canvas_->control();
        s.focusable = true;
        s.focused = canvas_->hasFocus() && canvas_->focused_part() == part_;
        s.invisible = !canvas_->isVisible();
        s.disabled = !c.enabled[std::size_t(part_)] || !canvas_->isEnabled();
        if (c.kind == ControlKind::Choice) {
            s.checkable = true;
            s.checked = c.value == part_;
        }
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    void doAction(const QString& action) override {
        if (!isValid()) return;
        if (action == pressAction()) canvas_->press(part_);
        if (action == setFocusAction()) canvas_->focus_part(part_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<CanvasWidget> canvas_;
    int part_;
};

class CanvasAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CanvasAccessible(CanvasWidget* canvas) : QAccessibleWidget(canvas) {}
    ~CanvasAccessible() override {
        for (auto& [part, id] : parts_) QAccessible::deleteAccessibleInterface(id);
    }

    CanvasWidget* canvas() const { return static_cast<CanvasWidget*>(widget()); }
    const CanvasControl* control() const { return canvas()->control() ? &*canvas()->control() : nullptr; }
    // A Button of several parts and a Choice are read as their parts.
    bool has_part_children() const {
        const CanvasControl* c = control();
        return c && (c->kind == ControlKind::Choice || (c->kind == ControlKind::Button && c->parts.size() > 1));
    }

    QAccessible::Role role() const override {
        const CanvasControl* c = control();
        if (!c) return QAccessibleWidget::role();
        switch (c->kind) {
        case ControlKind::Button: return has_part_children() ? QAccessible::ToolBar : QAccessible::Button;
        case ControlKind::ToggleButton:
        case ControlKind::Expander: return QAccessible::Button;
        case ControlKind::CheckBox: return QAccessible::CheckBox;
        case ControlKind::Choice: return QAccessible::Grouping;
        case ControlKind::Slider: return QAccessible::Slider;
        case ControlKind::Picture: return QAccessible::Graphic;
        }
        return QAccessibleWidget::role();
    }

    QString text(QAccessible::Text t) const override {
        const CanvasControl* c = control();
        if (c && t == QAccessible::Name && !c->name.isEmpty()) return c->name;
        if (c && t == QAccessible::Description && !c->description.isEmpty()) return c->description;
        if (c && t == QAccessible::Value && c->kind == ControlKind::Slider) return QString::number(c->value);
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const CanvasControl* c = control();
        if (!c) return s;
        // The focused part, not the whole bar or group, is what a reader announces.
        if (has_part_children()) s.focused = false;
        switch (c->kind) {
        case ControlKind::ToggleButton:
        case ControlKind::CheckBox:
            s.checkable = true;
            s.checked = c->value != 0;
            break;
        case ControlKind::Expander:
            s.expandable = true;
            s.expanded = c->value != 0;
            s.collapsed = c->value == 0;
            break;
        default: break;
        }
        if (single_part_kind(c->kind) && !c->enabled.empty() && !c->enabled[0]) s.disabled = true;
        return s;
    }

    int childCount() const override { return has_part_children() ? int(control()->parts.size()) : 0; }

    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        auto known = parts_.find(index);
        if (known != parts_.end()) return QAccessible::accessibleInterface(known->second);
        auto* part = new CanvasPartAccessible(canvas(), index);  // owned by QAccessible from here on
        parts_[index] = QAccessible::registerAccessibleInterface(part);
        return part;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        for (auto& [part, id] : parts_)
            if (QAccessible::accessibleInterface(id) == child) return part;
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i)
            if (child(i)->rect().contains(x, y)) return child(i);
        return nullptr;
    }

    QAccessibleInterface* focusChild() const override {
        if (has_part_children() && canvas()->hasFocus()) return child(canvas()->focused_part());
        return QAccessibleWidget::focusChild();
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        const CanvasControl* c = control();
        if (type == QAccessible::ValueInterface && c && c->kind == ControlKind::Slider)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // A press, or a step of the slider, as the keyboard makes it.
    QStringList actionNames() const override {
        const CanvasControl* c = control();
        QStringList names = QAccessibleWidget::actionNames();
        if (!c) return names;
        if (c->kind == ControlKind::Slider) names << increaseAction() << decreaseAction();
        else if (single_part_kind(c->kind) && c->kind != ControlKind::Picture) names.prepend(pressAction());
        return names;
    }
    void doAction(const QString& action) override {
        const CanvasControl* c = control();
        if (c && action == pressAction()) canvas()->press(canvas()->focused_part());
        else if (c && action == increaseAction()) canvas()->press(std::min(c->value + 1, int(c->parts.size()) - 1));
        else if (c && action == decreaseAction()) canvas()->press(std::max(c->value - 1, 0));
        else QAccessibleWidget::doAction(action);
    }

    QVariant currentValue() const override { return control() ? control()->value : 0; }
    void setCurrentValue(const QVariant& value) override {
        const CanvasControl* c = control();
        if (!c) return;
        const int at = value.toInt();
        if (at >= 0 && at < int(c->parts.size())) canvas()->press(at);
    }
    QVariant maximumValue() const override { return control() ? int(control()->parts.size()) - 1 : 0; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    mutable std::map<int, QAccessible::Id> parts_;
};

// The toolkit's push buttons: read by the name the program gives them (not
// the rich-text balloon), and as a choice where they stand for one.
class ButtonAccessible : public QAccessibleWidget {
public:
    explicit ButtonAccessible(QPushButton* button) : QAccessibleWidget(button, QAccessible::Button) {}
    QPushButton* button() const { return static_cast<QPushButton*>(widget()); }
    bool choice() const { return button()->property(CHOSEN_PROPERTY).isValid(); }

    QAccessible::Role role() const override { return choice() ? QAccessible::RadioButton : QAccessible::Button; }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            QString name = button()->accessibleName();
            return name.isEmpty() ? button()->text().remove('&').trimmed() : name;
        }
        if (t == QAccessible::Description) return button()->accessibleDescription();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->isDown();
        if (choice()) {
            s.checkable = true;
            s.checked = button()->property(CHOSEN_PROPERTY).toBool();
        }
        return s;
    }
    QStringList actionNames() const override { return QStringList(pressAction()) << QAccessibleWidget::actionNames(); }
    void doAction(const QString& action) override {
        if (action == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* toolkit_accessible(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    if (auto* canvas = dynamic_cast<CanvasWidget*>(object)) return new CanvasAccessible(canvas);
    auto* button = qobject_cast<QPushButton*>(object);
    // Only the program's own buttons: dialogs keep what Qt makes of theirs.
    if (button && button->property("pixmold_number").isValid()) return new ButtonAccessible(button);
    return nullptr;
}

QAccessibleInterface* part_interface(CanvasWidget* canvas, int part) {
    QAccessibleInterface* whole = QAccessible::queryAccessibleInterface(canvas);
    return whole ? whole->child(part) : nullptr;
}

void tell_checked(QAccessibleInterface* iface) {
    if (!iface) return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(iface, changed);
    QAccessible::updateAccessibility(&event);
}

}  // namespace

void install_accessibility() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(toolkit_accessible);
}

void announce_part_focus(CanvasWidget* canvas, int part) {
    if (!QAccessible::isActive()) return;
    if (QAccessibleInterface* iface = part_interface(canvas, part)) {
        QAccessibleEvent event(iface, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

void announce_part_state(CanvasWidget* canvas, int part) {
    if (!QAccessible::isActive()) return;
    QAccessibleInterface* iface = part_interface(canvas, part);
    if (!iface) iface = QAccessible::queryAccessibleInterface(canvas);
    if (!iface) return;
    QAccessible::State changed;
    changed.disabled = true;
    QAccessibleStateChangeEvent event(iface, changed);
    QAccessible::updateAccessibility(&event);
}

void announce_value_change(CanvasWidget* canvas, int old_value) {
    if (!QAccessible::isActive() || !canvas->control()) return;
    const CanvasControl& c = *canvas->control();
    switch (c.kind) {
    case ControlKind::Slider: {
        QAccessibleValueChangeEvent event(canvas, c.value);
        QAccessible::updateAccessibility(&event);
        break;
    }
    case ControlKind::Choice:
        tell_checked(part_interface(canvas, old_value));
        tell_checked(part_interface(canvas, c.value));
        if (canvas->hasFocus()) announce_part_focus(canvas, c.value);
        break;
    case ControlKind::Expander: {
        QAccessible::State changed;
        changed.expanded = true;
        changed.collapsed = true;
        QAccessibleStateChangeEvent event(canvas, changed);
        QAccessible::updateAccessibility(&event);
        break;
    }
    case ControlKind::ToggleButton:
    case ControlKind::CheckBox: tell_checked(QAccessible::queryAccessibleInterface(canvas)); break;
    default: break;
    }
}

}  // namespace detail

using namespace detail;

void set_accessible_name(int number, const std::string& name, const std::string& description) {
    WidgetRecord* record = find_record(number);
    if (!record) return;
    QWidget* w = record->widget.data();
    w->setAccessibleName(QString::fromStdString(name));
    w->setAccessibleDescription(QString::fromStdString(description));
    // On this platform a reader takes a drop-down list's name from the label
    // it is the buddy of (its own name is the row on show): a label that only
    // readers see.
    if (record->kind == WidgetKind::List && w->parentWidget()) {
        auto* label = w->parentWidget()->findChild<QLabel*>(LIST_LABEL_PREFIX + QString::number(number),
                                                            Qt::FindDirectChildrenOnly);
        if (!label) {
            label = new QLabel(w->parentWidget());  // owned by the list's parent
            label->setObjectName(LIST_LABEL_PREFIX + QString::number(number));
            label->hide();
            label->setBuddy(w);
            QObject::connect(w, &QObject::destroyed, label, &QObject::deleteLater);
        }
        label->setText(QString::fromStdString(name));
    }
}

void set_button_chosen(int number, bool chosen) {
    WidgetRecord* record = find_record(number);
    if (!record || record->kind != WidgetKind::Button) return;
    QWidget* button = record->widget.data();
    const QVariant before = button->property(CHOSEN_PROPERTY);
    button->setProperty(CHOSEN_PROPERTY, chosen);
    if (QAccessible::isActive() && before.isValid() && before.toBool() != chosen)
        tell_checked(QAccessible::queryAccessibleInterface(button));
}

void set_tab_order(const std::vector<int>& numbers) {
    QWidget* previous = nullptr;
    for (int number : numbers) {
        QWidget* w = find_widget(number);
        if (!w) continue;
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

}  // namespace pixmold
