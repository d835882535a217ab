// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/output/data_output.h"

#include <algorithm>
#include <vector>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include "core/base/state.h"
#include "core/base/ui.h"
#include "core/startup/startup.h"

namespace vrx {

namespace {

// A number typed into a box: its leading integer, 0 when there is none.
int32_t LeadingNumber(const QString &text) {
    const QString t = text.trimmed();
    qsizetype n = 0;
    if (n < t.size() && (t[n] == QLatin1Char('-') || t[n] == QLatin1Char('+'))) ++n;
    while (n < t.size() && t[n].isDigit() && n < 10)
        ++n;
    return t.left(n).toInt();
}

template <size_t N> std::array<bool, N> Ticked(const std::array<CheckModel, N> &boxes) {
    std::array<bool, N> on{};
    for (size_t i = 0; i < N; ++i)
        on[i] = boxes[i].checked();
    return on;
}

} // namespace

DataOutput::DataOutput() {
    auto toggles = [](auto &boxes) {
        for (CheckModel &b : boxes)
            b.onClick = [&b] { b.setChecked(!b.checked()); };
    };
    toggles(ChkCh);
    toggles(ChkA1);
    toggles(ChkA2);
    toggles(ChkLA);
    cmdOk.onClick = [this] { cmdOk_Click(); };
    cmdAbort.onClick = [this] { cmdAbort_Click(); };
    Reset();
}

void DataOutput::Reset() {
    TxtAdds[0].setText(QStringLiteral("13"));
    TxtAdds[1].setText(QStringLiteral("33"));
    auto untick = [](auto &boxes) {
        for (CheckModel &b : boxes)
            b.setChecked(false);
    };
    untick(ChkCh);
    untick(ChkA1);
    untick(ChkA2);
    untick(ChkLA);
    ChkCh[0].setChecked(true);
    ChkA1[FmtDecimal].setChecked(true);
    cmdOk.setEnabled(true);
    cmdAbort.setEnabled(false);
    ProgressBar1.setRange(0, 1);
    ProgressBar1.setValue(0);
    lastResult = WriteResult::Done;
    openWorkbook = [](const QString &path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
}

ExportFormats DataOutput::Formats() const {
    ExportFormats f;
    f.channel = Ticked(ChkCh);
    f.a1 = Ticked(ChkA1);
    f.a2 = Ticked(ChkA2);
    f.logic = Ticked(ChkLA);
    return f;
}

void DataOutput::cmdOk_Click() {
    AppState &s = app();
    // The events serviced between rows must not start a second export.
    if (s.output.ExportRunning) return;
    const ExportRange range =
        CorrectRange({LeadingNumber(TxtAdds[0].text()), LeadingNumber(TxtAdds[1].text())},
                     s.acquisition.LastSample);
    TxtAdds[0].setText(QString::number(range.first));
    TxtAdds[1].setText(QString::number(range.last));
    // The record as it is now, with its scales and rate text: acquisition goes on while the
    // rows are written (events are serviced between them) and would put new records into the
    // capture memory under the export.
    ExportSource src = RecordSource();
    const std::vector<uint8_t> record(s.records.SampleBuf.begin(),
                                      s.records.SampleBuf.begin() + 4 * HW_SB_AREA_LEN);
    for (size_t i = 0; i < src.area.size(); ++i)
        src.area[i] = record.data() + i * HW_SB_AREA_LEN;

    QString path = ui().SaveFileName(QStringLiteral("Data Output Option"),
                                     QStringLiteral("Workbook (*.xlsx)"), s.startup.AppDir);
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        path += QStringLiteral(".xlsx");

    s.output.ExportRunning = 1;
    cmdOk.setEnabled(false);
    cmdAbort.setEnabled(true);
    ProgressBar1.setRange(0, std::max(1, range.last - range.first + 1));
    ProgressBar1.setValue(0);
    QString error;
    lastResult = WriteWorkbook(
        path, src, range, Formats(),
        [this](int32_t done, int32_t) {
            ProgressBar1.setValue(done);
            QCoreApplication::processEvents();
        },
        s.output.ExportRunning, &error);
    s.output.ExportRunning = 0;
    cmdOk.setEnabled(true);
    cmdAbort.setEnabled(false);
    if (lastResult == WriteResult::Failed)
        ui().MessageBox(QStringLiteral("The workbook %1 was not saved: %2").arg(path, error),
                        kAppTitle, MsgButtons::Ok);
    if (lastResult == WriteResult::Done && openWorkbook) openWorkbook(path);
}

void DataOutput::cmdAbort_Click() {
    app().output.ExportRunning = 0;
}

DataOutput &frmExcel() {
    static DataOutput dialog;
    return dialog;
}

} // namespace vrx
