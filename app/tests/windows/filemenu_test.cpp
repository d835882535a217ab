// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu's settings and data entries through the real menu, and every end of the program
// leaving a complete default settings file: "E&xit" in the window, SIGTERM to the running
// program against the simulated instrument.
#include <QMenuBar>

#include "core/settings/settings_file.h"
#include "gui_fixture.h"

using namespace vrx;
using namespace vrx::test;

namespace {

QByteArray ReadAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A complete settings file of this model: every record reads.
bool CompleteSettings(const QString &path) {
    SettingsSnapshot s;
    const ParseResult r = ParseSettings(ReadAll(path), s);
    return r.ok && r.records == 182 && s.Model == QStringLiteral("Vrx73604v4");
}

} // namespace

class FileMenuTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { UseTemporarySettings(); }

    // The entries stand in the File menu in their order before "E&xit"; a settings file saved
    // from the menu is marked for the start-up load and loads back; "E&xit" writes the default
    // file in the program directory.
    void entriesAndExit() {
        QTemporaryDir dir;
        ProgramRun run(QString{});
        MainWindow *w = run.w.get();
        app().startup.AppDir = dir.path();
        auto *file = qobject_cast<QMenu *>(w->mnuFileExit->associatedObjects().value(0));
        QVERIFY(file);
        QStringList captions;
        for (QAction *a : file->actions())
            if (!a->isSeparator()) captions << a->text();
        QCOMPARE(captions,
                 (QStringList{"&Load Settings", "&Load Data(Binary)", "Load Data &Option",
                              "Save &Settings", "Save &Data(Binary)", "Save Channel Data(Text)",
                              "Transfer data to &Excel", "Load &Default Settings",
                              "&Auto Load Settings", "Page Set&up...", "&Print...", "Export...",
                              "Import CSV...", "E&xit"}));
        auto *autoLoad = w->findChild<QAction *>(QStringLiteral("mnuAutoLoadSetting"));
        QVERIFY(autoLoad && !autoLoad->isChecked());

        const QString saved = QDir(dir.path()).filePath(QStringLiteral("mine.ini"));
        run.ui.fileNames = {saved, saved};
        app().view.HbarPos[0] = 40;
        w->findChild<QAction *>(QStringLiteral("mnuSaveSetting"))->trigger();
        QVERIFY(autoLoad->isChecked() && CompleteSettings(saved));
        autoLoad->trigger();
        QCOMPARE(app().display.AutoLoad, int16_t{0});
        app().view.HbarPos[0] = 28;
        w->findChild<QAction *>(QStringLiteral("mnuLoadSetting"))->trigger();
        QCOMPARE(app().view.HbarPos[0], int16_t{40});
        QVERIFY(autoLoad->isChecked());
        QCOMPARE(run.view()->ScrollHbar[0]->value(), 40);

        file->popup(w->mapToGlobal(QPoint(0, 0)));
        QVERIFY(QDir().mkpath(QStringLiteral(VRX_SCREENSHOT_DIR)));
        QVERIFY(file->grab().save(QStringLiteral(VRX_SCREENSHOT_DIR "/FileMenu.png")));
        file->hide();

        autoLoad->trigger(); // the build folder's default file must not load in later tests
        w->mnuFileExit->trigger();
        QVERIFY(CompleteSettings(QDir(dir.path()).filePath(QStringLiteral("Vrx73604v4.ini"))));
    }

    // SIGTERM to the acquiring program: a complete default settings file in its working
    // directory and the power-off block as the instrument's last bus events.
    void terminateSavesSettings() {
        QTemporaryDir dir;
        // The bitstream is found beside the program.
        const QString trace = QDir(dir.path()).filePath(QStringLiteral("trace.txt"));
        QProcess program;
        StartSimulatedProgram(program, trace, dir.path(), dir.path());
        QVERIFY(program.waitForStarted());
        QVERIFY(WaitUntil([&] { return ReadAll(trace).count("usb-bulk-in") > 3; }, 20000));
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(CompleteSettings(QDir(dir.path()).filePath(QStringLiteral("Vrx73604v4.ini"))));
        const QList<QByteArray> lines = ReadAll(trace).split('\n');
        QByteArrayList bus;
        for (const QByteArray &l : lines)
            if (l.startsWith("addr ") || l.startsWith("wr ") || l.startsWith("rd ")) bus << l;
        QCOMPARE(bus.mid(bus.size() - 6),
                 (QByteArrayList{"addr 28", "wr 0", "addr 29", "wr 80", "addr 31", "wr 0"}));
    }
};

QTEST_MAIN(FileMenuTest)
#include "filemenu_test.moc"
