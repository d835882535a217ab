// SPDX-License-Identifier: GPL-3.0-or-later
// The one main window as a user meets it: its layout and live picture, one round trip through
// each kind of control, the start-up boxes, closing while acquiring, a missing bitstream and the
// stored placement. Scenarios of the front panel and the loop are the core suites' business.
#include <functional>
#include <limits>
#include <optional>
#include <tuple>

#include <QMessageBox>
#include <QPushButton>

#include "gui_fixture.h"
#include "windows/common/frame_pacer.h"
#include "windows/common/message_boxes.h"

namespace {

// A complete settings file of this model: every record reads.
bool CompleteSettings(const QString &path) {
    SettingsSnapshot s;
    const ParseResult r = ParseSettings(ReadAll(path), s);
    return r.ok && r.records == 182 && s.Model == QStringLiteral("Vrx73604v4");
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    // Toolbar, status strip, the timing view as the central area and the status bar; the live
    // picture against the simulated instrument, saved for people to look at; "Go" stops it.
    void oneWindowWithTheLivePicture() {
        ProgramRun run(QStringLiteral("usb"));
        QCOMPARE(run.w->sbLink->text(), QStringLiteral("Usb2.0 Port be connected"));
        QCOMPARE(run.w->focusWidget(), run.view()->cmbTrigCh);
        // The whole timing view shows, with the default trace width.
        const QSize least = TimingView::DefaultSize();
        QVERIFY(run.view()->width() >= least.width() && run.view()->height() >= least.height());

        QVERIFY(run.start("Auto.", 3));
        QString error;
        const QString file = SaveScreenshot(*run.w, QStringLiteral(VRX_SCREENSHOT_DIR), error);
        QVERIFY2(!file.isEmpty(), qPrintable(error));
        QVERIFY(QImage(file).size() == run.w->size() && run.w->LabelStat[0]->text() == "Triggered");
        // Right of the channel markers the A1 square has its two levels far apart (the rest of
        // the picture is the core's business).
        const std::set<int> a1 =
            RowsWithColor(run.view()->picScope[0]->image(), app().colors[ColA1], 40);
        QVERIFY(a1.size() >= 2 && *a1.rbegin() - *a1.begin() > 40);
        QVERIFY(run.stop() && !run.go()->isChecked() && !run.w->driver()->stepping() &&
                run.w->LabelStat[0]->text().isEmpty());

        // A path that cannot be written is reported with the reason.
        QVERIFY(SaveScreenshot(*run.w, QStringLiteral("/proc/none"), error).isEmpty() &&
                error.contains(QStringLiteral("/proc/none")));
    }

    // The real detection box: Retry searches again, Cancel gives demo mode.
    void detectionCancelGivesDemoMode() {
        FreshStart(QString());
        DialogUi dialogs;
        ScopedUi scope(dialogs);
        // Each box as it shows: its title and buttons noted, answered Retry, then Cancel. The
        // polls end with the test.
        QStringList seen;
        QObject polls;
        std::function<void()> answer = [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box) {
                seen << box->windowTitle() << QString::number(box->standardButtons().toInt());
                QTest::mouseClick(
                    box->button(seen.size() < 3 ? QMessageBox::Retry : QMessageBox::Cancel),
                    Qt::LeftButton);
            }
            if (seen.size() < 4) QTimer::singleShot(10, &polls, answer);
        };
        QTimer::singleShot(10, &polls, answer);
        PrepareApplication();
        std::unique_ptr<MainWindow> w = StartProgram();
        const QString buttons = QString::number((QMessageBox::Retry | QMessageBox::Cancel).toInt());
        QCOMPARE(seen, QStringList({"Reset Hardware", buttons, "Reset Hardware", buttons}));
        QCOMPARE(w->sbLink->text(), QStringLiteral("Demo mode"));
    }

    // Resizing the window changes the trace width while records keep coming. "E&xit" while
    // acquiring: the loop ends, the window closes, the instrument is powered off.
    void resizeThenExitWhileAcquiring() {
        ProgramRun run(QStringLiteral("usb"));
        TimingView *v = run.view();
        QVERIFY(run.start("Normal"));
        const int extra = run.w->width() - v->width();
        for (int width : {1100, TimingView::DefaultSize().width()}) {
            run.w->resize(width + extra, run.w->height());
            QVERIFY(WaitUntil([&] { return app().screen.ScreenSamples == width - 250; }));
            QCOMPARE((QList<int>{v->picScope[0]->width(), v->Scrollscr->width()}),
                     QList<int>(2, width - 249));
            QVERIFY(run.waitRecords(2));
        }
        run.w->mnuFileExit->trigger();
        QVERIFY(!AcquisitionActive() && app().run.Running == 0 && !run.w->isVisible() &&
                !run.w->driver()->stepping());
    }

