// Controls of windows and dialogs: Qt widgets found by identifier, with values and actions.

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QScrollBar>
#include <algorithm>

#include "platform/qt_window.h"
#include "platform/test_hooks.h"

namespace {

// A wheel turned over a scroll bar scrolls the window as it does over the content.
class WheelToWindow : public QObject {
  public:
    WheelToWindow(QObject* parent, QWidget* window) : QObject(parent), window_(window) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::Wheel || !window_) return false;
        QCoreApplication::sendEvent(window_, e);
        return true;
    }

  private:
    QPointer<QWidget> window_;
};

void run_action(ControlRef c, std::int16_t part) {
    if (!c->action || c->in_action) return;
    c->in_action = true;
    c->action(c, part);
    c->in_action = false;
}

// Arrows and pages are the action routine's to carry out; the thumb moves the value itself.
void connect_scroll_actions(ControlRef c, QAbstractSlider* slider) {
    QObject::connect(slider, &QAbstractSlider::actionTriggered, slider, [c, slider](int action) {
        std::int16_t part = 0;
        switch (action) {
            case QAbstractSlider::SliderSingleStepSub:
                part = kControlUpButtonPart;
                break;
            case QAbstractSlider::SliderSingleStepAdd:
                part = kControlDownButtonPart;
                break;
            case QAbstractSlider::SliderPageStepSub:
                part = kControlPageUpPart;
                break;
            case QAbstractSlider::SliderPageStepAdd:
                part = kControlPageDownPart;
                break;
            default:
                return;
        }
        if (!c->action) return;
        slider->setSliderPosition(slider->value());
        run_action(c, part);
    });
    QObject::connect(slider, &QAbstractSlider::valueChanged, slider, [c, slider](int) {
        if (slider->isSliderDown()) run_action(c, kControlIndicatorPart);
    });
}

}  // namespace

namespace {

OSType four_cc_text(const QString& text) {
    const QByteArray b = text.toLatin1();
    if (b.size() != 4) return 0;
    const char code[5] = {b[0], b[1], b[2], b[3], 0};
    return FOUR_CC(code);
}

}  // namespace

OSType four_cc_property(const QObject* object, const char* name) {
    return four_cc_text(object->property(name).toString());
}

void connect_command_controls(QWidget* root) {
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
        const OSType command = four_cc_property(b, "command");
        if (command)
            QObject::connect(b, &QAbstractButton::clicked, b,
                             [command] { ProcessHICommand(command); });
    }
    for (QComboBox* box : root->findChildren<QComboBox*>()) {
        const QStringList codes = box->property("item_commands").toString().split(QLatin1Char(','));
        std::vector<OSType> commands;
        for (const QString& code : codes) commands.push_back(four_cc_text(code.trimmed()));
        QObject::connect(box, &QComboBox::activated, box, [commands](int index) {
            if (index >= 0 && std::size_t(index) < commands.size() && commands[std::size_t(index)])
                ProcessHICommand(commands[std::size_t(index)]);
        });
    }
}

ControlRef control_for_widget(WindowRef window, QWidget* widget) {
    for (const auto& c : window->controls)
        if (c->widget == widget) return c.get();
    auto c = std::make_unique<OpaqueControlRef>();
    c->widget = widget;
    c->owner = window;
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        connect_scroll_actions(c.get(), slider);
        if (qobject_cast<QScrollBar*>(slider))
            slider->installEventFilter(new WheelToWindow(slider, window->widget));
    }
    window->controls.push_back(std::move(c));
    return window->controls.back().get();
}

OSStatus GetControlByID(WindowRef window, const ControlID* id, ControlRef* out) {
    *out = nullptr;
    for (QWidget* w : window->widget->findChildren<QWidget*>()) {
        if (four_cc_property(w, "signature") == id->signature && w->property("id").isValid() &&
            w->property("id").toInt() == id->id) {
            *out = control_for_widget(window, w);
            return noErr;
        }
    }
    return errUnknownControl;
}

std::int32_t GetControlValue(ControlRef c) {
    QWidget* w = c->widget;
    if (auto* s = qobject_cast<QAbstractSlider*>(w)) return s->value();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->isChecked() ? 1 : 0;
    if (auto* box = qobject_cast<QComboBox*>(w)) return box->currentIndex() + 1;
    if (auto* p = qobject_cast<QProgressBar*>(w)) return p->value();
    return c->value;
}

void SetControlValue(ControlRef c, std::int32_t value) {
    QWidget* w = c->widget;
    if (auto* s = qobject_cast<QAbstractSlider*>(w)) {
        s->setValue(value);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setCheckable(true);
        b->setChecked(value != 0);
    } else if (auto* box = qobject_cast<QComboBox*>(w)) {
        box->setCurrentIndex(std::clamp(value, 1, std::max(1, box->count())) - 1);
    } else if (auto* p = qobject_cast<QProgressBar*>(w)) {
        p->setValue(std::clamp(value, p->minimum(), p->maximum()));
    } else {
        c->value = std::clamp(value, c->minimum, std::max(c->minimum, c->maximum));
    }
}

std::int32_t GetControlMinimum(ControlRef c) {
    QWidget* w = c->widget;
    if (auto* s = qobject_cast<QAbstractSlider*>(w)) return s->minimum();
    if (qobject_cast<QAbstractButton*>(w)) return 0;
    if (qobject_cast<QComboBox*>(w)) return 1;
    if (auto* p = qobject_cast<QProgressBar*>(w)) return p->minimum();
    return c->minimum;
}

