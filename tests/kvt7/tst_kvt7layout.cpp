#include "support/WindowRig.h"

#include "kvt7/Kvt7Window.h"
#include "kvt7/PlanScale.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

using namespace kvt;

class TestKvt7Layout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void planScale_data();
    void planScale();
    void windowFitsItsScreen();
};

void TestKvt7Layout::planScale_data()
{
    QTest::addColumn<QSizeF>("room");
    QTest::addColumn<double>("smallest"); // points; the text is 9 pt
    QTest::addColumn<double>("scale");
    // The KVT7 plan at 96 dpi, 940 x 651.
    QTest::newRow("fits as drawn") << QSizeF(1350, 651) << 7.0 << 1.0;
    QTest::newRow("never grows") << QSizeF(2000, 2000) << 7.0 << 1.0;
    QTest::newRow("width decides") << QSizeF(705, 651) << 6.0 << 0.75;
    QTest::newRow("height decides") << QSizeF(940, 488.25) << 6.0 << 0.75;
    QTest::newRow("stops at the smallest readable") << QSizeF(470, 325.5) << 6.3 << 0.7;
    QTest::newRow("none known: four fifths") << QSizeF(470, 325.5) << 0.0 << 0.8;
    QTest::newRow("larger than the text: four fifths") << QSizeF(470, 325.5) << 12.0 << 0.8;
    QTest::newRow("text at the smallest already") << QSizeF(470, 325.5) << 9.0 << 1.0;
}

void TestKvt7Layout::planScale()
{
    QFETCH(QSizeF, room);
    QFETCH(double, smallest);
    QFETCH(double, scale);
    QCOMPARE(fittedPlanScale(QSizeF(940, 651), room, 9.0, smallest), scale);
}

// Run on a 1280 x 1024 screen at 150 % (see CMakeLists.txt): the whole window in
// view, nothing to scroll, the text no smaller than the platform allows.
void TestKvt7Layout::windowFitsItsScreen()
{
    test::WindowRig<Kvt7Window> rig;
    rig.initialised();
    auto* window = rig.window.get();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRect room = window->screen()->availableGeometry();
    auto* area = qobject_cast<QScrollArea*>(window->centralWidget());
    const QWidget* plan = area->widget();
    qInfo("screen %dx%d at %g, window %dx%d (%gx%g device pixels), plan %dx%d, text %g pt",
          room.width(), room.height(), window->devicePixelRatio(), window->width(),
          window->height(), window->width() * window->devicePixelRatio(),
          window->height() * window->devicePixelRatio(), plan->width(), plan->height(),
          plan->font().pointSizeF());
    QVERIFY(room.contains(window->frameGeometry()));
    QVERIFY(!area->horizontalScrollBar()->isVisible());
    QVERIFY(!area->verticalScrollBar()->isVisible());
    const double smallest =
        QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont).pointSizeF();
    QVERIFY(plan->font().pointSizeF() >= qMin(smallest, 0.8 * window->font().pointSizeF()));
    // Every frame stays inside the plan it was drawn to.
    for (const QGroupBox* frame : plan->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
        QVERIFY2(plan->rect().contains(frame->geometry()), qPrintable(frame->objectName()));
}

QTEST_MAIN(TestKvt7Layout)
#include "tst_kvt7layout.moc"
