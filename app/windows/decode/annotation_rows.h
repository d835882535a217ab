// SPDX-License-Identifier: GPL-3.0-or-later
//
// The decoders' annotation rows under the logic lanes: one row for each decoder row that has
// annotations in the last decoded record, named at the left ("uart-1: RX data") under the
// logic panel, with a box for each annotation under the samples it covers. The boxes use the
// logic lanes' mapping of samples to columns (screen position and samples per pixel), so they
// stay under their samples at every zoom and scroll position; each row takes its colour from
// the colour table's logic colours. Without rows the widget hides.
//
// A row, once it had annotations, keeps its place until the decoder set-up changes: a short
// record often holds only part of a transfer, and rows that came and went with each record
// would move everything under them and lay out the main window again for every record.
#pragma once

#include <tuple>
#include <vector>

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QStringList>
#include <QWidget>

#include "core/base/events.h"

namespace vrx {

namespace decode {
class Runner;
}

class AnnotationRows : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kRowHeight = 18;
    // `left`: the column of the widget where the logic picture's column 0 stands.
    AnnotationRows(const decode::Runner &runner, int left, QWidget *parent = nullptr);
    int rowCount() const;

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    void follow();
    struct Lane {
        int stack, layer, row;
        QString name;
        auto key() const { return std::tie(stack, layer, row); }
    };
    const decode::Runner &runner_;
    int left_;
    QStringList texts_;       // the set-up the lanes belong to
    std::vector<Lane> lanes_; // by stack, layer and row
    QFont font_;
    QFontMetrics metrics_;
    QHash<QString, int> advances_; // widths of the texts drawn, measured once
    Subscription ready_, pictures_, colors_;
};

} // namespace vrx
