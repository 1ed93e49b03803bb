#include "Version.h"
#include "app/CommandLine.h"
#include "app/FrontEnds.h"
#include "app/StartupWindow.h"
#include "kvt31_33/Kvt31_33Window.h"
#include "kvt52/Kvt52Window.h"
#include "shell/MessageWindow.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/ScriptedOperator.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <memory>

using namespace kvt;

namespace {
const QString kvt52Name = QStringLiteral("frmkvt_px_52");
} // namespace

class AppTest : public QObject {
    Q_OBJECT

private:
    test::ScriptedOperator op;
    QPointer<test::FakeSerialPort> port; // the last one opened
    std::function<void(test::FakeSerialPort&)> portSetUp;
    FrontEnds frontEnds{AppContext{op,
                                   [this] {
                                       auto made = std::make_unique<test::FakeSerialPort>();
                                       if (portSetUp)
                                           portSetUp(*made);
                                       port = made.get();
                                       return made;
                                   },
                                   Timings{.deviceWatch = std::chrono::milliseconds{20}}}};
    QTemporaryDir memory;
    QPointer<StartupWindow> startup;
    QList<QPointer<QWidget>> opened;

    // Found as the operator finds it: by what it says.
    QAbstractButton* button(const QString& text) const
    {
        for (QAbstractButton* button : startup->findChildren<QAbstractButton*>()) {
            if (button->text() == text)
                return button;
        }
        return nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("kvtcomm"));
        QCoreApplication::setApplicationVersion(QStringLiteral(KVTCOMM_VERSION));
        // What a window remembers of the Ports dialog stays in the test's own store.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, memory.path());
        connect(&frontEnds, &FrontEnds::opened, this, [this](QWidget* w) { opened.append(w); });
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("expected"); // COM1|COM2 to run, else part of the text

