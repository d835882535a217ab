// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/output/workbook.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <xlsxwriter.h>

#include "core/base/format.h"
#include "core/base/state.h"
#include "core/settings/file_write.h"
#include "core/timing/frontpanel.h"

namespace vrx {

namespace {

constexpr const char *kAnalogHeadings[4] = {"Decimal", "Hex", "Ascii", "Unit(mv)"};
constexpr const char *kLogicHeadings[4] = {"Decimal", "Hex", "Ascii", "Binary"};
constexpr const char *kChannelNames[3] = {"A1", "A2", "D15-D0"};

// Decimal cells are numbers in the sheet; every other format is text.
bool IsNumberCell(const ExportColumn &c) {
    return c.format == FmtDecimal; // LaDecimal has the same value
}

QString HexText(int v) {
    return QString::number(v, 16).toUpper() + QLatin1Char('h');
}

// The character of a sample byte: the byte as a Latin-1 code.
QString CharText(uint8_t b) {
    return QString(QChar(static_cast<char16_t>(b)));
}

// The character of one byte of the logic word, or nothing for a byte that prints none: a bus on
// D0..D7 leaves the high byte 0, which must neither end the cell's text nor add a control code.
QString PrintableText(uint8_t b) {
    const QChar c(static_cast<char16_t>(b));
    return c.isPrint() ? QString(c) : QString();
}

struct WorkbookDeleter {
    void operator()(lxw_workbook *wb) const { lxw_workbook_free(wb); }
};

// Closes the file in memory whichever way the workbook ends.
struct OwnedFd {
    int fd;
    explicit OwnedFd(int f) : fd(f) {}
    OwnedFd(const OwnedFd &) = delete;
    OwnedFd &operator=(const OwnedFd &) = delete;
    ~OwnedFd() { ::close(fd); }
};

} // namespace

ExportRange CorrectRange(ExportRange r, int32_t lastSample) {
    const int32_t end = std::max(0, lastSample - 1);
    r.first = std::clamp(r.first, 0, end);
    if (r.last - r.first > kMaxExportRows - 1) r.last = r.first + kMaxExportRows - 1;
    if (r.last >= lastSample - 1) r.last = end;
    return r;
}

ExportSource RecordSource() {
    const AppState &s = app();
    ExportSource src;
    const uint8_t *buf = s.records.SampleBuf.data();
    for (size_t i = 0; i < 4; ++i)
        src.area[i] = buf + i * HW_SB_AREA_LEN;
    src.length = HW_SB_AREA_LEN;
    for (size_t c = 0; c < 2; ++c) {
        src.offset[c] = s.channels.ChanPos[c];
        src.mvPerCode[c] = s.channels.ChanScale[c];
    }
    src.rateText = form1().cmbRate.text() + QLatin1Char('(') + CalTime(1) + QLatin1Char(')');
    return src;
}

std::vector<ExportColumn> ExportColumns(const ExportFormats &f) {
    std::vector<ExportColumn> cols;
    auto block = [&](int channel, const bool *ticked, int n, const char *const *headings) {
        if (!f.channel[static_cast<size_t>(channel)]) return;
        bool firstOfBlock = true;
        for (int i = 0; i < n; ++i) {
            if (!ticked[i]) continue;
            ExportColumn c;
            if (firstOfBlock) c.name = QString::fromLatin1(kChannelNames[channel]);
            firstOfBlock = false;
            c.heading = QString::fromLatin1(headings[i]);
            c.channel = channel;
            c.format = i;
            cols.push_back(c);
        }
    };
    block(0, f.a1.data(), 4, kAnalogHeadings);
    block(1, f.a2.data(), 4, kAnalogHeadings);
    block(2, f.logic.data(), 4, kLogicHeadings);
    return cols;
}

QString AnalogCell(uint8_t b, int format, int32_t offset, double mvPerCode) {
    switch (format) {
    case FmtDecimal:
        return QString::number(b);
    case FmtHex:
        return HexText(b);
    case FmtAscii:
        return CharText(b);
    case FmtUnit:
        // Code 0 is the top of the range: a larger byte is a lower voltage.
        return CalStrMV((offset - b) * mvPerCode);
    default:
        return {};
    }
}

QString LogicCell(uint8_t hi, uint8_t lo, int format) {
    const int word = hi * 256 + lo;
    switch (format) {
    case LaDecimal:
        return QString::number(word);
    case LaHex:
        return HexText(word);
    case LaAscii:
        return PrintableText(hi) + PrintableText(lo);
    case LaBinary:
        return QString::number(word, 2).rightJustified(16, QLatin1Char('0'));
    default:
        return {};
    }
}

WriteResult WriteWorkbook(const QString &path, const ExportSource &src, ExportRange range,
                          const ExportFormats &formats, const ExportProgress &progress,
                          const volatile int16_t &running, QString *error) {
    auto failed = [error](const QString &reason) {
        if (error) *error = reason;
        return WriteResult::Failed;
    };
    // The library writes the workbook by file name: into a file in memory, which has no name
    // to leave behind; its bytes are then written as every file of the program.
    const int mem = memfd_create("workbook", MFD_CLOEXEC);
    if (mem < 0) return failed(QString::fromLocal8Bit(std::strerror(errno)));
    const OwnedFd memOwner{mem};
    const QByteArray memName = "/proc/self/fd/" + QByteArray::number(mem);

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    std::unique_ptr<lxw_workbook, WorkbookDeleter> wb(
        workbook_new_opt(memName.constData(), &options));
    if (!wb) return failed(QStringLiteral("out of memory"));
    lxw_worksheet *ws = workbook_add_worksheet(wb.get(), nullptr);
    if (!ws) return failed(QStringLiteral("out of memory"));

    auto text = [ws](lxw_row_t row, lxw_col_t col, const QString &s) {
        worksheet_write_string(ws, row, col, s.toUtf8().constData(), nullptr);
    };
    const std::vector<ExportColumn> cols = ExportColumns(formats);
    text(0, 0, src.rateText);
    for (size_t i = 0; i < cols.size(); ++i)
        if (!cols[i].name.isEmpty()) text(0, static_cast<lxw_col_t>(i + 1), cols[i].name);
    text(1, 0, QStringLiteral("Buffer( )"));
    for (size_t i = 0; i < cols.size(); ++i)
        text(1, static_cast<lxw_col_t>(i + 1), cols[i].heading);

    const int32_t total = std::max(0, range.last - range.first + 1);
    for (int32_t k = 0; k < total; ++k) {
        const int32_t sample = range.first + k;
        if (sample < 0 || sample >= src.length) break;
        const auto row = static_cast<lxw_row_t>(k + 2);
        worksheet_write_number(ws, row, 0, sample, nullptr);
        for (size_t i = 0; i < cols.size(); ++i) {
            const ExportColumn &c = cols[i];
            const auto col = static_cast<lxw_col_t>(i + 1);
            QString cell;
            if (c.channel < 2) {
                const auto ch = static_cast<size_t>(c.channel);
                uint8_t b = src.area[ch][sample];
                const auto &ticked = ch == 0 ? formats.a1 : formats.a2;
                if (ticked[FmtInverse]) b = static_cast<uint8_t>(255 - b);
                if (IsNumberCell(c)) {
                    worksheet_write_number(ws, row, col, b, nullptr);
                    continue;
                }
                cell = AnalogCell(b, c.format, src.offset[ch], src.mvPerCode[ch]);
            } else {
                const uint8_t hi = src.area[3][sample];
                const uint8_t lo = src.area[2][sample];
                if (IsNumberCell(c)) {
                    worksheet_write_number(ws, row, col, hi * 256 + lo, nullptr);
                    continue;
                }
                cell = LogicCell(hi, lo, c.format);
            }
            text(row, col, cell);
        }
        if (progress) progress(k + 1, total);
        if (running == 0) return WriteResult::Aborted;
    }

    if (const lxw_error e = workbook_close(wb.release()); e != LXW_NO_ERROR)
        return failed(QString::fromLatin1(lxw_strerror(e)));
    struct stat st;
    if (fstat(mem, &st) != 0) return failed(QString::fromLocal8Bit(std::strerror(errno)));
    QByteArray bytes(static_cast<qsizetype>(st.st_size), Qt::Uninitialized);
    if (pread(mem, bytes.data(), static_cast<size_t>(bytes.size()), 0) != bytes.size())
        return failed(QString::fromLocal8Bit(std::strerror(errno)));
    QString reason;
    if (!WriteFileAtomically(path, bytes, reason)) return failed(reason);
    return WriteResult::Done;
}

} // namespace vrx
