#include "support/PdfText.h"
#include "support/ScreenReader.h"
#include "support/WindowRig.h"

#include "base/Windows1252.h"
#include "editor/EditorController.h"
#include "editor/ListingPrinter.h"
#include "frontend/PanelLook.h"
#include "frontend/ReplyDisplay.h"
#include "frontend/TrafficLogWindow.h"
#include "kvt31_33/Kvt31_33Window.h"
#include "kvt52/Kvt52Window.h"
#include "kvt7/Kvt7Window.h"
#include "link/CommEvents.h"
#include "program/ProgramFile.h"
#include "shell/MessageWindow.h"
#include "shell/QtOperator.h"
#include "shell/WindowPlacement.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace kvt;
using namespace kvt::test;
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

// A front-end window reduced to its editor: the frame, the text box, the File
// and Edit menus, and the controller wired to them the way a window does it.
struct EditorRig {
    explicit EditorRig(const EditorProfile& profile)
        : menu(EditorMenu::addTo(new QMenu(window.get()), new QMenu(window.get()), profile)),
          editor(new EditorController(profile, op, txteditor, fraeditor, window.get()))
    {
        window->setCentralWidget(fraeditor);
        editor->wireMenu(menu);
    }

    void open(const QString& path)
    {
        op.answerNextFile(path);
        editor->open();
    }

    ScriptedOperator op; // outlives the window
    std::unique_ptr<QMainWindow> window = std::make_unique<QMainWindow>();
    QPointer<QGroupBox> fraeditor = new QGroupBox(window.get());
    QPointer<QPlainTextEdit> txteditor = new QPlainTextEdit(fraeditor);
    EditorMenu menu;
    QPointer<EditorController> editor;
};

const QString edited = QStringLiteral("G00,100\r\nM30");

} // namespace

Q_DECLARE_METATYPE(kvt::EditorProfile)

class TestFrontEndWindow : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString saved(const QString& n) const { return ProgramFile(path(n)).read().value_or("-"); }
    // n characters of program text, CR LF counting two; n % 7 != 6, or it ends in half of one.
    static QString program(int n) { return QStringLiteral("G00,1\r\n").repeated(72).left(n); }
    QString fileWith(const QString& name, const QString& text) const
    {
        return ProgramFile(path(name)).write(text) ? path(name) : QString();
    }

    enum class Act { Enter, Escape, CloseBox, AskingWindowGoes };

