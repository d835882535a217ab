// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/decode/annotation_table.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/settings/file_write.h"

namespace vrx {

void AnnotationModel::setLines(std::vector<decode::TableLine> lines) {
    beginResetModel();
    lines_ = std::move(lines);
    endResetModel();
}

int AnnotationModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int AnnotationModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant AnnotationModel::data(const QModelIndex &index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const decode::TableLine &l = lines_[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return l.time;
    case 1:
        return l.decoder;
    case 2:
        return l.row;
    default:
        return l.text;
    }
}

QVariant AnnotationModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
    static const char *const names[] = {"Time", "Decoder", "Row", "Text"};
    return section >= 0 && section < 4 ? QString::fromLatin1(names[section]) : QVariant();
}

AnnotationTableWindow::AnnotationTableWindow(const decode::Runner &runner, QWidget *parent)
    : QWidget(parent), runner_(runner) {
    setObjectName(QStringLiteral("frmAnnotations"));
    setWindowTitle(QStringLiteral("Annotations"));
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setPlaceholderText(QStringLiteral("Search"));
    txtSearch->setClearButtonEnabled(true);
    cmdExport = new QPushButton(QStringLiteral("Export CSV"), this);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    model_ = new AnnotationModel(this);
    grdAnnotations = new QTableView(this);
    grdAnnotations->setObjectName(QStringLiteral("grdAnnotations"));
    grdAnnotations->setModel(model_);
    grdAnnotations->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdAnnotations->setSelectionMode(QAbstractItemView::SingleSelection);
    grdAnnotations->verticalHeader()->hide();
    grdAnnotations->verticalHeader()->setDefaultSectionSize(20);
    grdAnnotations->horizontalHeader()->setStretchLastSection(true);
    grdAnnotations->setColumnWidth(0, 110);
    grdAnnotations->setColumnWidth(1, 80);
    grdAnnotations->setColumnWidth(2, 110);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Search"), this));
    top->addWidget(txtSearch, 1);
    top->addWidget(cmdExport);
    auto *v = new QVBoxLayout(this);
    v->addLayout(top);
    v->addWidget(grdAnnotations, 1);
    resize(520, 480);

    connect(txtSearch, &QLineEdit::textChanged, this, [this] { fill(); });
    connect(grdAnnotations, &QTableView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            decode::MoveV1To(model_->lines()[static_cast<size_t>(index.row())].sample);
    });
    connect(cmdExport, &QPushButton::clicked, this, [this] { exportCsv(); });
    ready_ = Subscribe(Event::DecodesReady, [this] { fill(); });
    fill();
}

void AnnotationTableWindow::fill() {
    model_->setLines(decode::TableLines(runner_.result(), txtSearch->text()));
}

void AnnotationTableWindow::exportCsv() {
    const QString path = ui().SaveFileName(QStringLiteral("Export CSV"),
                                           QStringLiteral("CSV (*.csv)"), app().startup.AppDir);
    if (path.isEmpty()) return;
    QString error;
    if (!WriteFileAtomically(path, decode::TableCsv(model_->lines()), error))
        ui().MessageBox(QStringLiteral("The annotations were not exported: %1").arg(error),
                        kAppTitle, MsgButtons::Ok);
}

void AnnotationTableWindow::closeEvent(QCloseEvent *event) {
    app().display.AnnotationsOn = 0;
    emit closed();
    event->accept();
}

} // namespace vrx
