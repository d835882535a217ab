// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/decode/decoders_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/base/state.h"
#include "core/decode/decoders.h"
#include "core/decode/runner.h"
#include "core/decode/setup.h"

namespace vrx {

namespace {

constexpr int kStackRole = Qt::UserRole, kLayerRole = Qt::UserRole + 1;

QString LineText(int line) {
    return line < 0 ? QStringLiteral("-") : QStringLiteral("D%1").arg(line);
}

} // namespace

DecodersWindow::DecodersWindow(decode::Runner &runner, QWidget *parent)
    : QWidget(parent), runner_(runner) {
    setObjectName(QStringLiteral("frmDecoders"));
    setWindowTitle(QStringLiteral("Decoders"));

    // The installed decoders.
    lstInstalled = new QListWidget(this);
    lstInstalled->setObjectName(QStringLiteral("lstInstalled"));
    QString why;
    if (decode::LoadLibrary(&why)) {
        for (const decode::DecoderInfo &d : decode::Installed()) {
            auto *item = new QListWidgetItem(QStringLiteral("%1 - %2").arg(d.id, d.longname));
            item->setData(Qt::UserRole, d.id);
            item->setToolTip(d.desc);
            lstInstalled->addItem(item);
        }
    }
    lbDesc = new QLabel(why, this);
    lbDesc->setObjectName(QStringLiteral("lbDesc"));
    lbDesc->setWordWrap(true);
    lbDesc->setMinimumHeight(36);
    cmdAdd = new QPushButton(QStringLiteral("Add"), this);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdStack = new QPushButton(QStringLiteral("Stack on"), this);
    cmdStack->setObjectName(QStringLiteral("cmdStack"));
    connect(lstInstalled, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        const decode::DecoderInfo *d =
            item ? decode::Find(item->data(Qt::UserRole).toString()) : nullptr;
        lbDesc->setText(d ? d->desc : QString());
    });

    // The set-up.
    tvStacks = new QTreeWidget(this);
    tvStacks->setObjectName(QStringLiteral("tvStacks"));
    tvStacks->setHeaderLabels({QStringLiteral("Decoder"), QStringLiteral("Status")});
    tvStacks->header()->setStretchLastSection(true);
    tvStacks->setColumnWidth(0, 200);
    cmdRemove = new QPushButton(QStringLiteral("Remove"), this);
    cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    fmOptions = new QWidget(this);
    fmOptions->setObjectName(QStringLiteral("fmOptions"));
    form_ = new QFormLayout(fmOptions);
    form_->setContentsMargins(0, 0, 0, 0);
    lbMessage = new QLabel(this);
    lbMessage->setObjectName(QStringLiteral("lbMessage"));
    lbMessage->setWordWrap(true);
    lbMessage->setStyleSheet(QStringLiteral("color: #c00000"));

    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Installed decoders"), this));
    left->addWidget(lstInstalled, 1);
    left->addWidget(lbDesc);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdStack);
    left->addLayout(buttons);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Stacks"), this));
    right->addWidget(tvStacks, 1);
    right->addWidget(fmOptions);
    right->addWidget(cmdRemove, 0, Qt::AlignLeft);
    right->addWidget(lbMessage);
    auto *h = new QHBoxLayout(this);
    h->addLayout(left, 2);
    h->addLayout(right, 3);
    resize(760, 480);

    auto chosen = [this] {
        QListWidgetItem *item = lstInstalled->currentItem();
        return item ? item->data(Qt::UserRole).toString() : QString();
    };
    connect(cmdAdd, &QPushButton::clicked, this, [this, chosen] {
        QStringList stacks = app().decode.Stacks;
        QString error;
        const bool ok = decode::AddStack(stacks, chosen(), &error);
        apply(stacks, ok, error);
        if (ok) Select(static_cast<int>(stacks.size()) - 1, 0);
    });
    connect(cmdStack, &QPushButton::clicked, this, [this, chosen] {
        const auto [stack, layer] = selected();
        QStringList stacks = app().decode.Stacks;
        QString error = QStringLiteral("select a stack to stack on");
        const bool ok = stack >= 0 && decode::StackOn(stacks, stack, chosen(), &error);
        apply(stacks, ok, error);
    });
    connect(cmdRemove, &QPushButton::clicked, this, [this] {
        const auto [stack, layer] = selected();
        if (stack < 0) return;
        QStringList stacks = app().decode.Stacks;
        decode::RemoveLayer(stacks, stack, layer);
        apply(stacks, true, {});
    });
    // The form is built again from the event loop: an edit of the form's own list or box
    // changes the set-up, and its widget must not go while it reports.
    connect(
        tvStacks, &QTreeWidget::currentItemChanged, this, [this] { showOptions(); },
        Qt::QueuedConnection);
    // A set-up changed elsewhere (a settings file, the runner) shows when its result comes.
    ready_ = Subscribe(Event::DecodesReady, [this] {
        if (shown_ != app().decode.Stacks)
            fillStacks();
        else
            showStatus();
    });
    applied_ = Subscribe(Event::SettingsApplied, [this] { fillStacks(); });
    fillStacks();
}

std::pair<int, int> DecodersWindow::selected() const {
    const QTreeWidgetItem *item = tvStacks->currentItem();
    if (!item) return {-1, -1};
    return {item->data(0, kStackRole).toInt(), item->data(0, kLayerRole).toInt()};
}

void DecodersWindow::Select(int stack, int layer) {
    QTreeWidgetItem *top = tvStacks->topLevelItem(stack);
    if (!top) return;
    tvStacks->setCurrentItem(layer <= 0 || layer > top->childCount() ? top->child(0)
                                                                     : top->child(layer));
}

