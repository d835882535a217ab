// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/common/widgets.h"

#include <algorithm>

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QtMath>

namespace vrx {

QString Indexed(const char *name, int i) {
    return QStringLiteral("%1(%2)").arg(QString::fromLatin1(name)).arg(i);
}

void KeepLabelSize(QLabel *l, const QStringList &texts) {
    const QString shown = l->text();
    QSize size(0, 0);
    for (const QString &t : texts) {
        l->setText(t);
        size = size.expandedTo(l->sizeHint());
    }
    l->setText(shown);
    if (l->minimumWidth() == l->maximumWidth()) size.setWidth(l->minimumWidth());
    l->setFixedSize(std::max(size.width(), l->minimumWidth()), size.height());
}

void ValueLabel::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange) text_.reset();
    QLabel::changeEvent(event);
}

void ValueLabel::paintEvent(QPaintEvent *event) {
    if (!text_) text_ = std::make_unique<FixedText>(font(), this);
    const QString shown = text();
    if (!text_->fixedPitch() || !isEnabled() || shown.contains(QLatin1Char('\n')) ||
        textFormat() != Qt::PlainText) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    drawFrame(&p);
    const int inset = margin();
    const QRect cr = contentsRect().adjusted(inset, inset, -inset, -inset);
    const QFontMetrics fm(text_->font());
    const QRect box = QStyle::alignedRect(
        layoutDirection(), alignment(), QSize(qCeil(text_->width(shown.size())), fm.height()), cr);
    p.setFont(text_->font());
    p.setPen(palette().color(foregroundRole()));
    text_->add(p, QPointF(box.left(), box.top() + fm.ascent()), shown);
    text_->draw(p);
}

QComboBox *MakeList(QWidget *parent, const QString &name, ListModel &m) {
    auto *w = new QComboBox(parent);
    w->setObjectName(name);
    w->setMaxVisibleItems(36);
    BindList(w, m);
    return w;
}

QScrollBar *MakeScroll(QWidget *parent, const QString &name, Qt::Orientation o, ScrollModel &m) {
    auto *w = new QScrollBar(o, parent);
    w->setObjectName(name);
    BindScroll(w, m);
    return w;
}

QLineEdit *MakeText(QWidget *parent, const QString &name, TextModel &m) {
    auto *w = new QLineEdit(parent);
    w->setObjectName(name);
    BindText(w, m);
    return w;
}

QFont FixedFont() {
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    return fixed;
}

QLineEdit *MakeWordText(QWidget *parent, const QString &name, TextModel &m) {
    QLineEdit *w = MakeText(parent, name, m);
    const QFont fixed = FixedFont();
    w->setFont(fixed);
    w->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(18, 'x')));
    return w;
}

QLabel *MakeCaption(QWidget *parent, const QString &text) {
    auto *w = new QLabel(text, parent);
    w->setTextFormat(Qt::PlainText);
    return w;
}

QAction *MakeToolButton(QToolBar *bar, ToolButtonModel &m, const QIcon &icon) {
    QAction *a = bar->addAction(icon, m.key());
    a->setObjectName(m.key());
    BindToolButton(a, m);
    return a;
}

QPushButton *MakeCommand(QWidget *parent, const QString &name, const QString &text, CheckModel &m) {
    auto *b = MakeCheck<QPushButton>(parent, name, text, m);
    b->setCheckable(false);
    return b;
}

} // namespace vrx
