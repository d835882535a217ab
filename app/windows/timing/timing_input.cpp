// SPDX-License-Identifier: GPL-3.0-or-later
//
// The timing view's mouse, wheel and keys: the pictures' events and the window's key presses
// are translated into the instrument's conventions (buttons, shift mask, key codes, picture
// pixels) and handed to the core's gestures (core/timing/gestures.h), which write the values
// into the controls. The window shows the pointer shape and gives the focus where the
// gestures ask.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>

#include "core/base/state.h"
#include "core/logic/logic_panel.h"
#include "core/timing/frontpanel.h"
#include "core/timing/gestures.h"
#include "windows/timing/timing_view.h"

namespace vrx {

namespace {

constexpr int kTrackMarkWidth = 6;

int Buttons(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? kLeftButton : 0) | (b & Qt::RightButton ? kRightButton : 0) |
           (b & Qt::MiddleButton ? kMiddleButton : 0);
}

int Shift(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? kShiftMask : 0) | (m & Qt::ControlModifier ? kCtrlMask : 0) |
           (m & Qt::AltModifier ? kAltMask : 0);
}

// Key code of a key the view acts on; 0 for the others.
int KeyCode(const QKeyEvent *e) {
    const bool keypad = e->modifiers() & Qt::KeypadModifier;
    switch (e->key()) {
    case Qt::Key_Left:
        return kKeyLeft;
    case Qt::Key_Right:
        return kKeyRight;
    case Qt::Key_PageUp:
        return kKeyPageUp;
    case Qt::Key_PageDown:
        return kKeyPageDown;
    case Qt::Key_Home:
        return kKeyHome;
    case Qt::Key_End:
        return kKeyEnd;
    case Qt::Key_Plus:
        return keypad ? kKeyAdd : 0;
    case Qt::Key_Minus:
        return keypad ? kKeySubtract : 0;
    default:
        return 0;
    }
}

} // namespace

void TimingView::buildInput() {
    TimingPanel &f = form1();
    TimingGestures &g = gestures();
    // The trace and logic pictures take the focus on a click: the screen keys act on them.
    for (PictureBox *pic : picScope) {
        pic->setFocusPolicy(Qt::ClickFocus);
        pic->setMouseTracking(true); // the sizing pointer over a band, without a button
    }
    Picture1->setFocusPolicy(Qt::ClickFocus);
    Picture1->setToolTip(QStringLiteral("Mouse left down for data move, right down to Ch move"));

    const std::pair<const ControlBase *, QWidget *> controls[] = {
        {&f.cmbRate, cmbRate},
        {&f.cmbDepth, cmbDepth},
        {&f.cmbZoom, cmbZoom},
        {&f.cmbCapture, cmbCapture},
        {&f.cmbTrigCh, cmbTrigCh},
        {&f.cmbSlope, cmbSlope},
        {&f.cmbProbe, cmbProbe},
        {&f.cmbVdiv, cmbVdiv},
        {&f.cmbCouple, cmbCouple},
        {&f.ScrollLevel, ScrollLevel},
        {&f.ScrollOffset, ScrollOffset},
        {&f.Scrollscr, Scrollscr},
        {&f.ScrollVbar[0], ScrollVbar[0]},
        {&f.ScrollVbar[1], ScrollVbar[1]},
        {&f.ScrollVbar[2], ScrollVbar[2]}};
    focusable_.assign(std::begin(controls), std::end(controls));
    for (size_t c = 0; c < txtName.size(); ++c)
        focusable_.emplace_back(&logicPanel().txtName[c], txtName[c]);
    g.TakeFocus = [guard = QPointer<TimingView>(this)](ControlBase &c) {
        if (!guard) return;
        if (QWidget *w = guard->widgetOf(c)) w->setFocus(Qt::OtherFocusReason);
    };

    // The track marker over the lanes' left edge, where the moved row will go.
    PicIndex = new QFrame(this);
    PicIndex->setObjectName(QStringLiteral("PicIndex"));
    PicIndex->setAttribute(Qt::WA_TransparentForMouseEvents);
    PicIndex->setAutoFillBackground(true);
    FrameModel &m = g.PicIndex;
    QPointer<QFrame> mark(PicIndex);
    QPointer<PictureBox> lanes(Picture1);
    auto place = [this, mark, lanes, &m] {
        if (!mark || !lanes) return;
        mark->setGeometry(lanes->x(), lanes->y() + m.top(), kTrackMarkWidth,
                          std::max(m.height(), 1));
        mark->setToolTip(m.toolTip());
        ApplyColors(mark, app().colors[ColUpScreen], app().colors[ColUpScreen]);
        mark->setVisible(m.visible());
        mark->raise();
        // The moved row's frame passes over the others.
        const int16_t row = app().pointer.PickedRow;
        if (m.visible() && row >= 0 && row < 16) Frame1[static_cast<size_t>(row)]->raise();
    };
    const int id = m.subscribe(place);
    connect(PicIndex, &QObject::destroyed, [&m, id] { m.unsubscribe(id); });
    place();

    // Key preview: the window sees the keys before the control with the focus; the pictures'
    // events and the focus changes pass the same filter.
    qApp->installEventFilter(this);
}

