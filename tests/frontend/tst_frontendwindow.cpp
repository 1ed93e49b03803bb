#include "support/ScreenReader.h"
#include "support/WindowRig.h"

#include "editor/EditorController.h"
#include "frontend/PanelLook.h"
#include "frontend/ReplyDisplay.h"
#include "frontend/TrafficLogWindow.h"
#include "kvt31_33/Kvt31_33Window.h"
#include "kvt52/Kvt52Window.h"
#include "kvt7/Kvt7Window.h"
#include "link/CommEvents.h"
#include "shell/MessageWindow.h"
#include "shell/QtOperator.h"
#include "shell/WindowPlacement.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

using namespace kvt;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(kvt::ReplyDisplay::Change)

namespace {

// Any family's window on a fake port: what every front-end window shares is
// asked of each through the same few steps.
struct Skeleton {
    test::ScriptedOperator* op = nullptr;
    test::FakeSerialPort* port = nullptr;
    FrontEndWindow* window = nullptr;
    std::shared_ptr<void> rig;

    template <class Window> static Skeleton made(Timings t, const QString& model)
    {
        auto rig = std::make_shared<test::WindowRig<Window>>(t, model);
        return {&rig->op, rig->port, rig->window.get(), rig};
    }
    static Skeleton of(const QString& model, Timings t = test::WindowRig<Kvt7Window>::timings())
    {
        if (model == QLatin1String("kvt7"))
            return made<Kvt7Window>(t, {});
        if (model.startsWith(QLatin1String("kvt3")))
            return made<Kvt31_33Window>(t, model);
        return made<Kvt52Window>(t, model);
    }
    // The start-up questions answered for COM1 or COM2; the four models ask in their dialog.
    Skeleton& started(bool onCom1 = true)
    {
        const bool fourModel = qobject_cast<Kvt52Window*>(window);
        if (!fourModel)
            op->answerNext(onCom1 ? MessageAnswer::Yes : MessageAnswer::No);
        window->initialise();
        if (fourModel) {
            if (!onCom1)
                button("Portopt_1")->click();
            button("cmdOK")->click();
        }
        window->show();
        return *this;
    }
    QAbstractButton* button(const char* name)
    {
        return window->findChild<QAbstractButton*>(QLatin1String(name));
    }
    QString text(const char* label) const
    {
        return window->findChild<QLabel*>(QLatin1String(label))->text();
    }
    QStringList told() const
    {
        QStringList boxes;
        for (const Message& m : op->messages)
            boxes << m.title + u'|' + m.text;
        return boxes;
    }
};

} // namespace

class TestFrontEndWindow : public QObject {
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

