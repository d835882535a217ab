// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/common/bind_widgets.h"

#include <algorithm>

#include <QApplication>
#include <QFrame>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVariant>

#include "core/timing/pictures.h"
#include "windows/common/if_changed.h"

namespace vrx {

void ClickLabel::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && isEnabled()) emit clicked();
    QLabel::mousePressEvent(event);
}

QColor TableColor(int32_t bgr) {
    return QColor::fromRgb(ToQRgb(bgr));
}

namespace {

// The colour pair last applied to a widget, kept on the widget itself.
constexpr char kAppliedColors[] = "vrxAppliedColors";

} // namespace

void ApplyColors(QWidget *w, int32_t fore, int32_t back) {
    // The palette is built and compared once per colour change, not on every update of the
    // control: a palette copy detaches its brushes, and a set palette repolishes the widget.
    const auto key =
        static_cast<qulonglong>(static_cast<uint32_t>(fore)) << 32 | static_cast<uint32_t>(back);
    const QVariant applied = w->property(kAppliedColors);
    if (applied.isValid() && applied.toULongLong() == key) return;
    w->setProperty(kAppliedColors, key);
    // Start from the palette the widget would have without colours of its own.
    QPalette pal = QApplication::palette(w);
    if (!IsSysColor(fore)) {
        const QColor c = TableColor(fore);
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            for (auto group : {QPalette::Active, QPalette::Inactive})
                pal.setColor(group, role, c);
    }
    if (!IsSysColor(back)) {
        const QColor c = TableColor(back);
        for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
            pal.setColor(role, c);
    }
    SetPaletteIfChanged(w, pal);
    if (w->autoFillBackground() == IsSysColor(back)) w->setAutoFillBackground(!IsSysColor(back));
}

namespace {

// Copies the properties every control has.
void SyncCommon(QWidget *w, const ControlBase &m) {
    if (w->isEnabled() != m.enabled()) w->setEnabled(m.enabled());
    // A hidden parent hides the widget anyway; only the control's own flag is mirrored.
    if (w->isHidden() == m.visible()) w->setVisible(m.visible());
    if (w->toolTip() != m.toolTip()) w->setToolTip(m.toolTip());
    ApplyColors(w, m.foreColor(), m.backColor());
}

// Subscribes `sync` to the model for the lifetime of the widget and runs it once.
template <typename W, typename M, typename F> void Follow(W *w, M &m, F sync) {
    QPointer<W> guard(w);
    const int id = m.subscribe([guard, &m, sync] {
        if (guard) sync(guard.data(), m);
    });
    QObject::connect(w, &QObject::destroyed, [&m, id] { m.unsubscribe(id); });
    sync(w, m);
}

} // namespace

void BindList(QComboBox *w, ListModel &m) {
    Follow(w, m, [](QComboBox *box, const ListModel &model) {
        const QSignalBlocker block(box);
        QStringList shown;
        for (int i = 0; i < box->count(); ++i)
            shown.append(box->itemText(i));
        if (shown != model.items()) {
            box->clear();
            box->addItems(model.items());
        }
        if (box->currentIndex() != model.index()) box->setCurrentIndex(model.index());
        SyncCommon(box, model);
    });
    // `activated` also comes for the item already selected: the list's Click runs again, as
    // the instrument's lists do.
    QObject::connect(w, &QComboBox::activated, w, [&m](int i) { m.setIndex(i); });
}

void BindScroll(QScrollBar *w, ScrollModel &m) {
    Follow(w, m, [](QScrollBar *bar, const ScrollModel &model) {
        const QSignalBlocker block(bar);
        // A reversed range (min above max) runs the other way on screen.
        const bool reversed = model.min() > model.max();
        bar->setInvertedAppearance(reversed);
        bar->setInvertedControls(reversed);
        bar->setRange(std::min(model.min(), model.max()), std::max(model.min(), model.max()));
        bar->setSingleStep(std::max(model.smallChange(), 1));
        bar->setPageStep(std::max(model.largeChange(), 1));
        if (bar->value() != model.value()) bar->setValue(model.value());
        SyncCommon(bar, model);
    });
    QObject::connect(w, &QScrollBar::valueChanged, w, [&m](int v) {
        if (v != m.value()) m.setValue(v);
    });
}

