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
    // A settings file saved from the File menu is marked for the start-up load and loads back;
    // "E&xit" writes the default file in the program directory.
    void entriesAndExit() {
        QTemporaryDir dir;
        ProgramRun run(QString{});
        MainWindow *w = run.w.get();
        app().startup.AppDir = dir.path();
        auto *file = qobject_cast<QMenu *>(w->mnuFileExit->associatedObjects().value(0));
        QVERIFY(file);
        auto *autoLoad = Action(w, "mnuAutoLoadSetting");
        QVERIFY(autoLoad && !autoLoad->isChecked());

        const QString saved = QDir(dir.path()).filePath(QStringLiteral("mine.ini"));
        run.ui.fileNames = {saved, saved};
        app().view.HbarPos[0] = 40;
        Action(w, "mnuSaveSetting")->trigger();
        QVERIFY(autoLoad->isChecked() && CompleteSettings(saved));
        autoLoad->trigger();
        QCOMPARE(app().display.AutoLoad, int16_t{0});
        app().view.HbarPos[0] = 28;
        Action(w, "mnuLoadSetting")->trigger();
        QCOMPARE(app().view.HbarPos[0], int16_t{40});
        QVERIFY(autoLoad->isChecked());
        QCOMPARE(run.view()->ScrollHbar[0]->value(), 40);

        file->popup(w->mapToGlobal(QPoint(0, 0)));
        QVERIFY(Screenshot(file, "FileMenu.png"));
        file->hide();
        w->mnuFileExit->trigger();
        QVERIFY(CompleteSettings(QDir(dir.path()).filePath(QStringLiteral("Vrx73604v4.ini"))));
    }

    // SIGTERM ends the acquiring program as closing its window does: exit status 0, a complete
    // default settings file in its working directory and the power-off block as the
    // instrument's last bus events.
    void terminateSavesSettings() {
        QTemporaryDir dir;
        QProcess program;
        const QString trace = StartSimulatedProgram(program, dir.path());
        QVERIFY(program.waitForStarted());
        QVERIFY(WaitUntil([&] { return ReadAll(trace).count("usb-bulk-in") > 3; }, 20000));
        program.terminate();
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(CompleteSettings(QDir(dir.path()).filePath(QStringLiteral("Vrx73604v4.ini"))));
        QCOMPARE(BusEvents(trace).mid(BusEvents(trace).size() - 6),
                 (QByteArrayList{"addr 28", "wr 0", "addr 29", "wr 80", "addr 31", "wr 0"}));
    }
};

VRX_WINDOW_TEST_MAIN(FileMenuTest)
#include "filemenu_test.moc"
