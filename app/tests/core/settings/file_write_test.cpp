// SPDX-License-Identifier: GPL-3.0-or-later
// One rule for every writer of the program: each target kind (a new file with the longest name,
// a symbolic link, a FIFO, a device, a read-only file of another user) run over every writer
// (settings, data, text, CSV, VCD, sigrok session, the workbook of the data output dialog; the
// workbook into a bare device name is vrxctl's test).
#include <atomic>
#include <functional>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "core/base/ui.h"
#include "core/fixture.h"
#include "core/output/data_output.h"
#include "core/output/demo_record.h"
#include "core/output/workbook.h"
#include "core/settings/data_file.h"
#include "core/settings/file_write.h"
#include "core/settings/settings_file.h"

namespace vrx::test {
namespace {

// What a reader of a file sees: the bytes, or for a zip archive the names and contents of its
// entries, less the workbook's time of making.
QByteArray Content(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "(unreadable)";
    const QByteArray bytes = f.readAll();
    if (!bytes.startsWith("PK\x03\x04")) return bytes;
    QByteArray entries;
    int code = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    for (zip_int64_t i = 0; z && i < zip_get_num_entries(z, 0); ++i) {
        const char *name = zip_get_name(z, static_cast<zip_uint64_t>(i), 0);
        if (std::string(name) != "docProps/core.xml")
            entries += QByteArray(name) + '\n' + QByteArray::fromStdString(ZipEntry(path, name));
    }
    if (z) zip_close(z);
    return entries;
}

// Drains a FIFO while a writer runs: the bytes, once `done` is set after the writer returned.
// Nothing to wait for when `path` is no FIFO.
std::future<QByteArray> Drain(const QString &path, const std::atomic<bool> &done) {
    struct stat st;
    if (stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISFIFO(st.st_mode)) return {};
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    return std::async(std::launch::async, [fd, &done] {
        QByteArray got;
        for (bool last = false; !last; usleep(1000)) {
            last = done;
            char buf[65536];
            for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
                got.append(buf, n);
        }
        ::close(fd);
        return got;
    });
}

struct Writer {
    const char *name;
    const char *ext;
    bool streams; // into a pipe or a device; the data file is refused there
    std::function<bool(const QString &, QString &)> write;
};

// A target made in the test folder: the path handed to the writer and how the write ends.
struct Target {
    const char *name;
    bool stream;        // a pipe or a device
    const char *reason; // the failure's message; null: written
    std::function<QString(const QDir &dir, const QString &ext)> make;
};

class EveryWriter : public ::testing::Test {
  protected:
    void SetUp() override {
        record = TakeDemoRecord();
        frmExcel().openWorkbook = nullptr;
        // The data output dialog exports the whole record as the capture's workbook does.
        frmExcel().TxtAdds[0].setText(QStringLiteral("0"));
        frmExcel().TxtAdds[1].setText(QString::number(record.length - 1));
    }
    void TearDown() override { frmExcel().openWorkbook = nullptr; }
    using Write = std::function<bool(const QString &, QString &)>;
    // A writer that reports in a box: its message is the failure's.
    Write Boxing(const std::function<bool(const QString &)> &write) {
        return [this, write](const QString &p, QString &e) {
            const bool ok = write(p);
            if (!ok && !boxes.boxes.empty()) e = boxes.boxes.back().text;
            return ok;
        };
    }
    Write Exporting(ExportFormat format) {
        return [this, format](const QString &p, QString &e) {
            return ExportRecord(record, p, format, e);
        };
    }