void BindLabel(QLabel *w, LabelModel &m) {
    Follow(w, m, [](QLabel *label, const LabelModel &model) {
        SetTextIfChanged(label, model.text());
        const int frame = model.effect() == EffectRaised   ? QFrame::Panel | QFrame::Raised
                          : model.effect() == EffectSunken ? QFrame::Panel | QFrame::Sunken
                                                           : QFrame::NoFrame;
        // A new frame style recomputes the frame width and the label's layout.
        if (label->frameStyle() != frame) label->setFrameStyle(frame);
        SyncCommon(label, model);
    });
    if (auto *click = qobject_cast<ClickLabel *>(w))
        QObject::connect(click, &ClickLabel::clicked, click, [&m] { m.click(); });
}

void BindToolButton(QAction *a, ToolButtonModel &m, std::function<void()> onTrigger) {
    a->setCheckable(true);
    QPointer<QAction> guard(a);
    auto sync = [guard, &m] {
        if (!guard) return;
        const QSignalBlocker block(guard.data());
        guard->setChecked(m.pressed());
        guard->setEnabled(m.enabled());
        guard->setVisible(m.visible());
        guard->setToolTip(m.toolTip());
    };
    const int id = m.subscribe(sync);
    QObject::connect(a, &QObject::destroyed, [&m, id] { m.unsubscribe(id); });
    sync();
    QObject::connect(a, &QAction::triggered, a, [guard, &m, onTrigger, sync] {
        // The pressed look belongs to the handler; the click itself does not toggle it.
        sync();
        if (onTrigger)
            onTrigger();
        else
            m.click();
    });
}

void BindText(QLineEdit *w, TextModel &m) {
    Follow(w, m, [](QLineEdit *box, const TextModel &model) {
        const QSignalBlocker block(box);
        box->setMaxLength(model.maxLength() > 0 ? model.maxLength() : 32767);
        if (box->text() != model.text()) box->setText(model.text());
        SyncCommon(box, model);
    });
    QObject::connect(w, &QLineEdit::textEdited, w, [&m](const QString &t) { m.edit(t); });
    QObject::connect(w, &QLineEdit::editingFinished, w, [&m] { m.validate(); });
}

void BindMenuItem(QAction *a, CheckModel &m, bool checkable) {
    a->setCheckable(checkable);
    auto sync = [](QAction *action, const CheckModel &model) {
        const QSignalBlocker block(action);
        if (action->isCheckable()) action->setChecked(model.checked());
        action->setEnabled(model.enabled());
        action->setVisible(model.visible());
    };
    Follow(a, m, sync);
    QPointer<QAction> guard(a);
    QObject::connect(a, &QAction::triggered, a, [guard, &m, sync] {
        m.click();
        // The item shows the handler's mark, not the one the click toggled.
        if (guard) sync(guard.data(), m);
    });
}

void BindCheck(QAbstractButton *w, CheckModel &m) {
    auto sync = [](QAbstractButton *button, const CheckModel &model) {
        const QSignalBlocker block(button);
        if (button->isChecked() != model.checked()) button->setChecked(model.checked());
        SyncCommon(button, model);
    };
    w->setCheckable(true);
    w->setAutoExclusive(false);
    Follow(w, m, sync);
    QPointer<QAbstractButton> guard(w);
    QObject::connect(w, &QAbstractButton::clicked, w, [guard, &m, sync] {
        m.click();
        if (guard) sync(guard.data(), m);
    });
}

void BindProgress(QProgressBar *w, ScrollModel &m) {
    Follow(w, m, [](QProgressBar *bar, const ScrollModel &model) {
        bar->setRange(model.min(), model.max());
        bar->setValue(model.value());
        SyncCommon(bar, model);
    });
}

} // namespace vrx
