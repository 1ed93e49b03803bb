#include "app/FrontEnds.h"
#include "app/StartupWindow.h"
#include "shell/Module1.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/ScriptedOperator.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <memory>

using namespace kvt;
using test::FakeSerialPort;
using test::ScriptedOperator;

class StartupWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScriptedOperator> op;
    std::unique_ptr<FrontEnds> frontEnds;
    QPointer<StartupWindow> startup;
    QList<QPointer<QWidget>> opened;

    QRadioButton* option(int index) const
    {
        return startup->findChild<QRadioButton*>(QStringLiteral("optctrl_%1").arg(index));
    }

    void clickOk() const
    {
        QTest::mouseClick(startup->findChild<QPushButton*>(QStringLiteral("cmdcont1")),
                          Qt::LeftButton);
    }

    static void runDeferredDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static bool anyWindowVisible()
    {
        const auto windows = QApplication::topLevelWidgets();
        return std::any_of(windows.cbegin(), windows.cend(),
                           [](const QWidget* w) { return w->isVisible(); });
    }

    // The same expectations for every way of choosing a model.
    void verifyHandOver(int chosen)
    {
        QFETCH(int, modelNo);
        QFETCH(QString, objectName);
        QFETCH(QString, caption);

        QCOMPARE(opened.size(), 1);
        QWidget* window = opened.constFirst();
        QVERIFY(window);
        QCOMPARE(int(Module1::ModelNo), modelNo);
        QCOMPARE(window->objectName(), objectName);
        QCOMPARE(window->windowTitle(), caption);
        QVERIFY(window->isVisible());
        QVERIFY(!window->isModal());

        QVERIFY(startup);
        QVERIFY(option(chosen)->isChecked());
        QVERIFY(!startup->isVisible());
        runDeferredDeletes();
        QVERIFY(startup.isNull());
    }

    static void modelTable()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("startModelNo");
        QTest::addColumn<int>("modelNo");
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("firstQuestion");

        const QString kvt7Question = QStringLiteral("IS KVT7 CURRENTLY CONNECTED TO COM1 ");
        QTest::newRow("KVT7") << 0 << 0 << 0 << "frmkvt_7"
                              << "KVT7 communication interface" << kvt7Question;
        QTest::newRow("KVT7 leaves ModelNo alone")
            << 0 << 14 << 14 << "frmkvt_7"
            << "KVT7 communication interface" << kvt7Question;
        QTest::newRow("KVT31") << 1 << 0 << 1 << "frmkvt_31_33"
                               << "KVT31 COMMUNICATION INTERFACE" << QString();
        QTest::newRow("KVT33") << 2 << 0 << 2 << "frmkvt_31_33"
                               << "KVT33 COMMUNICATION INTERFACE" << QString();
        QTest::newRow("KVT52") << 3 << 0 << 2 << "frmkvt_px_52"
                               << "KVT52 COMMUNICATION INTERFACE" << QString();
        QTest::newRow("PX52") << 4 << 0 << 12 << "frmkvt_px_52"
                              << "PX52 COMMUNICATION INTERFACE" << QString();
        QTest::newRow("KVT54") << 5 << 0 << 4 << "frmkvt_px_52"
                               << "KVT54 COMMUNICATION INTERFACE" << QString();
        QTest::newRow("PX54") << 6 << 0 << 14 << "frmkvt_px_52"
                              << "PX54 COMMUNICATION INTERFACE" << QString();
    }

private Q_SLOTS:
    void init()
    {
        Module1::reset();
        op = std::make_unique<ScriptedOperator>();
        frontEnds = std::make_unique<FrontEnds>(
            AppContext{*op, [] { return std::make_unique<FakeSerialPort>(); }, Timings{}});
        connect(frontEnds.get(), &FrontEnds::opened, this,
                [this](QWidget* window) { opened.append(window); });
        startup = new StartupWindow(*frontEnds);
        startup->show();
        QVERIFY(QTest::qWaitForWindowExposed(startup));
    }

    void cleanup()
    {
        for (const QPointer<QWidget>& window : std::as_const(opened))
            if (window)
                window->close();
        opened.clear();
        delete startup;
        runDeferredDeletes();
        frontEnds.reset();
        op.reset();
    }

    void chooseWithOk_data() { modelTable(); }

    void chooseWithOk()
    {
        QFETCH(int, choice);
        QFETCH(int, startModelNo);
        QFETCH(QString, firstQuestion);
        Module1::ModelNo = static_cast<qint16>(startModelNo);

        QTest::mouseClick(option(choice), Qt::LeftButton);
        QVERIFY(option(choice)->isChecked());
        clickOk();

        verifyHandOver(choice);
        QCOMPARE(op->messages.isEmpty() ? QString() : op->messages.constFirst().text,
                 firstQuestion);
    }

    void okWithoutChoosingOpensKvt7()
    {
        clickOk();

        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.constFirst()->objectName(), QStringLiteral("frmkvt_7"));
        QCOMPARE(Module1::ModelNo, qint16(0));
    }

    void chooseWithDoubleClick_data() { modelTable(); }

    void chooseWithDoubleClick()
    {
        QFETCH(int, choice);
        QFETCH(int, startModelNo);
        Module1::ModelNo = static_cast<qint16>(startModelNo);

        QTest::mouseDClick(option(choice), Qt::LeftButton);

        verifyHandOver(choice);
    }

    void frontEndAsksOnlyAfterStartupWindowIsGone()
    {
        bool checked = false;
        bool anythingVisible = true;
        op->onMessage = [&](const Message&) {
            if (checked)
                return;
            checked = true;
            // Neither the start-up window nor the front end, which is shown
            // only after its port questions.
            anythingVisible = anyWindowVisible();
        };
        QSignalSpy destroyed(startup.data(), &QObject::destroyed);

        clickOk();

        QVERIFY(checked);
        QVERIFY(!anythingVisible);
        QCOMPARE(destroyed.size(), 0);
        runDeferredDeletes();
        QCOMPARE(destroyed.size(), 1);
    }

    void closeBoxEndsProgram()
    {
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        QWindow* handle = startup->windowHandle();
        QTimer::singleShot(0, handle, [handle] { handle->close(); });
        // Should the program not end, this ends the wait and the comparison fails.
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(99); });

        const int status = QCoreApplication::exec();

        QCOMPARE(status, 0);
        QCOMPARE(lastClosed.size(), 1);
        QVERIFY(opened.isEmpty());
        QVERIFY(op->messages.isEmpty());
        QCOMPARE(Module1::ModelNo, qint16(0));
    }
};

QTEST_MAIN(StartupWindowTest)
#include "tst_startupwindow.moc"