void DecodersWindow::apply(const QStringList &stacks, bool ok, const QString &error) {
    lbMessage->setText(ok ? QString() : error);
    if (!ok) return;
    const auto [stack, layer] = selected();
    runner_.SetStacks(stacks);
    fillStacks();
    Select(std::min<int>(stack, static_cast<int>(stacks.size()) - 1), std::max(layer, 0));
}

void DecodersWindow::fillStacks() {
    const QSignalBlocker block(tvStacks);
    tvStacks->clear();
    const QStringList &stacks = app().decode.Stacks;
    shown_ = stacks;
    std::vector<decode::Stack> parsed;
    for (const QString &text : stacks)
        parsed.push_back(decode::ParseStack(text, nullptr).value_or(decode::Stack{}));
    const auto names = decode::InstanceNames(parsed);
    for (qsizetype i = 0; i < stacks.size(); ++i) {
        auto *top = new QTreeWidgetItem(tvStacks, {stacks[i]});
        top->setData(0, kStackRole, static_cast<int>(i));
        top->setData(0, kLayerRole, 0);
        top->setToolTip(0, stacks[i]);
        const auto &layers = parsed[static_cast<size_t>(i)].layers;
        for (size_t l = 0; l < layers.size(); ++l) {
            const decode::DecoderInfo *d = decode::Find(layers[l].id);
            auto *child = new QTreeWidgetItem(
                top, {QStringLiteral("%1 (%2)").arg(names[static_cast<size_t>(i)][l],
                                                    d ? d->longname : layers[l].id)});
            child->setData(0, kStackRole, static_cast<int>(i));
            child->setData(0, kLayerRole, static_cast<int>(l));
        }
        top->setExpanded(true);
    }
    showStatus();
    QMetaObject::invokeMethod(
        this, [this] { showOptions(); }, Qt::QueuedConnection);
}

void DecodersWindow::showStatus() {
    const decode::DecodeResult &r = runner_.result();
    for (int i = 0; i < tvStacks->topLevelItemCount(); ++i) {
        QTreeWidgetItem *top = tvStacks->topLevelItem(i);
        const bool known = static_cast<size_t>(i) < r.stacks.size() && r.serial != 0;
        QString text;
        QColor color = palette().color(QPalette::Text);
        if (known && !r.stacks[static_cast<size_t>(i)].error.isEmpty()) {
            text = QStringLiteral("Error: ") + r.stacks[static_cast<size_t>(i)].error;
            color = QColor(0xc0, 0, 0);
        } else if (known) {
            size_t n = 0;
            for (const decode::DecodedRow &row : r.stacks[static_cast<size_t>(i)].rows)
                n += row.annotations.size();
            text = QStringLiteral("%1 annotations").arg(n);
        } else {
            text = runner_.busy() ? QStringLiteral("decoding...") : QString();
        }
        top->setText(1, text);
        top->setToolTip(1, text);
        top->setForeground(1, color);
    }
}

void DecodersWindow::showOptions() {
    while (form_->rowCount() > 0)
        form_->removeRow(0);
    const auto [stack, layer] = selected();
    const QStringList &stacks = app().decode.Stacks;
    if (stack < 0 || stack >= stacks.size()) return;
    const std::optional<decode::Stack> s = decode::ParseStack(stacks[stack], nullptr);
    if (!s || layer < 0 || static_cast<size_t>(layer) >= s->layers.size()) return;
    const decode::Layer &l = s->layers[static_cast<size_t>(layer)];
    const decode::DecoderInfo *d = decode::Find(l.id);
    if (!d) return;
    for (const decode::OptionInfo &o : d->options) {
        QString value = o.defaultValue;
        for (const auto &[id, text] : l.options)
            if (id == o.id) value = text;
        const QString name = QStringLiteral("opt_") + o.id;
        auto set = [this, stack, layer, id = o.id](const QString &text) {
            QStringList edited = app().decode.Stacks;
            QString error;
            const bool ok = decode::SetOption(edited, stack, layer, id, text, &error);
            apply(edited, ok, error);
        };
        if (!o.values.isEmpty()) {
            auto *box = new QComboBox(fmOptions);
            box->setObjectName(name);
            box->addItems(o.values);
            box->setCurrentText(value);
            connect(box, &QComboBox::activated, this, [box, set](int) { set(box->currentText()); });
            form_->addRow(o.desc, box);
        } else {
            auto *edit = new QLineEdit(value, fmOptions);
            edit->setObjectName(name);
            connect(edit, &QLineEdit::editingFinished, this, [edit, set, value] {
                if (edit->text() != value) set(edit->text());
            });
            form_->addRow(o.desc, edit);
        }
    }
    if (layer != 0) return;
    for (const decode::ChannelInfo &c : d->channels) {
        auto *box = new QComboBox(fmOptions);
        box->setObjectName(QStringLiteral("ch_") + c.id);
        for (int line = -1; line < decode::kLines; ++line)
            box->addItem(LineText(line), line);
        const auto at = s->channels.find(c.id);
        box->setCurrentIndex(at == s->channels.end() ? 0 : at->second + 1);
        connect(box, &QComboBox::activated, this, [this, box, stack, id = c.id](int) {
            QStringList edited = app().decode.Stacks;
            QString error;
            const bool ok =
                decode::SetChannel(edited, stack, id, box->currentData().toInt(), &error);
            apply(edited, ok, error);
        });
        form_->addRow(c.optional ? c.name : c.name + QStringLiteral(" *"), box);
    }
}

void DecodersWindow::closeEvent(QCloseEvent *event) {
    app().display.DecodersOn = 0;
    emit closed();
    event->accept();
}

} // namespace vrx