        using A = CommandLine::Action;
        QTest::newRow("both") << QStringList{"--com2=/dev/pts/7", "--com1", " /dev/ttyUSB0"}
                              << A::Run << "/dev/ttyUSB0|/dev/pts/7";
        QTest::newRow("version before all")
            << QStringList{"--com1", "x", "--version"} << A::ShowVersion << KVTCOMM_VERSION "\n";
        QTest::newRow("help") << QStringList{"-h"} << A::ShowHelp << "--com2 <DEVICE>";
        QTest::newRow("blank device") << QStringList{"--com2=  "} << A::Fail << "--com2 needs";
        // Qt's own would end the process.
        QTest::newRow("help-all") << QStringList{"--help-all"} << A::Fail << "help-all";
        QTest::newRow("log without a file")
            << QStringList{"--log", " "} << A::Fail << "--log needs";
        QTest::newRow("stray argument")
            << QStringList{"/dev/ttyUSB0"} << A::Fail << "'/dev/ttyUSB0'";
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Action, action);
        QFETCH(QString, expected);

        const CommandLine line = CommandLine::parse(QStringList{"kvtcomm"} + arguments, {});
        QCOMPARE(line.action, action);
        QCOMPARE(line.exitCode(), action == CommandLine::Action::Fail ? 2 : 0);
        if (action == CommandLine::Action::Run)
            QCOMPARE(line.portMap.device(1) + '|' + line.portMap.device(2), expected);
        else
            QVERIFY2(line.text.contains(expected), qPrintable(line.text));
        QCOMPARE(line.text.startsWith("kvtcomm: "), action == CommandLine::Action::Fail);
    }

    void init()
    {
        op = {};
        startup = new StartupWindow(frontEnds);
        startup->show();
        QVERIFY(QTest::qWaitForWindowExposed(startup));
    }

    void cleanup()
    {
        op.onMessage = nullptr; // it may refer to the finished case's locals
        delete startup;
        for (QWidget* window : QApplication::topLevelWidgets())
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        opened.clear();
        portSetUp = nullptr;
    }

    // The number the model reached its window with; 0 for none.
    static int modelNumberOf(QWidget* window)
    {
        const Model* model = nullptr;
        if (auto* keypad = qobject_cast<Kvt31_33Window*>(window))
            model = &keypad->model();
        else if (auto* fourModel = qobject_cast<Kvt52Window*>(window))
            model = &fourModel->model();
        return model && model->number ? *model->number : 0;
    }

    static QString label(QWidget* window, const char* name)
    {
        return window->findChild<QLabel*>(QLatin1String(name))->text();
    }

    void opensTheChosenModel_data()
    {
        QTest::addColumn<QString>("model"); // empty: OK without choosing
        QTest::addColumn<QString>("how");   // "close": the close box, which ends the program
        QTest::addColumn<int>("modelNo");
        QTest::addColumn<QString>("window");

        const auto row = [](const char* model, const char* how, int modelNo,
                            const QString& window) {
            QTest::newRow(model[0] ? model : "OK alone")
                << QString(model) << QString(how) << modelNo << window;
        };
        const QString kvt31 = QStringLiteral("frmkvt_31_33");
        // 0: the KVT7 never had a number of its own.
        row("", "OK", 0, "frmkvt_7");
        row("KVT31", "double-click", 1, kvt31);
        row("KVT33", "Enter", 2, kvt31);
        row("KVT52", "double-click", 2, kvt52Name);
        row("PX52", "OK", 12, kvt52Name);
        row("KVT54", "Enter", 4, kvt52Name);
        row("PX54", "double-click", 14, kvt52Name);
        QTest::newRow("close box") << QString() << "close" << 0 << QString();
    }

    void opensTheChosenModel()
    {
        QFETCH(QString, model);
        QFETCH(QString, how);
        QFETCH(QString, window);
        // A screen reader meets a window with its caption, not a bare pane.
        QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(startup.data());
        QCOMPARE(shown->role(), QAccessible::Window);
        QCOMPARE(shown->text(QAccessible::Name), QStringLiteral("KVT COMMUNICATION SOFTWARE"));
        // The front end asks its port questions before it shows, and the
        // start-up window must not stand in the way of the boxes.
        bool visibleAtFirstQuestion = false;
        op.onMessage = [&](const Message&) {
            const auto windows = QApplication::topLevelWidgets();
            visibleAtFirstQuestion |= std::any_of(windows.cbegin(), windows.cend(),
                                                  [](const QWidget* w) { return w->isVisible(); });
        };

        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        bool hiddenAtOnce = false;
        QTimer::singleShot(0, this, [&] {
            if (how == "close")
                startup->windowHandle()->close();
            else if (how == "double-click")
                QTest::mouseDClick(button(model), Qt::LeftButton);
            else if (!model.isEmpty())
                QTest::mouseClick(button(model), Qt::LeftButton);
            if (how == "OK")
                QTest::mouseClick(button(QStringLiteral("OK")), Qt::LeftButton);
            if (how == "Enter") // on the model just chosen, which has the focus
                QTest::keyClick(button(model), Qt::Key_Return);
            // Hidden at once, deleted only once the event loop gets back to it.
            hiddenAtOnce = startup && !startup->isVisible();
            QCoreApplication::exit();
        });
        QCOMPARE(QCoreApplication::exec(), 0); // should the program go on
        // For a moment no window is visible; only the close box ends the program.
        QCOMPARE(lastClosed.size(), how == "close" ? 1 : 0);
        if (how == "close") {
            QVERIFY(opened.isEmpty());
            return;
        }
        QVERIFY(hiddenAtOnce && startup.isNull());
        QCOMPARE(opened.size(), 1);
        QTEST(modelNumberOf(opened.constFirst()), "modelNo");
        QCOMPARE(opened.constFirst()->objectName(), window);
        QVERIFY(opened.constFirst()->windowTitle().startsWith(model.isEmpty() ? "KVT7" : model));
        QVERIFY(opened.constFirst()->isVisible() && !opened.constFirst()->isModal());
        // Every window fits the screen, whatever room its plan asks for.
        QVERIFY(opened.constFirst()->screen()->availableGeometry().contains(
            opened.constFirst()->geometry()));
        QVERIFY(!visibleAtFirstQuestion);
        // The four-model window asks through its setup dialog, the others in boxes.
        QCOMPARE(op.messages.isEmpty(), window == kvt52Name);
    }

    void missingPortOffersThePortsDialog()
    {
        portSetUp = [](test::FakeSerialPort& p) { p.missingDevices = {"/dev/ttyFAKE2"}; };
        // Not on COM1, and the offer declined at first: the first command offers it again.
        for (auto answer :
             {MessageAnswer::No, MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::No})
            op.answerNext(answer);
        QWidget* window = frontEnds.open(0);
        QCOMPARE(op.messages.at(2).text, "Cannot open /dev/ttyFAKE2"); // the system's own
        QVERIFY(!window->findChild<QDialog*>("frmports"));
        window->findChild<QAction*>("mnuoact")->trigger();
        auto* online = window->findChild<QLineEdit*>("txtonline");
        online->setText("pos");
        QTest::keyClick(online, Qt::Key_Return);
        QCOMPARE(op.messages.size(), 6);
        QCOMPARE(op.messages.at(4).text, "Operation valid only when the port is open");
        QCOMPARE(op.messages.at(5).text, op.messages.at(3).text);
        QDialog* frmports = nullptr;
        QTRY_VERIFY((frmports = window->findChild<QDialog*>("frmports")));
        // A device server on the network, through its own dialog.
        QTimer::singleShot(0, frmports, [frmports] {
            auto* network = frmports->findChild<QDialog*>("frmnetwork");
            network->findChild<QLineEdit*>("txthost")->setText("plc-7");
            network->findChild<QSpinBox*>("numtcpport")->setValue(4001);
            network->findChild<QComboBox*>("cbokind")->setCurrentIndex(1);
            network->accept();
        });
        frmports->findChild<QPushButton*>("cmdnetwork2")->click();
        frmports->accept();
        QCOMPARE(label(window, "lblport"), "COM2 tcp://plc-7:4001: open, 9600,N,8,1");
        QCOMPARE(QSettings().value("ports/com2").toString(), "tcp://plc-7:4001");
    }

    void cancelledUploadIsNotComplete()
    {
        QWidget* window = frontEnds.open(1);
        window->findChild<QAction*>("mnuupload")->trigger();
        port->receive("M31,5\rG00,100\rEND\r");
        QTRY_COMPARE(label(window, "lblstatus"), "Program upload of # 5 complete");
        op.answerNext(MessageAnswer::No); // the uploaded text need not be saved
        window->findChild<QAction*>("mnuupload")->trigger();
        QVERIFY(label(window, "lblstatus").isEmpty()); // the last transfer's end is gone
        // The last upload's window may still wait for its deletion.
        window->findChildren<MessageWindow*>()
            .constLast()
            ->findChild<QAbstractButton*>("cmdcancel")
            ->click();
        QTRY_COMPARE(label(window, "lblstatus"), "Upload cancelled; the editor keeps its text.");
    }
};

QTEST_MAIN(AppTest)
#include "tst_app.moc"