void SetControlMinimum(ControlRef c, std::int32_t value) {
    QWidget* w = c->widget;
    if (auto* s = qobject_cast<QAbstractSlider*>(w))
        s->setMinimum(value);
    else if (auto* p = qobject_cast<QProgressBar*>(w))
        p->setMinimum(value);
    else
        c->minimum = value;
}

std::int32_t GetControlMaximum(ControlRef c) {
    QWidget* w = c->widget;
    if (auto* s = qobject_cast<QAbstractSlider*>(w)) return s->maximum();
    if (qobject_cast<QAbstractButton*>(w)) return 1;
    if (auto* box = qobject_cast<QComboBox*>(w)) return box->count();
    if (auto* p = qobject_cast<QProgressBar*>(w)) return p->maximum();
    return c->maximum;
}

void SetControlMaximum(ControlRef c, std::int32_t value) {
    QWidget* w = c->widget;
    if (auto* s = qobject_cast<QAbstractSlider*>(w))
        s->setMaximum(value);
    else if (auto* p = qobject_cast<QProgressBar*>(w))
        p->setMaximum(value);
    else
        c->maximum = value;
}

void SetControlViewSize(ControlRef c, std::int32_t size) {
    if (auto* s = qobject_cast<QAbstractSlider*>(c->widget)) s->setPageStep(std::max(1, size));
}

void ShowControl(ControlRef c) {
    c->widget->setVisible(true);
}
void HideControl(ControlRef c) {
    c->widget->setVisible(false);
}
bool IsControlVisible(ControlRef c) {
    return !c->widget->isHidden();
}
void ActivateControl(ControlRef c) {
    c->widget->setEnabled(true);
}
void DeactivateControl(ControlRef c) {
    c->widget->setEnabled(false);
}
bool IsControlActive(ControlRef c) {
    return c->widget->isEnabled();
}
void HiliteControl(ControlRef c, std::int16_t part) {
    c->widget->setEnabled(part != 255);
}

void MoveControl(ControlRef c, std::int16_t h, std::int16_t v) {
    c->widget->move(h, v);
}

void SizeControl(ControlRef c, std::int16_t width, std::int16_t height) {
    c->widget->resize(width, height);
}

void GetControlBounds(ControlRef c, Rect* out) {
    const QPoint p = c->widget->mapTo(c->owner->widget, QPoint(0, 0));
    SetRect(out, p.x(), p.y(), p.x() + c->widget->width(), p.y() + c->widget->height());
}

WindowRef GetControlOwner(ControlRef c) {
    return c->owner;
}

void SetControlText(ControlRef c, const char* utf8_text) {
    const QString text = QString::fromUtf8(utf8_text);
    QWidget* w = c->widget;
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(w))
        group->setTitle(text);
}

std::string GetControlText(ControlRef c) {
    QWidget* w = c->widget;
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text().toStdString();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text().toStdString();
    if (auto* group = qobject_cast<QGroupBox*>(w)) return group->title().toStdString();
    return {};
}

void DrawOneControl(ControlRef c) {
    if (c->widget->isVisible()) c->widget->repaint();
}

void SetControlAction(ControlRef c, ControlActionProcPtr action) {
    c->action = action;
}

void SetControlPicture(ControlRef c, std::int16_t id) {
    auto* label = qobject_cast<QLabel*>(c->widget.data());
    if (!label) return;
    c->picture = id;
    label->setPixmap(QPixmap(QStringLiteral(":/pictures/%1.png").arg(id)));
}

std::int16_t hooks_control_picture(ControlRef control) {
    return control->picture;
}

ControlRef FindControlUnderMouse(Point local, WindowRef window) {
    QWidget* w = window->widget->childAt(local.h, local.v);
    // Parts of a compound widget (a combo box's button) count as the widget itself.
    for (QWidget* p = w; p && p != window->widget; p = p->parentWidget())
        if (p->property("signature").isValid() || p->property("item").isValid())
            return control_for_widget(window, p);
    return w ? control_for_widget(window, w) : nullptr;
}

std::int32_t hooks_view_size(ControlRef control) {
    auto* slider = qobject_cast<QAbstractSlider*>(control->widget.data());
    return slider ? slider->pageStep() : 0;
}

void hooks_control_part(ControlRef control, std::int16_t part) {
    auto* slider = qobject_cast<QAbstractSlider*>(control->widget.data());
    if (!slider) return;
    switch (part) {
        case kControlUpButtonPart:
            slider->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case kControlDownButtonPart:
            slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        case kControlPageUpPart:
            slider->triggerAction(QAbstractSlider::SliderPageStepSub);
            break;
        case kControlPageDownPart:
            slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
            break;
        default:
            // The thumb dragged one step down.
            slider->setSliderDown(true);
            slider->setSliderPosition(slider->value() + 1);
            slider->setSliderDown(false);
            break;
    }
}

void hooks_press_control(ControlRef control) {
    if (auto* b = qobject_cast<QAbstractButton*>(control->widget.data())) b->click();
}

void hooks_choose_popup_item(ControlRef control, int item) {
    auto* box = qobject_cast<QComboBox*>(control->widget.data());
    if (!box || item < 1 || item > box->count()) return;
    box->setCurrentIndex(item - 1);
    emit box->activated(item - 1);
}