QWidget *TimingView::widgetOf(const ControlBase &control) const {
    for (const auto &[model, widget] : focusable_)
        if (model == &control) return widget;
    return nullptr;
}

bool TimingView::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        break;
    default:
        return false;
    }
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w) return false;
    if (event->type() == QEvent::FocusIn) {
        // A list or a name box that gets the focus is what the letter keys act on.
        const bool keyed = qobject_cast<QComboBox *>(w) || qobject_cast<QLineEdit *>(w);
        for (const auto &[model, widget] : focusable_)
            if (widget == w && keyed) gestures().FocusGot(*model);
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        // Seen once, at the control with the focus, not again as it goes up to the parents.
        return w->window() == window() && w == window()->focusWidget() &&
               keyPreview(w, static_cast<QKeyEvent *>(event));
    }
    if (w == picScope[0] || w == picScope[1] || w == Picture1 || w == Picture2)
        return pictureEvent(w, event);
    return false;
}

bool TimingView::keyPreview(QWidget *receiver, QKeyEvent *e) {
    TimingGestures &g = gestures();
    // A name box takes what is typed into it.
    if (qobject_cast<QLineEdit *>(receiver)) return false;
    const int code = KeyCode(e);
    if (code != 0 && g.Form_KeyDown(code, Shift(e->modifiers()))) return true;
    if (code != 0 && (receiver == picScope[0] || receiver == picScope[1])) {
        g.picScope_KeyDown(code, Shift(e->modifiers()));
        return true;
    }
    if (code != 0 && receiver == Picture1) {
        g.Picture1_KeyDown(code, Shift(e->modifiers()));
        return true;
    }
    // Letters with Ctrl or Alt are the menus' and the access keys'.
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier) || e->text().size() != 1)
        return false;
    return g.Form_KeyPress(e->text().at(0).unicode());
}

bool TimingView::pictureEvent(QWidget *picture, QEvent *event) {
    TimingGestures &g = gestures();
    const bool scope = picture == picScope[0] || picture == picScope[1];
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        const double x = e->position().x();
        const double y = e->position().y();
        const int shift = Shift(e->modifiers());
        // A press or a release names its own button; a move the buttons held.
        const int button = Buttons(
            event->type() == QEvent::MouseMove ? e->buttons() : Qt::MouseButtons(e->button()));
        using Handler = void (TimingGestures::*)(int, int, double, double);
        static const Handler scopeHandlers[3] = {&TimingGestures::picScope_MouseDown,
                                                 &TimingGestures::picScope_MouseUp,
                                                 &TimingGestures::picScope_MouseMove};
        static const Handler logicHandlers[3] = {&TimingGestures::Picture1_MouseDown,
                                                 &TimingGestures::Picture1_MouseUp,
                                                 &TimingGestures::Picture1_MouseMove};
        static const Handler overviewHandlers[3] = {&TimingGestures::Picture2_MouseDown,
                                                    &TimingGestures::Picture2_MouseUp,
                                                    &TimingGestures::Picture2_MouseMove};
        const Handler *handlers = scope                 ? scopeHandlers
                                  : picture == Picture1 ? logicHandlers
                                                        : overviewHandlers;
        const int which = event->type() == QEvent::MouseButtonPress     ? 0
                          : event->type() == QEvent::MouseButtonRelease ? 1
                                                                        : 2;
        if (which == 0 && picture != Picture2) picture->setFocus(Qt::MouseFocusReason);
        (g.*handlers[which])(button, shift, x, y);
        if (scope) {
            if (app().pointer.MousePointer == kPointerSizeNS)
                picture->setCursor(Qt::SizeVerCursor);
            else
                picture->unsetCursor();
        }
        return true;
    }
    case QEvent::Wheel: {
        auto *e = static_cast<QWheelEvent *>(event);
        const QPoint d = e->angleDelta();
        wheelAngle_ += d.y() != 0 ? d.y() : d.x();
        const int steps = wheelAngle_ / 120;
        wheelAngle_ -= steps * 120;
        // The trace and the lanes share their columns; over the overview strip a zoom keeps
        // the middle of the screen in place.
        const double x = picture != Picture2 ? e->position().x() : app().screen.ScreenSamples / 2.0;
        g.Wheel(steps, Shift(e->modifiers()), x);
        return true;
    }
    default:
        return false;
    }
}

} // namespace vrx
