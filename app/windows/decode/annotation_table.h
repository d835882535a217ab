// SPDX-License-Identifier: GPL-3.0-or-later
//
// The annotation table ("&Window" > "&Annotations"), beside the state listing: every annotation
// of the last decoded record with its time, decoder, row and text, in the order of the record.
// The search field keeps the lines whose decoder, row or text holds what it says; clicking a
// line moves the V1 bar to the annotation's first sample and brings it into view. "Export CSV"
// writes the lines shown.
#pragma once

#include <vector>

#include <QAbstractTableModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QWidget>

#include "core/base/events.h"
#include "core/decode/runner.h"

namespace vrx {

class AnnotationModel : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;
    void setLines(std::vector<decode::TableLine> lines);
    const std::vector<decode::TableLine> &lines() const { return lines_; }
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  private:
    std::vector<decode::TableLine> lines_;
};

class AnnotationTableWindow : public QWidget {
    Q_OBJECT
  public:
    explicit AnnotationTableWindow(const decode::Runner &runner, QWidget *parent = nullptr);

    QLineEdit *txtSearch = nullptr;
    QTableView *grdAnnotations = nullptr;
    QPushButton *cmdExport = nullptr;
    AnnotationModel *model() const { return model_; }

  signals:
    void closed();

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void fill();
    void exportCsv();

    const decode::Runner &runner_;
    AnnotationModel *model_ = nullptr;
    Subscription ready_;
};

} // namespace vrx