private Q_SLOTS:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("kvtcomm")); }

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

    void init()
    {
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QGuiApplication::clipboard()->setText(QStringLiteral("ON THE CLIPBOARD"));
    }

    void fileCommandsThroughTheMenu()
    {
        EditorRig rig(EditorProfile::kvt7());
        rig.txteditor->setPlainText(edited);
        // No to replacing a file keeps it; Cancel asks for a name again, offering the one chosen.
        const QString a1 = fileWith("A1.TXT", "OLD");
        for (const MessageAnswer answer :
             {MessageAnswer::No, MessageAnswer::Cancel, MessageAnswer::Yes}) {
            rig.op.answerNextFile(a1);
            rig.op.answerNext(answer);
        }
        rig.menu.saveAsItem->trigger();
        QCOMPARE(saved("A1.TXT"), "OLD");
        rig.menu.saveAsItem->trigger();
        QCOMPARE(saved("A1.TXT"), edited);
        QCOMPARE(rig.op.fileDialogs.at(2).fileName, a1);
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("EDITOR - A1.TXT"));
        rig.txteditor->appendPlainText(QStringLiteral("G01"));
        rig.menu.saveItem->trigger(); // into the file chosen, without a dialog
        QCOMPARE(saved("A1.TXT"), edited + "\r\nG01");
        QCOMPARE(rig.op.fileDialogs.size(), 3);
        rig.menu.newItem->trigger(); // no question: the text was saved
        QVERIFY(rig.editor->text().isEmpty() && !rig.editor->fileFlag());
        QCOMPARE(rig.op.messages.size(), 3);

        // A file that cannot be read is named, and nothing changes.
        rig.txteditor->setPlainText(edited);
        rig.op.answerNext(MessageAnswer::No); // don't save first
        rig.open(path("none/a.txt"));
        QCOMPARE(rig.op.messages.size(), 5);
        QVERIFY(rig.op.messages.at(4).text.contains(QLatin1String("none/a.txt: No such file")));
        QVERIFY(rig.editor->text() == edited && rig.editor->editFlag() && !rig.editor->fileFlag());
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("EDITOR - [NEW]"));
    }

    void saveQuestion_data()
    {
        QTest::addColumn<EditorProfile>("profile");
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("bound");
        QTest::addColumn<MessageAnswer>("answer");
        // After Yes: "new" saved under a name asked for, "place" saved in the
        // bound file, "cancel" no name given, "fails" saving fails.
        QTest::addColumn<QString>("save");
        QTest::addColumn<bool>("goesOn");

        const EditorProfile k7 = EditorProfile::kvt7();
        const EditorProfile px = EditorProfile::kvt52();
        const auto yes = MessageAnswer::Yes;
        QTest::newRow("No") << k7 << "mnuopen" << false << MessageAnswer::No << "" << true;
        QTest::newRow("Cancel") << k7 << "Exit" << true << MessageAnswer::Cancel << "" << false;
        QTest::newRow("Yes asks for a name") << k7 << "mnunew" << true << yes << "new" << true;
        QTest::newRow("Yes, no name given") << k7 << "Exit" << false << yes << "cancel" << false;
        QTest::newRow("Yes, save fails") << k7 << "mnuopen" << false << yes << "fails" << false;
        QTest::newRow("Yes saves in place") << px << "mnunew" << true << yes << "place" << true;
        QTest::newRow("Yes, in place but no file") << px << "Exit" << false << yes << "new" << true;
    }

    void saveQuestion()
    {
        QFETCH(EditorProfile, profile);
        QFETCH(QString, command);
        QFETCH(bool, bound);
        QFETCH(MessageAnswer, answer);
        QFETCH(QString, save);
        QFETCH(bool, goesOn);
        EditorRig rig(profile);
        const QString boundFile = fileWith("bound.txt", "OLD");
        if (bound)
            rig.open(boundFile);
        rig.txteditor->setPlainText(edited);
        rig.op.answerNext(answer);
        const QString name = path(save == "fails" ? "none/new.txt" : "new.txt");
        if (answer == MessageAnswer::Yes)
            rig.op.answerNextFile(save == "cancel" ? std::nullopt : std::optional(name));
        rig.op.answerNextFile(fileWith("other.txt", "OTHER"));

        bool exitAllowed = false;
        if (QAction* item = rig.window->findChild<QAction*>(command))
            item->trigger();
        else
            exitAllowed = rig.editor->mayDiscardText();

        QCOMPARE(rig.op.messages.constFirst().buttons, MessageButtons::YesNoCancel);
        QCOMPARE(rig.op.messages.size(), save == "fails" ? 2 : 1); // a failed save is told
        QCOMPARE(saved("new.txt"), save == "new" ? edited : "-");
        QCOMPARE(saved("bound.txt"), save == "place" ? edited : "OLD");
        QCOMPARE(exitAllowed, goesOn && command == "Exit");
        const QString after = command == "mnunew" ? QString() : QStringLiteral("OTHER");
        QCOMPARE(rig.editor->text(), goesOn && command != "Exit" ? after : edited);
        QCOMPARE(rig.editor->editFlag(), !goesOn || (command == "Exit" && save.isEmpty()));
    }

    void windowClosedDuringTheSaveQuestion()
    {
        EditorRig rig(EditorProfile::kvt7());
        rig.txteditor->setPlainText(edited);
        rig.op.onMessage = [&rig](const Message&) { rig.window.reset(); };
        rig.op.answerNext(MessageAnswer::No);
        rig.editor->open();
        QVERIFY(!rig.editor);
        QVERIFY(rig.op.fileDialogs.isEmpty());
    }

    // Capitals letter by letter, so that a line keeps its columns; an empty line
    // or a first word of one letter or none takes no number.
    void print_data()
    {
        QTest::addColumn<EditorProfile>("profile");
        QTest::addColumn<bool>("accepted"); // in the print dialog
        QTest::addColumn<QString>("pdf");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QStringList>("body"); // of each of two copies
        const EditorProfile k7 = EditorProfile::kvt7();
        QTest::newRow("Print") << k7 << true << "listing.pdf"
                               << "" << QStringList{"g00 ; go", "", "x 1", "  g01", "m30 \u00dfx"};
        QTest::newRow("cancelled") << k7 << false << "listing.pdf"
                                   << "" << QStringList();
        QTest::newRow("not printable") << k7 << true << "none/listing.pdf"
                                       << "could not be printed" << QStringList();
        QTest::newRow("Print with Line#")
            << EditorProfile::kvt52() << true << "listing.pdf"
            << "" << QStringList{"Line#       Command",      "",
                                 "   0          G00 ; GO",   "",
                                 "              X 1",        "                G01",
                                 "   1          M30 \u00dfX"};
    }

    void print()
    {
        QFETCH(EditorProfile, profile);
        QFETCH(bool, accepted);
        QFETCH(QString, pdf);
        QFETCH(QString, told);
        QFETCH(QStringList, body);
        EditorRig rig(profile);
        const QString file = fileWith("prog.txt", "g00 ; go\r\n\r\nx 1\r\n  g01\r\nm30 \u00dfx");
        rig.open(file);
        rig.op.answerNextPrint({accepted, 2, path(pdf)});
        if (!told.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        (profile.formattedListing ? rig.menu.printLineNumbersItem : rig.menu.printItem)->trigger();
        QCOMPARE(rig.op.messages.size(), told.isEmpty() ? 0 : 1);
        QVERIFY(rig.op.messages.value(0).text.contains(told));
        const QStringList page{"Filename  :  " + QDir::toNativeSeparators(file), ""};
        QCOMPARE(PdfText::pages(path(pdf)),
                 body.isEmpty() ? QList<QStringList>() : QList<QStringList>(2, page + body));
    }

    // Each copy begins on a page of its own; a full page goes on to the next,
    // a line too wide goes on below, even across a page break.
    void listingOnPaper()
    {
        QStringList listing;
        for (int i = 1; i <= 19; ++i)
            listing.append(QStringLiteral("L%1").arg(i));
        const QString wide = QStringLiteral("0123456789").repeated(10);
        const QList<QStringList> copy{
            listing.mid(0, 10), listing.mid(10) << wide.left(40), {wide.mid(40, 40), wide.mid(80)}};
        listing.append(wide);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path("listing.pdf"));
        printer.setCopyCount(2);
        // Room for 40 and a half characters by 10 and a half lines.
        const QFontMetricsF font(QFont(ListingPrinter::font(10), &printer), &printer);
        const qreal pt = 72.0 / printer.resolution();
        const QSizeF area(40.5 * font.horizontalAdvance(u'M') * pt, 10.5 * font.lineSpacing() * pt);
        printer.setPageSize(
            QPageSize(area + QSizeF(72, 72), QPageSize::Point, QString(), QPageSize::ExactMatch));
        printer.setPageMargins(QMarginsF(36, 36, 36, 36), QPageLayout::Point);

        QVERIFY(ListingPrinter::print(printer, listing));
        QCOMPARE(PdfText::pages(printer.outputFileName()), copy + copy);
        QCOMPARE(printer.copyCount(), 2); // for the next print dialog to offer
    }

    // Paste waits for Copy or Cut, whatever the clipboard holds.
    void copyAndCut_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("pasted"); // the text after a Paste at the start
        QTest::newRow("Copy, nothing selected") << "mnucopy" << 2 << 2 << edited;
        QTest::newRow("Cut") << "mnucut" << 3 << 7 << QStringLiteral(",100G00\r\nM30");
        QTest::newRow("Ctrl+X") << "Ctrl+X" << 7 << 11 << QStringLiteral("\r\nM30G00,100");
    }

    void copyAndCut()
    {
        QFETCH(QString, how);
        QFETCH(int, from);
        QFETCH(int, to);
        EditorRig rig(EditorProfile::kvt31_33());
        rig.txteditor->setPlainText(edited);
        QTextCursor cursor(rig.txteditor->document());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        rig.txteditor->setTextCursor(cursor);
        if (QAction* item = rig.window->findChild<QAction*>(how))
            item->trigger();
        else
            QTest::keySequence(rig.txteditor, QKeySequence(how));
        rig.txteditor->moveCursor(QTextCursor::Start);
        QTest::keySequence(rig.txteditor, QKeySequence::Paste);
        QTEST(rig.editor->text(), "pasted");
    }

    void limitOfFrmkvt7()
    {
        EditorRig rig(EditorProfile::kvt7());
        rig.open(fileWith("full.txt", program(480)));
        QCOMPARE(rig.editor->text(), program(480));
        QVERIFY(rig.op.messages.isEmpty());
        rig.open(fileWith("long.txt", program(500)));
        QCOMPARE(rig.editor->text(), program(480));
        // Saving now would shorten the file.
        QVERIFY(rig.op.messages.value(0).text.contains(QLatin1String("first 480")));

        rig.txteditor->moveCursor(QTextCursor::End);
        QTest::keyClicks(rig.txteditor, QStringLiteral("X\t"));
        QTest::keyClick(rig.txteditor, Qt::Key_Return);
        QCOMPARE(rig.editor->text(), program(480));
        QVERIFY(!rig.editor->editFlag()); // nothing changed, nothing to save
        // Room for one character is no room for a line break.
        QTest::keyClick(rig.txteditor, Qt::Key_Backspace);
        QTest::keyClick(rig.txteditor, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(rig.txteditor, QStringLiteral("YZ"));
        QCOMPARE(rig.editor->text(), program(479) + u'Y');
        rig.txteditor->undo(); // a refused key leaves no step of its own to undo
        QCOMPARE(rig.editor->text(), program(479));

        // A paste over the limit loses its own end, not the program's, and one
        // Undo takes back both.
        rig.txteditor->moveCursor(QTextCursor::Start);
        rig.txteditor->moveCursor(QTextCursor::NextWord, QTextCursor::KeepAnchor);
        rig.menu.copyItem->trigger();
        rig.txteditor->moveCursor(QTextCursor::Start);
        rig.menu.pasteItem->trigger();
        QCOMPARE(rig.editor->text(), u'G' + program(479));
        rig.txteditor->undo();
        QCOMPARE(rig.editor->text(), program(479));

        // An upload counts lone CRs as the CR LF pairs they become, is never cut
        // between the two, and one Undo brings back the text it replaced.
        const QString x = QString(474, u'X');
        QVERIFY(!rig.editor->setUploadedText("G00\r" + x + "\rM", QStringLiteral("PROGRAM #1")));
        QCOMPARE(rig.editor->text(), "G00\r\n" + x);
        QVERIFY(!rig.editor->fileFlag() && rig.editor->editFlag());
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("PROGRAM #1"));
        rig.txteditor->undo();
        QCOMPARE(rig.editor->text(), program(479));
    }

    void codePage()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QStringDecoder reference("windows-1252");
        const QString text = Windows1252::decode(all);
        QCOMPARE(text, QString(reference.decode(all)));
        QCOMPARE(Windows1252::encode(text), all);
        // No stand-in for what the page cannot hold: a C1 control of no gap, an emoji.
        QCOMPARE(Windows1252::firstUnencodable(QString(QChar(0x81)) + QChar(0x80)), 1);
        QCOMPARE(Windows1252::firstUnencodable(QString::fromUcs4(U"A\U0001F600")), 1);
        QVERIFY(!ProgramFile::encode(QStringLiteral("G00 \u2192 X")));
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        // Records as write() makes them: a quote, the text, a quote, CR LF.
        QTest::newRow("empty") << QByteArray("\"\"\r\n") << QString();
        QTest::newRow("lines") << QByteArray("\"G0\r\nM30\r\n\"\r\n") << "G0\r\nM30\r\n";
        QTest::newRow("quotes") << QByteArray("\"\"A\", \"\"\r\n") << "\"A\", \"";
        // Saved as typed, read back as typed, though it looks like UTF-8.
        QTest::newRow("own record, UTF-8 look") << QByteArray("\"\xC3\xA9\"\r\n") << "\u00c3\u00a9";
        // Older files, read field by field.
        QTest::newRow("fields") << QByteArray("\"G0\",  1 ,\t2\t\r\nM30\r\n") << "G012M30";
        QTest::newRow("after a quote") << QByteArray("\"AB\"CD,E\r\n") << "ABCDE";
        QTest::newRow("no CR LF") << QByteArray("\"G0,1\r\nM3\"") << "G0,1\r\nM3";
        QTest::newRow("unterminated") << QByteArray("\"G0,1\nM3") << "G0,1\r\nM3";
        // Other editors' plain text.
        QTest::newRow("plain") << QByteArray(" \"A\",B\nC\rD") << " \"A\",B\r\nC\r\nD";
        // Today's editors' Unicode, read as such and held as Windows-1252 holds it.
        QTest::newRow("UTF-16 LE")
            << QByteArray::fromHex("fffe4d00330030002000e900") << "M30 \u00e9";
        QTest::newRow("UTF-8 mark")
            << QByteArray("\xEF\xBB\xBF\"G0 \xE2\x82\xAC\"\r\n") << "G0 \u20ac";
        QTest::newRow("UTF-8") << QByteArray("G0 \xC3\xA9\nM30") << "G0 \u00e9\r\nM30";
        const QString no = QStringLiteral(", which is no character of a program.");
        QTest::newRow("NUL") << QByteArray("\"G0\r\nM30\r\n\0\"\r\n", 14)
                             << "refused: Line 3 holds byte 0x00" + no;
        for (const char* hex : {"81", "8D", "8F", "90", "9D"})
            QTest::newRow(hex) << "G0 " + QByteArray::fromHex(hex)
                               << QStringLiteral("refused: Line 1 holds byte 0x%1, which "
                                                 "Windows-1252 leaves undefined.")
                                      .arg(hex);
        QTest::newRow("binary") << QByteArray("\x89PNG\r\x1A\n\0\0\0\rIHDR", 15)
                                << "refused: Line 2 holds byte 0x1A" + no;
        QTest::newRow("UTF-8, no place") << QByteArray("G0\nM30 \xE2\x9C\x93")
                                         << "refused: Line 2 holds \"\u2713\" (U+2713), which a "
                                            "program file for the controller cannot hold.";
    }

    void decode()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        const auto decoded = ProgramFile::decode(file);
        const FileProblem* problem = std::get_if<FileProblem>(&decoded);
        QCOMPARE(problem ? "refused: " + problem->text : std::get<QString>(decoded), text);
        // A record comes back byte for byte, so saving an unchanged file keeps it.
        if (!problem && file.startsWith('"') && file.endsWith("\"\r\n"))
            QCOMPARE(ProgramFile::encode(text), file);
    }

    void fileError_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("write");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read, missing") << "none.txt" << false << "No such file or directory";
        QTest::newRow("read, unreadable") << "/proc/self/mem" << false << "Input/output error";
        // A device or a pipe could block the window for good or never end.
        QTest::newRow("read, a device") << "/dev/zero" << false << "Not a regular file";
        QTest::newRow("read, over the size limit") << "huge.txt" << false << "too large";
        QTest::newRow("read, the largest") << "largest.txt" << false << QString();
        QTest::newRow("write, a missing directory") << "none/a.txt" << true << "No such file";
        QTest::newRow("write, a full device") << "/dev/full" << true << "No space left";
    }

    void fileError()
    {
#ifndef Q_OS_UNIX
        QSKIP("The faults come from /proc and /dev, which only Unix has.");
#endif
        QFile largest(path("largest.txt"));
        QVERIFY(largest.open(QIODevice::WriteOnly) &&
                largest.write(QByteArray(ProgramFile::maxBytes, 'A')) == ProgramFile::maxBytes);
        QFile huge(path("huge.txt"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(ProgramFile::maxBytes + 1));
        QFETCH(QString, name);
        QFETCH(bool, write);
        QFETCH(QString, reason);
        ProgramFile file(name.startsWith(u'/') ? name : path(name));
        const std::optional<QString> text = write ? std::nullopt : file.read();
        QCOMPARE(write ? file.write(QStringLiteral("M30")) : text.has_value(), reason.isNull());
        const QString error = file.errorString();
        QVERIFY2(error.contains(reason) && error.isEmpty() == reason.isNull(), qPrintable(error));
        QCOMPARE(text.value_or(QString()).size(), reason.isNull() ? ProgramFile::maxBytes : 0);
    }

    void textOpenWouldRefuseIsNotSaved()
    {
        ProgramFile file(path(QStringLiteral("control.txt")));
        QVERIFY(!file.write(QStringLiteral("M31,1\r\nG0\x01")));
        QVERIFY2(file.errorString().startsWith(QLatin1String("Line 2 holds")),
                 qPrintable(file.errorString()));
        QVERIFY(!QFile::exists(path(QStringLiteral("control.txt"))));
    }

    void failedWriteKeepsTheOldFile()
    {
#ifdef Q_OS_UNIX
        QVERIFY(QDir(m_dir->path()).mkdir("alone"));
        ProgramFile file(path("alone/prog.txt"));
        QVERIFY(file.write(QStringLiteral("OLD")));
        // Permission bits do not stop root; a file size limit does.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit small{100, saved.rlim_max};
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const bool wrote = file.write(QString(400, u'X'));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);

        QVERIFY(!wrote);
        QVERIFY(file.errorString().contains(QLatin1String("too large")));
        QCOMPARE(file.read(), "OLD");
        // Nothing half-written is left beside it.
        QCOMPARE(QDir(path("alone")).entryList(QDir::Files), QStringList{"prog.txt"});
#else
        QSKIP("A file size limit is Unix's.");
#endif
    }
};

QTEST_MAIN(TestFrontEndWindow)
#include "tst_frontendwindow.moc"