    // Changes faster than the screen's frames are painted once a frame, and the last one shows.
    void paintsOnceAFrame() {
        struct Counted : QWidget {
            int value = 0, painted = -1, paints = 0;
            void paintEvent(QPaintEvent *) override {
                painted = value;
                ++paints;
            }
        } w;
        w.resize(40, 40);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        std::optional<FramePacer> pacer(std::in_place, &w, 25);
        w.paints = 0;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 250) {
            ++w.value;
            w.update();
            QTest::qWait(1);
        }
        QVERIFY(WaitUntil([&] { return w.painted == w.value; }));
        QVERIFY2(w.paints >= 3 && w.paints <= 250 / 25 + 2, qPrintable(QString::number(w.paints)));
        QVERIFY(w.value > 3 * w.paints);
        // A request that waits when the pacing ends is sent then: the window keeps painting.
        for (int k = 0; k < 2; ++k, QTest::qWait(1))
            ++w.value, w.update();
        pacer.reset();
        QVERIFY(WaitUntil([&] { return w.painted == w.value; }));
    }

    // Without the bitstream the configuration fails once, with its box, and the window stays
    // usable but does not poll.
    void missingBitstream() {
        QTemporaryDir empty;
        ProgramRun run(QStringLiteral("usb"), ";", Store::Fresh, empty.path());
        QCOMPARE(run.ui.boxes.size(), size_t{2});
        run.go()->trigger();
        QVERIFY(!AcquisitionActive() && !run.go()->isChecked());
        QCOMPARE(
            (QStringList{run.ui.boxes[1].text, run.w->sbLink->text(), run.w->LabelStat[0]->text()}),
            (QStringList{"VRX-73604 Config Error", kNotConfiguredText, kNotConfiguredText}));
    }

    // The placement goes to the settings store in twips and comes back as it was, except from a
    // minimised window; the window is never smaller than the timing view needs.
    void placementStore() {
        QSettings store(QSettings::UserScope, kAppTitle, kAppTitle);
        auto stored = [&store] {
            store.sync();
            QStringList v;
            for (const char *key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
                v << store.value(QStringLiteral("Settings/") + QLatin1String(key)).toString();
            return v;
        };
        QRect first;
        {
            ProgramRun run(QStringLiteral("usb"));
            first = QRect(run.w->pos(), run.w->size());
            QCOMPARE(first.size(), run.w->minimumSizeHint()); // 6500 twips is too small
            run.w->close();
        }
        QStringList expected;
        for (int v : {first.x(), first.y(), first.width(), first.height()})
            expected << QString::number(v * 15);
        QCOMPARE(stored(), expected);
        {
            ProgramRun run(QStringLiteral("usb"), ";", Store::Kept);
            QCOMPARE(QRect(run.w->pos(), run.w->size()), first);
            run.w->resize(first.size() + QSize(40, 30));
            run.w->showMinimized();
            QVERIFY(WaitUntil([&] { return run.w->isMinimized(); }, 1000));
            run.w->close();
        }
        QCOMPARE(stored(), expected);
    }

    // Stored values that are not a placement on the screens fall back or are brought in.
    void placementIsBounded() {
        const QRect screen(0, 0, 1280, 1024);
        const double nan = std::numeric_limits<double>::quiet_NaN();
        // Stored twips, the screens' area, the placement. Without a screen only the size rules
        // apply.
        const std::tuple<std::array<double, 4>, QRect, QRect> cases[] = {
            {{1000, 1000, 6500, 6500}, screen, QRect(67, 67, 850, 700)},
            {{1e9, -1e9, 1e9, 300000}, screen, QRect(67, 0, 850, 1024)},
            {{nan, 1500, 15000, nan}, screen, QRect(67, 100, 1000, 700)},
            {{-30000, 60000, 13500, 12000}, screen, QRect(0, 224, 900, 800)},
            {{nan, 0, 0, 0}, QRect(), QRect(67, 0, 850, 700)}};
        for (const auto &[twips, screens, expected] : cases)
            QCOMPARE(FitPlacement(twips, QSize(850, 700), screens), expected);
    }

    // A list, a scroll bar (a stepper), a clickable label: the user's input reaches the model,
    // whose handler writes back into the widgets. In demo mode the equivalent-time rates fall
    // back to 250MSa/S.
    // A settings file saved from the File menu is marked for the start-up load and loads back;
    // "E&xit" writes the default file in the program directory.
    void roundTripsFileEntriesAndExit() {
        QTemporaryDir dir;
        ProgramRun run(QString{});
        TimingView *v = run.view();
        Choose(v->cmbRate, "1GSa/S");
        v->scrlZoom->triggerAction(QAbstractSlider::SliderSingleStepSub); // one step out
        QTest::mouseClick(v->lbTab[1], Qt::LeftButton);
        // The zoom one step out, A2's volts per division and offset; the stepper is back in its
        // middle.
        QCOMPARE((QStringList{v->cmbRate->currentText(), v->cmbZoom->currentText(),
                              v->cmbVdiv->currentText()}),
                 (QStringList{"250MSa/S", "/2", "2V"}));
        QCOMPARE((QList<int>{v->scrlZoom->value(), v->lbTab[1]->frameShadow(),
                             v->ScrollOffset->value()}),
                 (QList<int>{0, QFrame::Sunken, 203}));

        app().startup.AppDir = dir.path();
        auto *file = qobject_cast<QMenu *>(run.w->mnuFileExit->associatedObjects().value(0));
        QVERIFY(file);
        auto *autoLoad = Action(run.w, "mnuAutoLoadSetting");
        QVERIFY(autoLoad && !autoLoad->isChecked());

        const QString saved = QDir(dir.path()).filePath(QStringLiteral("mine.ini"));
        run.ui.fileNames = {saved, saved};
        app().view.HbarPos[0] = 40;
        Action(run.w, "mnuSaveSetting")->trigger();
        QVERIFY(autoLoad->isChecked() && CompleteSettings(saved));
        autoLoad->trigger();
        QCOMPARE(app().display.AutoLoad, int16_t{0});
        app().view.HbarPos[0] = 28;
        Action(run.w, "mnuLoadSetting")->trigger();
        QCOMPARE((QList<int>{app().view.HbarPos[0], run.view()->ScrollHbar[0]->value(),
                             autoLoad->isChecked()}),
                 (QList<int>{40, 40, 1}));

        file->popup(run.w->mapToGlobal(QPoint(0, 0)));
        QVERIFY(Screenshot(file, "FileMenu.png"));
        file->hide();
        run.w->mnuFileExit->trigger();
        QVERIFY(CompleteSettings(QDir(dir.path()).filePath(QStringLiteral("Vrx73604v4.ini"))));
    }

    // SIGTERM ends the program as closing its window does, with exit status 0 and a complete
    // default settings file in its working directory: while the start-up shows its boxes (the
    // detection box closes and the configuration error that follows it is not left waiting) and
    // while it acquires (the power-off block is the instrument's last bus events).
    void terminateSavesSettings() {
        for (const bool acquiring : {false, true}) {
            QTemporaryDir dir;
            QProcess program;
            const QString trace = acquiring
                                      ? StartSimulatedProgram(program, dir.path())
                                      : StartSimulatedProgram(program, dir.path(),
                                                              {"HWLINK_SIM_FAULT=neverready"}, {});
            QVERIFY(program.waitForStarted());
            // The search has begun (the handlers are in place, the first box is coming), or
            // records come.
            QVERIFY(WaitUntil(
                [&] {
                    const QByteArray t = ReadAll(trace);
                    return !t.isEmpty() && (!acquiring || t.count("usb-bulk-in") > 3);
                },
                20000));
            program.terminate();
            QVERIFY(program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
            QVERIFY(CompleteSettings(QDir(dir.path()).filePath(QStringLiteral("Vrx73604v4.ini"))));
            if (acquiring)
                QVERIFY(ReadAll(trace).endsWith("addr 28\nwr 0\naddr 29\nwr 80\naddr 31\nwr 0\n"));
        }
    }
};

VRX_WINDOW_TEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