    void startUp_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("onCom1");
        QTest::addColumn<QString>("missing"); // a device that cannot be opened
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QList<int>>("lengthAndThreshold");
        QTest::addColumn<Handshaking>("handshaking");
        QTest::addColumn<int>("controls"); // at least as many a screen reader names
        const QString kvt7 = QStringLiteral("KVT7 COMMUNICATION INTERFACE|");
        const QString keypad = QStringLiteral("COMMUNICATION INTERFACE|");
        const QString fourModel = QStringLiteral("Communication Port Setting|");
        const auto failed = [](const QString& title) {
            return QStringList{"|Cannot open /dev/ttyFAKE2",
                               title + "COM2 could not be opened. Choose the device COM2 stands "
                                       "for with Ports...?"};
        };
        const auto none = Handshaking::None, rtsCts = Handshaking::RtsCts;
        const QString fast = QStringLiteral("9600,N,8,1");
        QTest::newRow("KVT7, COM2 missing")
            << "kvt7" << false << "/dev/ttyFAKE2"
            << QStringList{kvt7 + "IS KVT7 CURRENTLY CONNECTED TO COM1 ",
                           kvt7 + "KVT7 IS CONNECTED TO COM2"} +
                   failed(kvt7)
            << fast << QList{0, 1} << none << 0;
        QTest::newRow("KVT33, COM2") << "kvt33" << false << ""
                                     << QStringList{keypad + "IS KVT33 CURRENTLY CONNECTED TO "
                                                             "COM1 ? ",
                                                    keypad + "KVT33 IS  CONNECTED TO  COM2 "}
                                     << "1200,N,8,1" << QList{0, 2} << rtsCts << 6;
        QTest::newRow("PX54, COM1")
            << "px54" << true << ""
            << QStringList{fourModel + "PX54 is currently connected to Comm 1\r\nSetting : " + fast}
            << fast << QList{2, 2} << rtsCts << 30;
    }

    void startUp()
    {
        QFETCH(QString, model);
        QFETCH(bool, onCom1);
        QFETCH(QString, missing);
        QFETCH(QString, settings);
        QFETCH(int, controls);
        Skeleton w = Skeleton::of(model);
        w.port->missingDevices = {missing};
        w.started(onCom1);
        QTEST(w.told(), "boxes");
        QTEST((QList{w.port->inputLength(), w.port->receiveThreshold()}), "lengthAndThreshold");
        QTEST(w.port->handshaking(), "handshaking");
        const QString port = QStringLiteral("COM%1 /dev/ttyFAKE%1: ").arg(onCom1 ? 1 : 2);
        QCOMPARE(w.port->isOpen(), missing.isEmpty());
        QCOMPARE(w.text("lblport"), port + (missing.isEmpty() ? "open, " + settings : "closed"));
        if (missing.isEmpty())
            QCOMPARE(w.port->settings, settings);
        else // the offer taken
            QTRY_VERIFY(w.window->findChild<QDialog*>(QStringLiteral("frmports")));
        int checked = 0;
        const QStringList unnamed = test::unnamedControls(w.window, &checked);
        QVERIFY2(unnamed.isEmpty() && checked >= controls,
                 qPrintable(unnamed.join(u' ') + QString::number(checked)));
    }

    void repliesAndLineEvents_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("pieces");        // of received text kept on show
        QTest::addColumn<QString>("lineError"); // appended, replacing or box
        QTest::addColumn<int>("unknownBoxes");
        QTest::addColumn<bool>("unknownShown"); // in lblresponse while the operator is asked
        QTest::newRow("KVT7") << "kvt7" << 19 << "appended" << 1 << false;
        QTest::newRow("KVT31") << "kvt31" << 9 << "replacing" << 1 << true;
        QTest::newRow("KVT52") << "kvt52" << 0 << "box" << 2 << false;
    }

    void repliesAndLineEvents()
    {
        QFETCH(QString, model);
        QFETCH(int, pieces);
        QFETCH(QString, lineError);
        QFETCH(int, unknownBoxes);
        Skeleton w = Skeleton::of(model);
        w.started();
        w.op->messages.clear();
        QString burst;
        for (int i = 1; i <= 25; ++i)
            burst += QStringLiteral("L%1\r\n").arg(i);
        w.port->receive(burst.left(40).toLatin1());
        w.port->receive(burst.mid(40).toLatin1());
        // The last pieces-1 lines and what follows their final CR LF.
        QCOMPARE(w.text("lblresponse"),
                 pieces ? burst.mid(burst.indexOf(QStringLiteral("L%1\r").arg(27 - pieces)))
                        : QString());
        // An odd end is shown once the line falls quiet, not held for a further character.
        w.port->receive("POS=+");
        if (pieces)
            QTRY_VERIFY(w.text("lblresponse").endsWith(QLatin1String("POS=+")));
        const QString before = w.text("lblresponse");
        const QString lineText = QStringLiteral("Break Received ! ");
        w.port->raiseEvent(CommEvent::Break);
        if (lineError == QLatin1String("appended"))
            QCOMPARE(w.text("lblresponse"), before + lineText);
        else if (lineError == QLatin1String("replacing"))
            QCOMPARE(w.text("lblresponse"), lineText);
        else
            QVERIFY(w.text("lblresponse") == before && w.told() == QStringList{"|" + lineText});
        // An unknown event: ignored with OK, the port closed by the last box's Cancel.
        w.op->messages.clear();
        QString shownWhileAsked;
        w.op->onMessage = [&](const Message&) { shownWhileAsked = w.text("lblresponse"); };
        for (int i = 1; i < unknownBoxes; ++i)
            w.op->answerNext(MessageAnswer::Ok);
        w.op->answerNext(MessageAnswer::Cancel);
        w.port->raiseEvent(1009);
        QCOMPARE(w.op->messages.size(), unknownBoxes);
        QCOMPARE(w.op->messages.constLast().text, unknownEventText);
        QCOMPARE(w.op->messages.constFirst().text, unknownEventText);
        QFETCH(bool, unknownShown);
        QCOMPARE(shownWhileAsked == unknownEventText, unknownShown);
        QCOMPARE(w.op->beeps, 1);
        QVERIFY(!w.port->isOpen() && w.text("lblport").endsWith(QLatin1String(": closed")));
        // The traffic log holds what came, unless the window has no use for it.
        w.window->findChild<QAction*>(QStringLiteral("mnutraffic"))->trigger();
        QCOMPARE(w.window->findChild<TrafficLogWindow*>()->shownText().contains(
                     QLatin1String("L25<CR><LF>")),
                 pieces > 0);
    }

    void closingStopsTheTransferFirst_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("download");
        // Before a download, then to the save question.
        QTest::addColumn<QList<MessageAnswer>>("answers");
        QTest::addColumn<QStringList>("held"); // menus off while it runs
        QTest::addColumn<QByteArray>("wire");
        using A = MessageAnswer;
        QTest::newRow("KVT7") << "kvt7"
                              << "mnudownload" << QList{A::No} << QStringList{}
                              << QByteArray("AB1\r");
        QTest::newRow("KVT31") << "kvt31"
                               << "mnudownload" << QList{A::Ok, A::No}
                               << QStringList{"mnufile", "mnuedit", "mnudownloadmenu", "mnuverify",
                                              "mnuupload"}
                               << QByteArray("AB1\r");
        // The controller is not left inside an open block.
        QTest::newRow("KVT52") << "kvt52"
                               << "mnudlprg" << QList{A::Yes, A::No}
                               << QStringList{"mnufile", "mnuedit", "mnudownload", "mnuupload",
                                              "mnucomm"}
                               << QByteArray("S00\rC");
    }

    void closingStopsTheTransferFirst()
    {
        QFETCH(QString, model);
        QFETCH(QStringList, held);
        Timings t = test::WindowRig<Kvt7Window>::timings();
        t.keypadPause = t.quietPeriod = t.downloadReplyQuiet = 60s; // stays at the first line
        Skeleton w = Skeleton::of(model, t);
        w.started();
        if (auto* activate = w.window->findChild<QAction*>(QStringLiteral("mnueact")))
            activate->trigger();
        w.window->editor().setUploadedText(QStringLiteral("ab1\r\ncd"), {});
        QFETCH(QList<MessageAnswer>, answers);
        for (const MessageAnswer answer : answers)
            w.op->answerNext(answer);
        QFETCH(QString, download);
        w.window->findChild<QAction*>(download)->trigger();
        QVERIFY(QTest::qWaitFor([&] { return w.port->written().endsWith("\r"); }, 5000));
        QVERIFY(w.window->transferRunning());
        const auto offered = [&](bool on) {
            for (const QString& item : held)
                QVERIFY2(w.window->findChild<QAction*>(item)->isEnabled() == on, qPrintable(item));
        };
        offered(false);
        // The save question comes once the transfer has ended.
        bool runningUnderQuestion = true;
        w.op->onMessage = [&](const Message&) {
            runningUnderQuestion = w.window->transferRunning();
        };
        w.window->close();
        QTRY_VERIFY2(!w.window->isVisible(), qPrintable(w.told().join(u' ')));
        QVERIFY(!runningUnderQuestion && !w.port->isOpen());
        QTEST(w.port->written(), "wire");
        offered(true);
    }

    void highContrastReadsWell_data()
    {
        QTest::addColumn<QColor>("back");
        const QColor backs[] = {look::inactiveBack, look::white,       look::editorFrame,
                                look::onlineFrame,  look::onlineEntry, look::onlineHistory,
                                look::manualBack,   look::monitorBack, look::responseBack};
        for (const QColor& back : backs)
            QTest::newRow(qPrintable(back.name())) << back;
    }

    void highContrastReadsWell()
    {
        QFETCH(QColor, back);
        QCOMPARE(qRound(look::contrastRatio(look::responseText, look::responseBack) * 100), 259);
        const look::Colours shown =
            look::highContrast({back, look::inactiveText}, look::Surface::Panel);
        QVERIFY(look::contrastRatio(shown.back, shown.text) >= 7.0);
        // A colour that reads well already keeps its hue.
        QCOMPARE(shown.back == back, qMax(look::contrastRatio(back, look::black),
                                          look::contrastRatio(back, look::white)) >= 7.0);
    }

    void switchingRepaintsAndReads()
    {
        const test::WindowRig<Kvt7Window> remembering; // where the choice is stored
        QGroupBox panel(QStringLiteral("EDITOR"));
        new QVBoxLayout(&panel); // a child of the frame that is not its caption's
        look::paint(&panel, look::inactiveBack, look::inactiveText);
        ReplyDisplay replies(19);
        look::paint(&replies, look::responseBack, look::responseText);
        panel.show();
        panel.setTitle(QStringLiteral("ONLINE")); // an upload retitles an inactive frame
        QTRY_COMPARE(panel.accessibleName(), QStringLiteral("ONLINE (inactive)"));

        look::LookSwitch::instance().choose(true);
        QCOMPARE(replies.palette().color(QPalette::Window), look::white);
        QCOMPARE(replies.palette().color(QPalette::WindowText), look::black);
        // The design colours stay what the window tells its panels' states by.
        QCOMPARE(look::background(&panel), look::inactiveBack);
        look::paint(&panel, look::onlineFrame, look::black);
        QVERIFY(panel.accessibleName().isEmpty());
        QVERIFY(QSettings().value(QStringLiteral("view/highContrast")).toBool());

        look::LookSwitch::instance().choose(false);
        QCOMPARE(replies.palette().color(QPalette::Window), look::responseBack);
        QCOMPARE(replies.palette().color(QPalette::WindowText), look::responseText);

        replies.appendReceived(QStringLiteral("OK\r\nP=5"));
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&replies);
        QVERIFY(reader->textInterface());
        QCOMPARE(reader->textInterface()->text(4, 7), QStringLiteral("P=5"));
        QCOMPARE(reader->text(QAccessible::Name), replies.text());
    }

    void replyChanges_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("now");
        QTest::addColumn<int>("appended");
        QTest::addColumn<ReplyDisplay::Change>("change");
        const QString ok = QStringLiteral("OK\r\n");
        const QString timeout = QStringLiteral("Upload timeout error ! ");
        QTest::newRow("appended") << ok << ok + "P=5" << 3 << ReplyDisplay::Change{"", 4, "P=5"};
        QTest::newRow("oldest dropped") << ok + "P=5\r\n"
                                        << "P=5\r\nEND" << 3 << ReplyDisplay::Change{ok, 5, "END"};
        QTest::newRow("more than is kept") << ok << "B" << 9 << ReplyDisplay::Change{ok, 0, "B"};
        QTest::newRow("replaced") << ok << timeout << -1 << ReplyDisplay::Change{ok, 0, timeout};
    }

    void replyChanges()
    {
        QFETCH(QString, before);
        QFETCH(QString, now);
        QFETCH(int, appended);
        QTEST(ReplyDisplay::changeOf(before, now, appended), "change");
    }
};

QTEST_MAIN(TestFrontEndWindow)
#include "tst_frontendwindow.moc"
