#include "shell/MessageWindow.h"
#include "shell/QtOperator.h"
#include "shell/WindowPlacement.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace kvt;

class ShellTest : public QObject {
    Q_OBJECT

private:
    enum class Act { Enter, Escape, CloseBox, AskingWindowGoes };

private Q_SLOTS:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("kvtcomm")); }

    void init() { QCOMPARE(QApplication::topLevelWidgets().size(), 0); }

    void cleanup() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void placement_data()
    {
        for (const char* column : {"owner", "screen"})
            QTest::addColumn<QRect>(column);
        QTest::addColumn<QPoint>("centred");
        QTest::addColumn<QPoint>("beside"); // for a window of 720 x 420
        const QRect laptop(0, 0, 1366, 768);
        QTest::newRow("room") << QRect(0, 0, 760, 480) << QRect(0, 0, 1920, 1080) << QPoint(20, 30)
                              << QPoint(760, 0);
        QTest::newRow("at the right edge: kept on the screen, beside on the left")
            << QRect(1000, 100, 760, 480) << laptop << QPoint(646, 130) << QPoint(280, 100);
        QTest::newRow("no room beside: over the owner's right part")
            << laptop << laptop << QPoint(323, 174) << QPoint(646, 0);
        QTest::newRow("second screen: kept on the owner's")
            << QRect(1300, -200, 100, 100) << QRect(1366, 0, 1280, 1024) << QPoint(1366, 0)
            << QPoint(1400, 0);
    }

    void placement()
    {
        QFETCH(QRect, owner);
        QFETCH(QRect, screen);
        QTEST(centredOver(owner, {720, 420}, screen), "centred");
        QTEST(besideOf(owner, {720, 420}, screen), "beside");
    }

    void operatorAnswers_data()
    {
        QTest::addColumn<MessageButtons>("buttons");
        QTest::addColumn<Act>("act");
        QTest::addColumn<MessageAnswer>("answer");

        using B = MessageButtons;
        using A = MessageAnswer;
        QTest::newRow("Ok, close box") << B::Ok << Act::CloseBox << A::Ok;
        QTest::newRow("OkCancel, Escape") << B::OkCancel << Act::Escape << A::Cancel;
        QTest::newRow("YesNo, Enter") << B::YesNo << Act::Enter << A::Yes;
        // A destructive question says so; Enter then keeps what is there.
        QTest::newRow("YesNo defaulting to No, Enter") << B::YesNo << Act::Enter << A::No;
        // The box goes with the window, and the caller gets the answer of a
        // box closed without choosing instead of a crash.
        QTest::newRow("OkCancel, asking window goes")
            << B::OkCancel << Act::AskingWindowGoes << A::Cancel;
    }

    void operatorAnswers()
    {
        QFETCH(MessageButtons, buttons);
        QFETCH(Act, act);
        auto* window = new QWidget;
        window->resize(600, 400);
        window->show();
        QString title;
        bool overWindow = false;
        QTimer::singleShot(0, window, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return; // no answer comes, and the test times out
            title = box->windowTitle();
            overWindow = window->frameGeometry().contains(box->frameGeometry());
            if (act == Act::Enter || act == Act::Escape)
                QTest::keyClick(box, act == Act::Enter ? Qt::Key_Return : Qt::Key_Escape);
            else if (act == Act::CloseBox)
                box->windowHandle()->close();
            else
                delete window;
        });

        // The old program's boxes without a title showed the project's name.
        const QString given = buttons == MessageButtons::Ok ? QString() : QStringLiteral("PORT");
        const MessageAnswer answer = QtOperator().message(
            window, {QStringLiteral("IS KVT7 CURRENTLY CONNECTED TO COM1 "), given,
                     MessageIcon::Question, buttons,
                     QTest::currentDataTag() == QLatin1String("YesNo defaulting to No, Enter")
                         ? std::optional(MessageAnswer::No)
                         : std::nullopt});

        QTEST(answer, "answer");
        QCOMPARE(title, given.isEmpty() ? QStringLiteral("kvtcomm") : given);
        QVERIFY(overWindow);
        if (act != Act::AskingWindowGoes)
            delete window;
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    void messageWindowEnds_data()
    {
        QTest::addColumn<Act>("act");
        QTest::addColumn<bool>("engineUnloadsOnCancel");

        QTest::newRow("Escape") << Act::Escape << false;
        // <ENT> is the controller's: the window goes when the transfer is over.
        QTest::newRow("Enter stops nothing") << Act::Enter << false;
        // An engine winding down on cancelled() must not stop a second time.
        QTest::newRow("close box, engine unloads") << Act::CloseBox << true;
    }

    void messageWindowEnds()
    {
        QFETCH(Act, act);
        QFETCH(bool, engineUnloadsOnCancel);
        QWidget owner;
        owner.resize(600, 400);
        owner.show();
        QPointer<MessageWindow> window = new MessageWindow(&owner);
        window->show();
        // Grown after it opened, still over its owner, and usable while the owner is locked.
        window->setMessage(QStringLiteral("SENDING\n  * Press <ENT>\n  Click <Cancel> to abort"));
        owner.setEnabled(false);
        QVERIFY(owner.frameGeometry().contains(window->frameGeometry()));
        QCOMPARE(QAccessible::queryAccessibleInterface(window)->role(), QAccessible::Dialog);
        QCOMPARE(window->findChild<QLabel*>()->font(), QApplication::font());
        QSignalSpy cancelled(window.data(), &MessageWindow::cancelled);
        QSignalSpy destroyed(window.data(), &QObject::destroyed);
        if (engineUnloadsOnCancel)
            connect(window, &MessageWindow::cancelled, this, [window] { window->unload(); });

        auto* cancel = window->findChild<QPushButton*>();
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        if (act == Act::Escape || act == Act::Enter)
            QTest::keyClick(cancel, act == Act::Escape ? Qt::Key_Escape : Qt::Key_Return);
        else if (act == Act::CloseBox)
            window->windowHandle()->close(); // what the window manager's close box does
        if (act == Act::Enter)
            window->unload();

        QCOMPARE(cancelled.size(), act == Act::Enter ? 0 : 1);
        // Its owner knows, even before it is deleted, that the next transfer
        // needs a window of its own.
        QVERIFY(!window->isVisible() && window->isUnloaded());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(destroyed.size(), 1);
    }
};

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"
