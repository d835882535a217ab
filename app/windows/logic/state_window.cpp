// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/logic/state_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "core/logic/state_listing.h"
#include "windows/common/widgets.h"

namespace vrx {

namespace {

constexpr int kColumnWidth = 96; // a bus column's list and name box
constexpr int kRowHeight = 24;

} // namespace

StateWindow::StateWindow(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmState"));
    setWindowTitle(QStringLiteral("State display"));
    StateListing &f = frmState();

    auto *top = new QHBoxLayout;
    cmbArrange = MakeList(this, QStringLiteral("cmbArrange"), f.cmbArrange);
    cmbArrange->setFont(FixedFont());
    cmdMnemonic =
        MakeCommand(this, QStringLiteral("cmdMnemonic"), QStringLiteral("Mnemonic"), f.cmdMnemonic);
    top->addWidget(cmbArrange);
    top->addWidget(cmdMnemonic);
    top->addWidget(MakeLabel(this, QStringLiteral("lbKeys"), f.lbKeys), 1);

    Picture1 = new PictureBox([&f]() -> const QImage & { return f.Shown(); }, this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setFixedSize(f.Picture1.size());
    Picture1->setFocusPolicy(Qt::StrongFocus);
    Picture1->installEventFilter(this);

    auto *listing = new QVBoxLayout;
    listing->setSpacing(0);
    listing->addWidget(buildColumns(), 0, Qt::AlignLeft);
    listing->addWidget(Picture1, 0, Qt::AlignLeft);
    listing->addStretch(1);
    auto *body = new QHBoxLayout;
    body->addLayout(listing);
    body->addWidget(buildMnemonics(), 0, Qt::AlignTop);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);
    v->addLayout(top);
    v->addLayout(body);
    v->setSizeConstraint(QLayout::SetFixedSize);

    tracesDrawn_ = Subscribe(Event::TracesDrawn, [&f] { f.OnTracesDrawn(); });
    picturesChanged_ = Subscribe(Event::PicturesChanged, [this] { Picture1->update(); });
}

StateWindow::~StateWindow() {
    frmState().fmMnemonic.unsubscribe(frameFollow_);
}

// The lists and name boxes over the bus columns: a box's left edge is its column's edge.
QWidget *StateWindow::buildColumns() {
    StateListing &f = frmState();
    auto *w = new QWidget(this);
    w->setFixedSize(f.Picture1.width(), 2 * kRowHeight + 4);
    for (int b = 0; b < 3; ++b) {
        const auto k = static_cast<size_t>(b);
        cmbState[k] = MakeList(w, Indexed("cmbState", b), f.cmbState[k]);
        cmbState[k]->setGeometry(StateListing::kBusLeft[k], 0, kColumnWidth, kRowHeight);
        txtBus[k] = MakeText(w, Indexed("txtBus", b), f.txtBus[k]);
        txtBus[k]->setGeometry(StateListing::kBusLeft[k], kRowHeight + 2, kColumnWidth, kRowHeight);
    }
    lbPosition = MakeLabel(w, QStringLiteral("lbPosition"), f.lbPosition);
    lbPosition->setGeometry(StateListing::kPositionLeft, kRowHeight + 2,
                            StateListing::kPositionWidth, kRowHeight);
    Label1 = MakeLabel(w, QStringLiteral("Label1"), f.Label1);
    Label1->setGeometry(StateListing::kMnemonicLeft, kRowHeight + 2, kColumnWidth, kRowHeight);
    return w;
}

QGroupBox *StateWindow::buildMnemonics() {
    StateListing &f = frmState();
    fmMnemonic = new QGroupBox(f.fmMnemonic.text(), this);
    fmMnemonic->setObjectName(QStringLiteral("fmMnemonic"));
    auto *g = new QGridLayout(fmMnemonic);
    g->setVerticalSpacing(2);
    for (int i = 0; i < 16; ++i) {
        const auto k = static_cast<size_t>(i);
        chkCode[k] = MakeCheck<QCheckBox>(fmMnemonic, Indexed("chkCode", i), {}, f.chkCode[k]);
        txtCode[k] = MakeWordText(fmMnemonic, Indexed("txtCode", i), f.txtCode[k]);
        txtMnem[k] = MakeText(fmMnemonic, Indexed("txtMnem", i), f.txtMnem[k]);
        g->addWidget(chkCode[k], i, 0);
        g->addWidget(txtCode[k], i, 1);
        g->addWidget(txtMnem[k], i, 2);
    }
    auto follow = [this, &f] { fmMnemonic->setVisible(f.fmMnemonic.visible()); };
    frameFollow_ = f.fmMnemonic.subscribe(follow);
    follow();
    return fmMnemonic;
}

bool StateWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched != Picture1) return QWidget::eventFilter(watched, event);
    StateListing &f = frmState();
    switch (event->type()) {
    case QEvent::KeyPress:
        f.Picture1_KeyDown(static_cast<QKeyEvent *>(event)->key());
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove: {
        auto *m = static_cast<QMouseEvent *>(event);
        const int y = m->position().toPoint().y();
        if (event->type() == QEvent::MouseButtonPress) {
            Picture1->setFocus();
            if (m->button() == Qt::LeftButton) f.Picture1_MouseDown(y);
        } else if (m->buttons() & Qt::LeftButton) {
            f.Picture1_MouseMove(y);
        }
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void StateWindow::closeEvent(QCloseEvent *event) {
    frmState().Unload();
    emit closed();
    event->accept();
}

} // namespace vrx
