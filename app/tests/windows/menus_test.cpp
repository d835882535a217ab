// SPDX-License-Identifier: GPL-3.0-or-later
// The menu bar as a user meets it: the tree with its captions and names, the entries still to
// come disabled, a radio group and the status bar switch through the real actions, the software
// catch started from the menu, the function and XY windows over live signals, the overview
// strip's traces, the help page and the About box. Screenshots for people to look at.
#include <map>

#include <QDesktopServices>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScopeGuard>

#include "core/analysis/xy.h"
#include "core/base/events.h"
#include "gui_fixture.h"
#include "windows/analysis/function_window.h"
#include "windows/analysis/xy_window.h"
#include "windows/common/widgets.h"
#include "windows/main/about_box.h"

using namespace vrx;
using namespace vrx::test;

// Receives the pages the program hands to the desktop's browser.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class MenusTest : public QObject {
    Q_OBJECT
  private slots:
    void treeNamesAndPendingEntries() {
        ProgramRun run(QString{});
        MainWindow *w = run.w.get();
        QStringList titles;
        for (QAction *a : w->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, QStringList({"&File", "&View", "&Setup", "&Logic", "&Backup", "&Color",
                                      "&Window", "&Help"}));
        const std::map<const char *, QString> some = {
            {"mnuDispCh(6)", "Display D&0-D15"},   {"mnuDispunit(1)", "Dispay Samples"},
            {"mnuPersist", "&Persistance"},        {"mnuZoomby(4)", "&Auto. align"},
            {"mnuCountppm(5)", "+0 ppm"},          {"mnuRate27(0)", "200 Sa/s max. for Fast PC"},
            {"mnuClearBuf(2)", "Clear LA buffer"}, {"mnuLaTrigger", "&Trigger word"}};
        for (const auto &[name, text] : some)
            QVERIFY2(Action(w, name) && Action(w, name)->text() == text &&
                         !Action(w, name)->associatedObjects().isEmpty(), // in a menu
                     name);
        // Entries whose code is built on its own take the place the tree gave them, once.
        for (const char *name :
             {"mnuLoadSetting", "mnuAutoLoadSetting", "mnuExcel", "mnuPrintOut(2)", "mnuColorSetup",
              "mnuProbeCal(0)", "mnuInitial", "mnuCountppm(10)", "mnuSearch", "mnuState"}) {
            const auto found = w->findChildren<QAction *>(QString::fromLatin1(name));
            QVERIFY2(found.size() == 1 && found[0]->isEnabled(), name);
        }

        // "28" alone checked; the lanes and the view grow with it.
        auto *h28 = Action(w, "mnuChHigh(2)");
        h28->trigger();
        QStringList marks;
        for (int i = 0; i < 4; ++i)
            marks << (w->findChild<QAction *>(Indexed("mnuChHigh", i))->isChecked() ? "x" : "-");
        QCOMPARE(marks.join(QString()), QStringLiteral("--x-"));
        QCOMPARE(run.view()->Picture1->height(), 16 * 28);
        QVERIFY(run.view()->minimumHeight() >= run.view()->Picture1->y() + 16 * 28);

        auto *status = Action(w, "mnuViewStatusBar");
        QVERIFY(status->isChecked() && w->sbStatusBar->isVisible());
        status->trigger();
        QVERIFY(!status->isChecked() && !w->sbStatusBar->isVisible());
        status->trigger();

        w->mnuView->popup(w->mapToGlobal(QPoint(0, 0)));
        QVERIFY(Screenshot(w->mnuView, "ViewMenu.png"));
        w->mnuView->hide();
    }

    // 20 Sa/s caught sample by sample: every sample is drawn as it comes, the count shown.
    void softwareCatchFromTheMenu() {
        ProgramRun run(QStringLiteral("usb"));
        MainWindow *w = run.w.get();
        Action(w, "mnuCatch50")->trigger();
        QCOMPARE(app().display.CatchEnabled, int16_t{-1});
        Choose(run.view()->cmbRate, QStringLiteral("20Sa/S"));
        const AppState &s = app();
        int composed = 0;
        Subscription counted = Subscribe(Event::ScreenComposed, [&composed] { ++composed; });
        run.go()->trigger();
        QVERIFY(WaitUntil([&s] { return s.run.CatchCount >= 3; }));
        QCOMPARE(w->LabelStat[0]->text(), QStringLiteral("Catch count"));
        const int32_t first = s.run.CatchCount;
        const int before = composed;
        QVERIFY(WaitUntil([&s, first] { return s.run.CatchCount >= first + 4; }));
        QCOMPARE(w->LabelStat[1]->text(), QString::number(s.run.CatchCount));
        QCOMPARE(composed - before, s.run.CatchCount - first);
        QVERIFY(run.stop());
    }

    // Two sines an octave apart: a figure of eight on the XY plot.
    void functionAndXYOverLiveSignals() {
        ProgramRun run(QStringLiteral("usb"), "A1=sine,1000000,0.2,0;A2=sine,2000000,0.2,0");
        MainWindow *w = run.w.get();
        const AppState &s = app();
        w->mnuFunction->trigger();
        FunctionWindow *fu = w->functionWindow();
        QVERIFY(fu && fu->isVisible() && fu->windowTitle() == QStringLiteral("Functions"));
        Choose(fu->cmbSource[1], QStringLiteral("A2"));
        Choose(fu->cmbOperate, QStringLiteral("-"));
        QTest::mouseClick(fu->CheckFu, Qt::LeftButton);
        QCOMPARE(s.channels.ChanOn[DispF1], int16_t{1});

        w->mnuXYplot->trigger();
        XYWindow *xy = w->xyWindow();
        QVERIFY(xy && xy->isVisible() && w->mnuXYplot->isChecked());
        Choose(xy->cmbXYsrc[0], QStringLiteral("A1"));
        Choose(xy->cmbXYsrc[1], QStringLiteral("A2"));
        Action(w, "mnuZoomview")->trigger();

        // Every record is plotted while the window shows.
        int plots = 0;
        const QImage &plot = frmXY().PicXY;
        Subscription counted = Subscribe(Event::ScreenComposed, [&] {
            plots += RowsWithColor(plot, s.colors[ColA1]).size() > 50;
        });
        QVERIFY(run.start(QStringLiteral("Auto."), 3));
        QVERIFY(run.stop());
        QVERIFY(plots >= 3);
        QVERIFY(RowsWithColor(pictures().picScope[0], s.colors[ColF1]).size() > 20);
        QVERIFY(RowsWithColor(pictures().Picture2, s.colors[ColA1], kOverviewLeft).size() > 5);
        QVERIFY(Screenshot(fu, "frmFunction.png") && Screenshot(xy, "frmXY.png") &&
                Screenshot(w, "frmMain_overview.png"));

        // M2 on the Y axis switches M2 on; closing the plot clears its mark.
        Choose(xy->cmbXYsrc[1], QStringLiteral("M2"));
        QCOMPARE(s.channels.ChanOn[DispM2], int16_t{1});
        QVERIFY(Action(w, "mnuDispCh(3)")->isChecked());
        xy->close();
        QVERIFY(!w->mnuXYplot->isChecked() && s.display.XYOn == 0);
        QTest::mouseClick(fu->Ok, Qt::LeftButton);
        QVERIFY(!fu->isVisible());
    }

    void helpPageAndAboutBox() {
        ProgramRun run(QString{});
        MainWindow *w = run.w.get();
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler("file"); });
        // The page the build put beside the program, beside this test's program too.
        const QString page =
            QCoreApplication::applicationDirPath() + QStringLiteral("/vrxhelp.htm");
        QFile::remove(page);
        w->mnuHelpContents->trigger();
        QVERIFY(catcher.urls.isEmpty());
        QVERIFY(!run.ui.boxes.empty() && run.ui.boxes.back().text.contains(page));
        QVERIFY(QFile::copy(QFileInfo(QStringLiteral(VRX_PROGRAM)).absolutePath() +
                                QStringLiteral("/vrxhelp.htm"),
                            page));
        w->mnuHelpContents->trigger();
        QCOMPARE(catcher.urls, QList<QUrl>({QUrl::fromLocalFile(page)}));
        QFile::remove(page);

        w->mnuHelpAbout->trigger();
        AboutBox *about = w->aboutBox();
        QVERIFY(about && about->isVisible());
        QVERIFY(QRegularExpression(QStringLiteral("^Version \\d+\\.\\d+\\.\\d+$"))
                    .match(about->lblVersion->text())
                    .hasMatch());
        QVERIFY(about->lblLicence->text().contains(QStringLiteral("GNU General Public License")));
        QVERIFY(Screenshot(about, "frmAbout.png"));
        QTest::mouseClick(about->cmdOk, Qt::LeftButton);
        QVERIFY(!about->isVisible());
    }
};

VRX_WINDOW_TEST_MAIN(MenusTest)
#include "menus_test.moc"
