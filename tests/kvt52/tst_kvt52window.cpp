#include "support/ScreenReader.h"
#include "support/WindowRig.h"

#include "editor/EditorController.h"
#include "frontend/TrafficLogWindow.h"
#include "kvt52/CommSetupDialog.h"
#include "kvt52/Kvt52Window.h"
#include "shell/MessageWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

using namespace kvt;
using namespace std::chrono_literals;

namespace {

struct Rig : test::WindowRig<Kvt52Window> {
    Rig() : WindowRig(timings(), QStringLiteral("kvt52"))
    {
        window->initialise();
        window->show();
    }
    static Timings timings()
    {
        Timings t = WindowRig::timings();
        t.quietPeriod = 5ms;
        t.blockUploadLimit = 300ms;
        return t;
    }
    CommSetupDialog* dialog() { return window->findChild<CommSetupDialog*>(); }
    void click(const QString& name) { find<QAbstractButton>(name)->click(); }
    // Started up with the dialog's OK on the defaults, the boxes forgotten.
    Rig& confirmed()
    {
        click(QStringLiteral("cmdOK"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        op.messages.clear();
        return *this;
    }
    QString shown() { return find<QLabel>(QStringLiteral("lblresponse"))->text(); }
    QTimer* pacingTimer()
    {
        return window->link().findChild<QTimer*>(QStringLiteral("tmrcharsend"));
    }
};

} // namespace

class TestKvt52Window : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void choiceMapping_data()
    {
        QTest::addColumn<CommOptions>("options");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("port");
        QTest::newRow("start values") << CommOptions{} << "9600,N,8,1" << 1;
        QTest::newRow("every last option") << CommOptions{1, 4, 1, 0, 1} << "19200,E,7,2" << 2;
        QTest::newRow("every first option") << CommOptions{0, 0, 0, 0, 0} << "1200,O,7,1" << 1;
    }

    void choiceMapping()
    {
        QFETCH(CommOptions, options);
        QFETCH(QString, settings);
        const CommChoice choice = choiceFrom(options);
        QCOMPARE(choice.settings(), settings);
        QTEST(int(choice.port), "port");
        QCOMPARE(optionsFor(choice), options); // and back
        // A text the dialog does not offer selects the last option of its array.
        QCOMPARE(optionsFor({3, "300", "X", "9", "0"}), (CommOptions{1, 4, 2, 1, 1}));
    }

    void download_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QByteArray>("cancelAfter"); // the operator cancels once this went out
        QTest::addColumn<QString>("portGone"); // "closed", or "lost" as a pulled cable leaves it
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("shownAfter");
        QTest::newRow("parameters, Cancel")
            << "mnudlpar" << QByteArray("AB1\r") << "" << QByteArray("S02\rAB1\rC")
            << " Downloading Aborted by User .....";
        // One box for the refused write, then no more lines and no success.
        QTest::newRow("port closed") << "mnudlposdata" << QByteArray() << "closed" << QByteArray()
                                     << "Download stopped after 0 of 2 lines.";
        // The refused write is told as the loss was, not in the system's words.
        QTest::newRow("port lost") << "mnudlprg" << QByteArray() << "lost" << QByteArray()
                                   << "Download stopped after 0 of 2 lines.";
    }