    RecordData record;
    ScriptedUi boxes;
    ScopedUi scope{boxes};
    const std::vector<Writer> writers = {
        {"settings", "ini", true, Boxing([](const QString &p) { return Saveset(p); })},
        {"data", "Vrx", false, Boxing([](const QString &p) { return SaveDataFile(p); })},
        {"text", "txt", true, Boxing([](const QString &p) { return SaveChannelText(p, 0); })},
        {"csv", "csv", true, Exporting(ExportFormat::Csv)},
        {"vcd", "vcd", true, Exporting(ExportFormat::Vcd)},
        {"sr", "sr", true, Exporting(ExportFormat::Sigrok)},
        {"workbook", "xlsx", true, Boxing([this](const QString &p) {
             boxes.fileNames.push_back(p);
             frmExcel().cmdOk_Click();
             return frmExcel().lastResult == WriteResult::Done;
         })},
    };
};

QString Fifo(const QDir &dir, const QString &ext) {
    const QString path = dir.filePath(QStringLiteral("fifo.") + ext);
    EXPECT_EQ(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    return path;
}

QString Link(const QDir &dir, const QString &to, const QString &ext) {
    const QString path = dir.filePath(QStringLiteral("link.") + ext);
    EXPECT_TRUE(QFile::link(to, path));
    return path;
}

QString Old(const QDir &dir, const QString &name) {
    return WriteAll(dir.filePath(name), "old");
}

const std::vector<Target> kTargets = {
    // 254 or 255 bytes of two-byte characters: the temporary name is cut between characters.
    {"new file, longest name", false, nullptr,
     [](const QDir &d, const QString &ext) {
         return d.filePath(QString((254 - ext.size()) / 2, QChar(0xE9)) + QLatin1Char('.') + ext);
     }},
    {"symlink to a file", false, nullptr,
     [](const QDir &d, const QString &ext) {
         return Link(d, QFileInfo(Old(d, QStringLiteral("real.") + ext)).fileName(), ext);
     }},
    {"FIFO", true, nullptr, Fifo},
    {"symlink to a FIFO", true, nullptr,
     [](const QDir &d, const QString &ext) { return Link(d, Fifo(d, ext), ext); }},
    {"device", true, "No space left on device",
     [](const QDir &d, const QString &) { return FullDevice(d); }},
    {"symlink to a device", true, "No space left on device",
     [](const QDir &d, const QString &ext) {
         const QString dev = FullDevice(d);
         return dev.isEmpty() ? dev : Link(d, dev, ext);
     }},
    // Root could write it; the program does not take it from its owner. (Without root the
    // file stays the user's own, read-only.)
    {"read-only file of another user", false, "Permission denied",
     [](const QDir &d, const QString &ext) {
         const QString path = Old(d, QStringLiteral("ro.") + ext);
         const QByteArray name = QFile::encodeName(path);
         if (chown(name.constData(), 65534, 65534) != 0) chmod(name.constData(), 0444);
         return path;
     }},
};

TEST_F(EveryWriter, WritesFilesAtomicallyStreamsIntoPipesAndRefusesTheRest) {
    for (const Writer &w : writers) {
        const QString ext = QLatin1String(w.ext);
        QTemporaryDir refDir;
        const QString ref = refDir.filePath(QStringLiteral("ref.") + ext);
        QString error;
        ASSERT_TRUE(w.write(ref, error)) << w.name << ": " << error.toStdString();
        const QByteArray expected = Content(ref);
        ASSERT_GT(expected.size(), 100) << w.name;
        for (const Target &t : kTargets) {
            const std::string what = std::string(w.name) + ", " + t.name;
            QTemporaryDir tmp;
            const QDir dir(tmp.path());
            const QString path = t.make(dir, ext);
            if (path.isEmpty()) {
                ADD_FAILURE() << what << ": no device can be made here";
                continue;
            }
            // The dialog gives a bare name its extension: it never writes a bare device name.
            if (std::string(w.name) == "workbook" && !path.endsWith(ext)) continue;
            const QFileInfo before(path);
            std::atomic<bool> done{false};
            std::future<QByteArray> reader = Drain(path, done);
            const bool piped = reader.valid();
            error.clear();
            const bool ok = w.write(path, error);
            done = true;
            const QByteArray streamed = piped ? reader.get() : QByteArray();
            const char *reason = t.stream && !w.streams ? "pipe or a device" : t.reason;
            EXPECT_EQ(ok, !reason) << what << ": " << error.toStdString();
            if (reason) {
                EXPECT_TRUE(error.contains(QLatin1String(reason)))
                    << what << ": " << error.toStdString();
                if (before.isFile()) EXPECT_EQ(Content(path), "old") << what;
            } else {
                // What went into a pipe is read as the file it would have made.
                const QString got =
                    piped ? WriteAll(dir.filePath(QStringLiteral("streamed.") + ext), streamed)
                          : path;
                EXPECT_EQ(Content(got), expected) << what;
            }
            // A link stays a link, a FIFO a FIFO, a device a device.
            EXPECT_EQ(QFileInfo(path).isSymLink(), before.isSymLink()) << what;
            EXPECT_EQ(QFileInfo(path).isFile(), before.isFile() || !before.exists()) << what;
            // No temporary file left.
            EXPECT_EQ(dir.entryList({".*"}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                      QStringList())
                << what;
        }
    }
}

} // namespace
} // namespace vrx::test
