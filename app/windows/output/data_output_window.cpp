// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/output/data_output_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/output/data_output.h"
#include "windows/common/widgets.h"

namespace vrx {

DataOutputWindow::DataOutputWindow(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmExcel"));
    setWindowTitle(QStringLiteral("Data Output Option"));
    DataOutput &d = frmExcel();

    auto *buffer = new QGroupBox(QStringLiteral("Buffer"), this);
    auto *bh = new QHBoxLayout(buffer);
    for (int i = 0; i < 2; ++i) {
        const auto k = static_cast<size_t>(i);
        TxtAdds[k] = MakeText(buffer, Indexed("TxtAdds", i), d.TxtAdds[k]);
        bh->addWidget(MakeCaption(buffer, i == 0 ? QStringLiteral("From") : QStringLiteral("to")));
        bh->addWidget(TxtAdds[k]);
    }

    static const char *const analog[5] = {"Decimal", "HexDecimal", "Ascii", "Unit(v)",
                                          "Inverse data"};
    static const char *const logic[4] = {"Decimal", "HexDecimal", "Ascii", "Binary"};
    static const char *const channels[3] = {"A1", "A2", "D15-D0"};
    auto *columns = new QHBoxLayout;
    auto column = [&](int ch, const char *boxName, const char *const *captions, auto &models,
                      auto &boxes) {
        auto *frame = new QGroupBox(this);
        auto *v = new QVBoxLayout(frame);
        const auto c = static_cast<size_t>(ch);
        ChkCh[c] = MakeCheck<QCheckBox>(frame, Indexed("ChkCh", ch),
                                        QString::fromLatin1(channels[ch]), d.ChkCh[c]);
        QFont bold = ChkCh[c]->font();
        bold.setBold(true);
        ChkCh[c]->setFont(bold);
        v->addWidget(ChkCh[c]);
        for (size_t i = 0; i < boxes.size(); ++i) {
            boxes[i] = MakeCheck<QCheckBox>(frame, Indexed(boxName, static_cast<int>(i)),
                                            QString::fromLatin1(captions[i]), models[i]);
            v->addWidget(boxes[i]);
        }
        v->addStretch(1);
        columns->addWidget(frame);
    };
    column(0, "ChkA1", analog, d.ChkA1, ChkA1);
    column(1, "ChkA2", analog, d.ChkA2, ChkA2);
    column(2, "ChkLA", logic, d.ChkLA, ChkLA);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    BindProgress(ProgressBar1, d.ProgressBar1);
    cmdOk = MakeCommand(this, QStringLiteral("cmdOk"), QStringLiteral("OK"), d.cmdOk);
    cmdAbort = MakeCommand(this, QStringLiteral("cmdAbort"), QStringLiteral("Abort"), d.cmdAbort);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ProgressBar1, 1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdAbort);
    auto *v = new QVBoxLayout(this);
    v->addWidget(buffer);
    v->addLayout(columns);
    v->addLayout(buttons);
}

} // namespace vrx