    void download()
    {
        QFETCH(QString, item);
        QFETCH(QByteArray, cancelAfter);
        QFETCH(QString, portGone);
        Rig rig;
        rig.confirmed();
        std::optional<Message> lossBox;
        if (portGone == QLatin1String("closed"))
            rig.port->close();
        if (portGone == QLatin1String("lost")) {
            rig.port->loseLink(QStringLiteral("gone"));
            lossBox = rig.op.messages.takeLast();
        }
        connect(rig.pacingTimer(), &QTimer::timeout, rig.window.get(), [&] {
            rig.port->receive("OK");
            if (!rig.window->transferRunning())
                return;
            rig.window->activateEditor(); // a click on the editor frame keeps the menus off
            QVERIFY(!rig.find<QAction>(QStringLiteral("mnucomm"))->isEnabled());
            if (!cancelAfter.isEmpty() && rig.port->written().endsWith(cancelAfter))
                QTest::mouseClick(rig.window->findChild<MessageWindow*>()->findChild<QPushButton*>(
                                      QStringLiteral("cmdcancel")),
                                  Qt::LeftButton);
        });
        rig.window->editor().setUploadedText(QStringLiteral("ab1 note\r\ncd\r\nx"), {});
        rig.op.answerNext(MessageAnswer::Yes);
        rig.trigger(item);
        QTRY_VERIFY(!rig.window->transferRunning());
        QTEST(rig.port->written(), "wire");
        QTEST(rig.shown(), "shownAfter");
        QCOMPARE(rig.op.messages.size(), portGone.isEmpty() ? 1 : 2);
        if (lossBox) {
            QCOMPARE(rig.op.messages.last().text, lossBox->text);
            QCOMPARE(rig.op.messages.last().title, lossBox->title);
        }
        QVERIFY(rig.find<QAction>(QStringLiteral("mnucomm"))->isEnabled());
    }

    void programCheckedBeforeTheQuestion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Message>("box"); // before the idle-mode question, which is answered Yes
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<QByteArray>("wire");
        const QString title = QStringLiteral("KVT52 / KVT54 / PX52 / PX54");
        const Message refused{
            QString::fromUtf8("Line 2 holds \"\u2713\" (U+2713), which the line to "
                              "the controller cannot carry. Nothing was sent."),
            title, MessageIcon::Exclamation, MessageButtons::Ok};
        const Message end{
            QStringLiteral("Line 2 (END) begins with END, which ends the controller's "
                           "storing: the line after it will not be stored.\r\nDownload "
                           "anyway?"),
            title, MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No};
        QTest::newRow("unsendable")
            << QString::fromUtf8("ab1\r\ncd\u2713") << refused << MessageAnswer::Ok << QByteArray();
        QTest::newRow("early END, No")
            << "ab1\r\nend\r\ncd" << end << MessageAnswer::No << QByteArray();
    }

    void programCheckedBeforeTheQuestion()
    {
        QFETCH(QString, text);
        QFETCH(MessageAnswer, answer);
        Rig rig;
        rig.confirmed().window->editor().setUploadedText(text, {});
        rig.op.answerNext(answer);
        rig.op.answerNext(MessageAnswer::Yes);
        rig.trigger(QStringLiteral("mnudlprg"));
        QTRY_VERIFY(!rig.window->transferRunning());
        QTEST(rig.op.messages.constFirst(), "box");
        QTEST(rig.port->written(), "wire");
    }

    void upload_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QString>("editorText");
        QTest::addColumn<QString>("shownAfter");
        QTest::addColumn<QString>("status");
        using L = QList<QByteArray>;
        QTest::newRow("empty") << L{"END\r"} << ""
                               << "Program Uploaded . . . "
                               << "Position Data upload complete: the block was empty";
        QTest::newRow("silent") << L{} << "KEPT"
                                << "Upload timeout error ! "
                                << "Upload timed out: nothing arrived; the editor keeps its text.";
    }

    void upload()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QString, editorText);
        Rig rig;
        rig.confirmed();
        rig.window->editor().setUploadedText(QStringLiteral("KEPT"), {});
        rig.op.answerNext(MessageAnswer::No); // the unsaved text need not be saved
        rig.trigger(QStringLiteral("mnuulposdata"));
        QVERIFY(rig.waitForWritten("S04\r"));
        QVERIFY(rig.window->findChild<MessageWindow*>()->message().contains(
            QLatin1String("POSITION DATA")));
        for (const QByteArray& piece : pieces)
            rig.port->receive(piece);
        QTRY_VERIFY(!rig.window->transferRunning());
        QCOMPARE(rig.window->editor().text(), editorText);
        QTEST(rig.shown(), "shownAfter");
        QTEST(rig.find<QLabel>(QStringLiteral("lblstatus"))->text(), "status");
        if (editorText != QLatin1String("KEPT"))
            QVERIFY(rig.window->editor().editFlag() && !rig.window->editor().fileFlag());
    }

    void lostPortWaitsForTheSetup()
    {
        Rig rig;
        rig.confirmed();
        auto* watch = rig.window->findChild<QTimer*>(QStringLiteral("tmrportwatch"));
        // Cancel leaves an open port as it was.
        rig.trigger(QStringLiteral("mnucomm"));
        rig.click(QStringLiteral("cmdcancel"));
        QTRY_VERIFY(!rig.dialog() && rig.port->isOpen());
        // Cancel and the close box keep the choice; only OK opens another port.
        for (const char* how : {"cmdcancel", "close box", "cmdOK"}) {
            rig.port->loseLink(QStringLiteral("gone"));
            QVERIFY(watch->isActive());
            rig.trigger(QStringLiteral("mnucomm"));
            // Coming back now would open the old port while the operator picks another.
            QVERIFY(!watch->isActive());
            rig.click(QStringLiteral("Portopt_1"));
            if (qstrcmp(how, "close box") == 0)
                rig.dialog()->close();
            else
                rig.click(QLatin1String(how));
            QTRY_VERIFY(!rig.dialog());
            const bool chosen = qstrcmp(how, "cmdOK") == 0;
            QCOMPARE(watch->isActive(), !chosen);
            QCOMPARE(rig.port->isOpen(), chosen);
            QCOMPARE(rig.port->openedPort, chosen ? 2 : 1);
        }
    }

    void setupFromTheKeyboard()
    {
        Rig rig;
        QVERIFY(rig.window->frameGeometry().contains(rig.dialog()->frameGeometry()));
        // At start-up there is no Cancel: Escape, like the close box, takes the choice shown.
        QVERIFY(rig.window->isChoosingCommSettings() && !rig.port->isOpen());
        QVERIFY(rig.find<QPushButton>(QStringLiteral("cmdcancel"))->isHidden());
        int checked = 0;
        QVERIFY(test::unnamedControls(rig.dialog(), &checked).isEmpty() && checked >= 15);
        const auto press = [&](std::initializer_list<Qt::Key> keys) {
            QTRY_VERIFY(rig.dialog() && rig.dialog()->isAncestorOf(QApplication::focusWidget()));
            for (Qt::Key key : keys)
                QTest::keyClick(QApplication::focusWidget(), key);
            QTRY_VERIFY(!rig.dialog());
        };
        press({Qt::Key_Escape});
        QVERIFY(rig.port->isOpen() && rig.port->settings == QLatin1String("9600,N,8,1"));
        // Tab goes from frame to frame, the arrows choose within one, Enter is OK.
        rig.trigger(QStringLiteral("mnucomm"));
        press({Qt::Key_Down, Qt::Key_Tab, Qt::Key_Down, Qt::Key_Tab, Qt::Key_Up, Qt::Key_Tab,
               Qt::Key_Up, Qt::Key_Tab, Qt::Key_Down, Qt::Key_Return});
        QVERIFY(rig.port->openedPort == 2 && rig.port->settings == QLatin1String("19200,E,7,2"));
        QVERIFY(rig.op.messages.constLast().text.endsWith(QLatin1String("Setting : 19200,E,7,2")));
    }

    void typedTextLandsInTheClickedEditor()
    {
        // Typed at once after a click from the traffic log, before the window is active.
        Rig rig;
        rig.confirmed();
        rig.window->greyOutEditor();
        rig.trigger(QStringLiteral("mnutraffic"));
        QVERIFY(QTest::qWaitForWindowActive(rig.window->findChild<TrafficLogWindow*>()));
        QTest::mouseClick(rig.find<QPlainTextEdit>(QStringLiteral("txteditor"))->viewport(),
                          Qt::LeftButton, {}, QPoint(20, 20));
        QTest::keyClicks(nullptr, QStringLiteral("ab1 note"));
        QCOMPARE(rig.window->editor().text(), QStringLiteral("ab1 note"));
    }
};

QTEST_MAIN(TestKvt52Window)
#include "tst_kvt52window.moc"
