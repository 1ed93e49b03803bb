#include "shell/Module1.h"
#include "kvt7/DirectionDialog.h"
#include "kvt7/JogDialog.h"
#include "kvt7/SensorLogicDialog.h"
#include "kvt7/SpeedDialog.h"
#include "kvt7/Spinner.h"
#include "link/SerialLink.h"
#include "support/FakeSerialPort.h"
#include "support/ScriptedOperator.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

using namespace kvt;
using namespace std::chrono_literals;
using kvt::test::FakeSerialPort;
using kvt::test::ScriptedOperator;

namespace {

const QStringList globalNames{"RunStartSpeed", "RunMaxSpeed", "RunAccel", "HomeStartSpeed",
                              "HomeMaxSpeed",  "HomeAccel",   "JogSpeed"};

qint16& global(const QString& name)
{
    qint16* const globals[] = {&Module1::RunStartSpeed, &Module1::RunMaxSpeed,
                               &Module1::RunAccel,      &Module1::HomeStartSpeed,
                               &Module1::HomeMaxSpeed,  &Module1::HomeAccel,
                               &Module1::JogSpeed};
    if (!globalNames.contains(name))
        qFatal("no global %s", qPrintable(name));
    return *globals[globalNames.indexOf(name)];
}

QList<qint16> speedGlobals()
{
    QList<qint16> values;
    for (const QString& name : globalNames)
        values << global(name);
    return values;
}

QList<qint16> withOnly(QList<qint16> before, const QString& name, int value)
{
    before[globalNames.indexOf(name)] = qint16(value);
    return before;
}

// Where the style draws an arrow of the spinner.
QPoint arrow(const Spinner* spinner, QStyle::SubControl control)
{
    QStyleOptionSlider opt;
    opt.initFrom(spinner);
    opt.orientation = spinner->orientation();
    opt.minimum = spinner->minimum();
    opt.maximum = spinner->maximum();
    opt.sliderPosition = spinner->sliderPosition();
    opt.sliderValue = spinner->value();
    opt.singleStep = spinner->singleStep();
    opt.pageStep = spinner->pageStep();
    opt.upsideDown = spinner->invertedAppearance();
    return spinner->style()->subControlRect(QStyle::CC_ScrollBar, &opt, control, spinner).center();
}

QtMessageHandler qtTestHandler = nullptr;

// The offscreen platform says so whenever a window is shown or raised.
void dropPlatformCapabilityNotes(QtMsgType type, const QMessageLogContext& context,
                                 const QString& text)
{
    if (type == QtWarningMsg && text.startsWith(QLatin1String("This plugin does not support")))
        return;
    qtTestHandler(type, context, text);
}

template <class Widget> Widget* child(QObject* dialog, const QString& name)
{
    auto* widget = dialog->findChild<Widget*>(name);
    if (!widget)
        qFatal("no widget %s", qPrintable(name));
    return widget;
}

Spinner* spinnerOf(QDialog* dialog, const QString& box)
{
    return child<Spinner>(dialog, QStringLiteral("vsb") + box.mid(3));
}

struct Rig {
    Rig() : link(port, LinkProfile::kvt7(), timings())
    {
        port.open(1);
        // The KVT7 window's start values.
        const QList<qint16> start{500, 5000, 1, 400, 1000, 1, 800};
        for (qsizetype i = 0; i < start.size(); ++i)
            global(globalNames[i]) = start[i];
    }
    ~Rig()
    {
        delete frmspeed.data();
        delete frmjog.data();
        delete frmdirset.data();
        delete frmsenlog.data();
    }

    static Timings timings()
    {
        Timings t;
        t.pacing = 1ms;
        t.watchdog = 60s;
        t.speedLinePause = 30ms;
        t.jogValuePause = 20ms;
        return t;
    }

    // "running", "homing", "jog", "dir" or "senlog", as the Setup menu opens them.
    QDialog* open(const QString& which)
    {
        if (which == QLatin1String("running"))
            return SpeedDialog::open(frmspeed, SpeedDialog::Profile::Running, link, op, timings());
        if (which == QLatin1String("homing"))
            return SpeedDialog::open(frmspeed, SpeedDialog::Profile::Homing, link, op, timings());
        if (which == QLatin1String("jog"))
            return JogDialog::open(frmjog, link, op, timings());
        if (which == QLatin1String("dir"))
            return DirectionDialog::open(frmdirset, link, op, timings());
        return SensorLogicDialog::open(frmsenlog, link, op, timings());
    }

    static QPushButton* okButton(QDialog* dialog)
    {
        for (const char* name : {"cmdset", "cmdjogspeed", "cmddirset", "cmdsenlog"})
            if (auto* button = dialog->findChild<QPushButton*>(QLatin1String(name)))
                return button;
        qFatal("no OK button");
    }

    // Runs action once, just after the first line has gone out: inside the
    // pause that follows it (deferred, so the link has started that pause).
    void afterFirstLine(std::function<void()> action)
    {
        QObject::connect(
            &link, &SerialLink::sendFinished, &link,
            [action = std::move(action)](SendResult) { QTimer::singleShot(0, action); },
            Qt::SingleShotConnection);
    }

    void waitIdle() { QTRY_VERIFY_WITH_TIMEOUT(link.pendingCommands() == 0, 10000); }

    QStringList lines() const
    {
        QStringList all = QString::fromLatin1(port.written()).split(QLatin1Char('\r'));
        all.removeLast(); // after the last CR
        return all;
    }

    // From each line's CR to the next line's first character.
    QList<qint64> gaps() const
    {
        QList<qint64> result;
        for (qsizetype i = 0; i + 1 < port.writes.size(); ++i)
            if (port.writes[i].data == "\r")
                result << port.writes[i + 1].atMs - port.writes[i].atMs;
        return result;
    }

    FakeSerialPort port;
    ScriptedOperator op;
    SerialLink link;
    QPointer<SpeedDialog> frmspeed;
    QPointer<JogDialog> frmjog;
    QPointer<DirectionDialog> frmdirset;
    QPointer<SensorLogicDialog> frmsenlog;
};

void verifyGapsAtLeast(const QList<qint64>& gaps, qsizetype count, int pauseMs)
{
    QVERIFY(gaps.size() >= count);
    for (qsizetype i = 0; i < count; ++i)
        QVERIFY2(gaps[i] >= pauseMs,
                 qPrintable(QStringLiteral("gap %1: %2 ms").arg(i).arg(gaps[i])));
}

} // namespace

class TestSetupDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { qtTestHandler = qInstallMessageHandler(dropPlatformCapabilityNotes); }
    void init() { Module1::reset(); }
    void okSendsLines_data();
    void okSendsLines();
    void enterChecksRange_data();
    void enterChecksRange();
    void upGesturesRaiseTheNumber_data();
    void upGesturesRaiseTheNumber();
    void spinnerStoresAndCancelKeeps_data();
    void spinnerStoresAndCancelKeeps();
    void speedProfiles_data();
    void speedProfiles();
    void reopeningReusesOpenDialog();
    void designTextsLengthsAndBuddies_data();
    void designTextsLengthsAndBuddies();
    void secondOkSendsNothing_data();
    void secondOkSendsNothing();
    void othersWaitForTheSequence_data();
    void othersWaitForTheSequence();
    void closingMidSequenceStillSendsAll();
    void dialogFollowsTheLink_data();
    void dialogFollowsTheLink();
};

void TestSetupDialogs::okSendsLines_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("box"); // or the option to click
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("lines");
    const auto row = [](const char* name, const char* dialog, const char* box, const char* typed,
                        const char* lines) {
        QTest::newRow(name) << dialog << box << typed << lines;
    };
    row("running defaults", "running", "", "", "PROF|500|5000|1");
    row("homing defaults", "homing", "", "", "PROFH|400|1000|1");
    row("99 without Enter", "running", "txtstartsp", "99", "PROF|99|5000|1");
    row("empty reads 0", "running", "txtstartsp", "", "PROF|0|5000|1");
    row("fraction keeps its point", "running", "txtaccel", "1.5", "PROF|500|5000|1.5");
    row("leading zeros", "running", "txtstartsp", "0500", "PROF|500|5000|1");
    row("letters end the number", "running", "txtmaxsp", "12ab", "PROF|500|12|1");
    row("blank in front", "running", "txtstartsp", " 7", "PROF|7|5000|1");
    row("no exponent", "running", "txtmaxsp", "1e3", "PROF|500|1|1");
    row("negative", "running", "txtstartsp", "-3", "PROF|-3|5000|1");
    row("jog default", "jog", "", "", "JOG|800");
    row("jog as typed", "jog", "txtjogspeed", "12ab", "JOG|12ab");
    row("jog empty", "jog", "txtjogspeed", "", "JOG|");
    row("dir none", "dir", "", "", "CCW");
    row("dir CW", "dir", "optdir_0", "", "CW");
    row("dir CCW", "dir", "optdir_1", "", "CCW");
    row("senlog none", "senlog", "", "", "SEN.NC");
    row("senlog NO", "senlog", "optsenlog_0", "", "SEN.NO");
    row("senlog NC", "senlog", "optsenlog_1", "", "SEN.NC");
}

void TestSetupDialogs::okSendsLines()
{
    QFETCH(QString, dialog);
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, lines);
    Rig rig;
    const QPointer<QDialog> shown = rig.open(dialog);
    if (box.startsWith(QLatin1String("opt"))) {
        QTest::mouseClick(child<QRadioButton>(shown, box), Qt::LeftButton);
    } else if (!box.isEmpty()) {
        auto* edit = child<QLineEdit>(shown, box);
        edit->clear();
        QTest::keyClicks(edit, typed);
    }
    QTest::mouseClick(Rig::okButton(shown), Qt::LeftButton);
    rig.waitIdle();
    QCOMPARE(rig.lines(), lines.split(QLatin1Char('|')));
    if (dialog == QLatin1String("jog"))
        verifyGapsAtLeast(rig.gaps(), 1, 20);
    else if (dialog == QLatin1String("running") || dialog == QLatin1String("homing"))
        verifyGapsAtLeast(rig.gaps(), 3, 30);
    QTRY_VERIFY(shown.isNull());
    QVERIFY(rig.op.messages.isEmpty());
}

void TestSetupDialogs::enterChecksRange_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QList<Message>>("messages");
    QTest::addColumn<QString>("global");
    const auto box = [](const char* text, const char* title) {
        return QList<Message>{{QLatin1String(text), QLatin1String(title), MessageIcon::Exclamation,
                               MessageButtons::Ok}};
    };
    const QList<Message> none;
    const QList<Message> range = box("Value out of range !", "DATA ERROR");
    const QList<Message> low =
        box("Jog speed too low, please set again ! (100~4000 PPS)", "Jog Speed Error");
    const QList<Message> high =
        box("Jog speed too high, please set again ! (100~4000 PPS)", "Jog Speed Error");
    const auto row = [](const char* name, const char* dialog, const char* box, const char* typed,
                        const char* shown, const QList<Message>& messages, const char* global) {
        QTest::newRow(name) << dialog << box << typed << shown << messages << global;
    };
    row("start below", "running", "txtstartsp", "99", "100", range, "RunStartSpeed");
    row("start low bound", "running", "txtstartsp", "100", "100", none, "RunStartSpeed");
    row("start high bound", "running", "txtstartsp", "4000", "4000", none, "RunStartSpeed");
    row("start above", "running", "txtstartsp", "4001", "4000", range, "RunStartSpeed");
    row("start empty", "running", "txtstartsp", "", "100", range, "RunStartSpeed");
    row("start negative", "running", "txtstartsp", "-3", "100", range, "RunStartSpeed");
    row("max below", "running", "txtmaxsp", "999", "1000", range, "RunMaxSpeed");
    row("max low bound", "running", "txtmaxsp", "1000", "1000", none, "RunMaxSpeed");
    row("max high bound", "running", "txtmaxsp", "15000", "15000", none, "RunMaxSpeed");
    row("max above", "running", "txtmaxsp", "15001", "15000", range, "RunMaxSpeed");
    row("max 20000", "running", "txtmaxsp", "20000", "15000", range, "RunMaxSpeed");
    row("homing max below", "homing", "txtmaxsp", "999", "1000", range, "HomeMaxSpeed");
    row("homing max bound", "homing", "txtmaxsp", "10000", "10000", none, "HomeMaxSpeed");
    row("homing max above", "homing", "txtmaxsp", "10001", "10000", range, "HomeMaxSpeed");
    row("homing max 20000", "homing", "txtmaxsp", "20000", "10000", range, "HomeMaxSpeed");
    row("accel below", "running", "txtaccel", "0", "1", range, "RunAccel");
    row("accel low bound", "running", "txtaccel", "1", "1", none, "RunAccel");
    row("accel high bound", "running", "txtaccel", "100", "100", none, "RunAccel");
    row("accel above", "running", "txtaccel", "101", "100", range, "RunAccel");
    row("accel 1.5 to 2", "running", "txtaccel", "1.5", "2", none, "RunAccel");
    row("accel 2.5 to 2", "running", "txtaccel", "2.5", "2", none, "RunAccel");
    row("accel 3.5 to 4", "running", "txtaccel", "3.5", "4", none, "RunAccel");
    row("accel 1.4 over 1", "running", "txtaccel", "1.4", "1", none, "RunAccel");
    row("jog below", "jog", "txtjogspeed", "99", "100", low, "JogSpeed");
    row("jog low bound", "jog", "txtjogspeed", "100", "100", none, "JogSpeed");
    row("jog high bound", "jog", "txtjogspeed", "4000", "4000", none, "JogSpeed");
    row("jog above", "jog", "txtjogspeed", "4001", "4000", high, "JogSpeed");
}

void TestSetupDialogs::enterChecksRange()
{
    QFETCH(QString, dialog);
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QList<Message>, messages);
    QFETCH(QString, global);
    Rig rig;
    QDialog* opened = rig.open(dialog);
    const QList<qint16> before = speedGlobals();
    auto* edit = child<QLineEdit>(opened, box);
    edit->clear();
    QTest::keyClicks(edit, typed);
    QString textWhenTold;
    rig.op.onMessage = [&](const Message&) { textWhenTold = edit->text(); };
    QTest::keyClick(edit, Qt::Key_Return);

    QCOMPARE(rig.op.messages, messages);
    if (!messages.isEmpty())
        QCOMPARE(textWhenTold, typed); // told first, corrected after
    QCOMPARE(edit->text(), shown);
    QCOMPARE(spinnerOf(opened, box)->number(), shown.toInt());
    QCOMPARE(speedGlobals(), withOnly(before, global, shown.toInt()));
    // Enter belongs to the box: it neither sends nor closes.
    QTest::qWait(10);
    QVERIFY(rig.port.writes.isEmpty());
    QVERIFY(opened->isVisible());
}

void TestSetupDialogs::upGesturesRaiseTheNumber_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<int>("number");
    QTest::newRow("up arrow") << "up arrow" << 600;
    QTest::newRow("down arrow") << "down arrow" << 400;
    QTest::newRow("Up key") << "Up key" << 600;
    QTest::newRow("Page Up key") << "Page Up key" << 1500;
    QTest::newRow("wheel up") << "wheel up" << 500 + 100 * QApplication::wheelScrollLines();
}

void TestSetupDialogs::upGesturesRaiseTheNumber()
{
    QFETCH(QString, gesture);
    QFETCH(int, number);
    Rig rig;
    QDialog* dialog = rig.open(QStringLiteral("running"));
    auto* spinner = child<Spinner>(dialog, QStringLiteral("vsbstartsp"));
    const QPoint up = arrow(spinner, QStyle::SC_ScrollBarSubLine);
    const QPoint down = arrow(spinner, QStyle::SC_ScrollBarAddLine);
    QVERIFY(up.y() < down.y());
    if (gesture.endsWith(QLatin1String("key"))) {
        QTest::keyClick(spinner, gesture == QLatin1String("Up key") ? Qt::Key_Up : Qt::Key_PageUp);
    } else if (gesture.endsWith(QLatin1String("arrow"))) {
        QTest::mouseClick(spinner, Qt::LeftButton, {},
                          gesture == QLatin1String("up arrow") ? up : down);
    } else {
        const QPointF at = spinner->rect().center();
        QWheelEvent wheel(at, spinner->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(spinner, &wheel);
    }
    QCOMPARE(spinner->number(), number);
    QCOMPARE(child<QLineEdit>(dialog, QStringLiteral("txtstartsp"))->text(),
             QString::number(number));
    QCOMPARE(Module1::RunStartSpeed, number);
}

void TestSetupDialogs::spinnerStoresAndCancelKeeps_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("global");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    const auto row = [](const char* name, const char* dialog, const char* box, const char* global,
                        int before, int after) {
        QTest::newRow(name) << dialog << box << global << before << after;
    };
    row("running start", "running", "txtstartsp", "RunStartSpeed", 500, 600);
    row("homing start", "homing", "txtstartsp", "HomeStartSpeed", 400, 500);
    row("running max", "running", "txtmaxsp", "RunMaxSpeed", 5000, 5500);
    row("homing max", "homing", "txtmaxsp", "HomeMaxSpeed", 1000, 1500);
    row("running accel", "running", "txtaccel", "RunAccel", 1, 2);
    row("homing accel", "homing", "txtaccel", "HomeAccel", 1, 2);
    row("jog", "jog", "txtjogspeed", "JogSpeed", 800, 900);
    row("start at top", "running", "txtstartsp", "RunStartSpeed", 4000, 4000);
    row("running max at top", "running", "txtmaxsp", "RunMaxSpeed", 15000, 15000);
    row("homing max at top", "homing", "txtmaxsp", "HomeMaxSpeed", 10000, 10000);
    row("accel at top", "running", "txtaccel", "RunAccel", 100, 100);
    row("jog at top", "jog", "txtjogspeed", "JogSpeed", 4000, 4000);
}

void TestSetupDialogs::spinnerStoresAndCancelKeeps()
{
    QFETCH(QString, dialog);
    QFETCH(QString, box);
    QFETCH(QString, global);
    QFETCH(int, before);
    QFETCH(int, after);
    Rig rig;
    ::global(global) = qint16(before);
    const QList<qint16> start = speedGlobals();
    const QPointer<QDialog> first = rig.open(dialog);
    QCOMPARE(child<QLineEdit>(first, box)->text(), QString::number(before));
    Spinner* spinner = spinnerOf(first, box);
    QTest::mouseClick(spinner, Qt::LeftButton, {}, arrow(spinner, QStyle::SC_ScrollBarSubLine));
    QCOMPARE(child<QLineEdit>(first, box)->text(), QString::number(after));
    QCOMPARE(speedGlobals(), withOnly(start, global, after));

    QTest::mouseClick(child<QPushButton>(first, QStringLiteral("cmdcancel")), Qt::LeftButton);
    QTRY_VERIFY(first.isNull());
    QCOMPARE(speedGlobals(), withOnly(start, global, after));
    QCOMPARE(child<QLineEdit>(rig.open(dialog), box)->text(), QString::number(after));
    QTest::qWait(10);
    QVERIFY(rig.port.writes.isEmpty());
}

void TestSetupDialogs::speedProfiles_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("limit");
    QTest::addColumn<Flag>("mode");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("running") << "running"
                             << "SET RUNNING SPEED PARAMETER" << 15000 << False
                             << QStringList{"500", "5000", "1"};
    QTest::newRow("homing") << "homing"
                            << "SET HOME SEARCH SPEED PARAMETER" << 10000 << True
                            << QStringList{"400", "1000", "1"};
}

void TestSetupDialogs::speedProfiles()
{
    QFETCH(QString, dialog);
    QFETCH(QString, title);
    QFETCH(int, limit);
    QFETCH(Flag, mode);
    QFETCH(QStringList, values);
    Rig rig;
    QDialog* opened = rig.open(dialog);
    QCOMPARE(opened->windowTitle(), title);
    QCOMPARE(Module1::SpeedMaxLimit, limit);
    QCOMPARE(Module1::HomeSpeedMode, mode);
    QCOMPARE(child<Spinner>(opened, QStringLiteral("vsbmaxsp"))->highest(), limit);
    QStringList texts, numbers;
    for (const char* name : {"txtstartsp", "txtmaxsp", "txtaccel"}) {
        texts << child<QLineEdit>(opened, QLatin1String(name))->text();
        numbers << QString::number(spinnerOf(opened, QLatin1String(name))->number());
    }
    QCOMPARE(texts, values);
    QCOMPARE(numbers, values);
    QCOMPARE(child<QLabel>(opened, QStringLiteral("lblmaxsprange"))->text(),
             QStringLiteral("(1000 ~ 15000 PPS)"));
    // Modeless, and no window owns it.
    QVERIFY(opened->isVisible());
    QVERIFY(!opened->isModal());
    QCOMPARE(opened->parent(), nullptr);
}

void TestSetupDialogs::reopeningReusesOpenDialog()
{
    Rig rig;
    // Above the homing limit: switching the open dialog to homing pulls its
    // spinner down, which must not reach a global.
    Module1::RunMaxSpeed = 15000;
    QDialog* running = rig.open(QStringLiteral("running"));
    QCOMPARE(rig.open(QStringLiteral("homing")), running);
    QCOMPARE(running->windowTitle(), QStringLiteral("SET HOME SEARCH SPEED PARAMETER"));
    QCOMPARE(child<QLineEdit>(running, QStringLiteral("txtmaxsp"))->text(), QStringLiteral("1000"));
    QCOMPARE(Module1::RunMaxSpeed, 15000);
    QCOMPARE(Module1::HomeMaxSpeed, 1000);

    // The jog dialog is filled only when created; an open one is shown as it is.
    QDialog* jog = rig.open(QStringLiteral("jog"));
    child<QLineEdit>(jog, QStringLiteral("txtjogspeed"))->setText(QStringLiteral("1234"));
    QCOMPARE(rig.open(QStringLiteral("jog")), jog);
    QCOMPARE(child<QLineEdit>(jog, QStringLiteral("txtjogspeed"))->text(), QStringLiteral("1234"));

    QDialog* dir = rig.open(QStringLiteral("dir"));
    QTest::mouseClick(child<QRadioButton>(dir, QStringLiteral("optdir_0")), Qt::LeftButton);
    QCOMPARE(rig.open(QStringLiteral("dir")), dir);
    QVERIFY(child<QRadioButton>(dir, QStringLiteral("optdir_0"))->isChecked());

    // Closed but not yet deleted: the next opening gets a fresh dialog.
    const QPointer<QDialog> closed = dir;
    dir->close();
    QDialog* fresh = rig.open(QStringLiteral("dir"));
    QVERIFY(fresh != closed && fresh->isVisible());
    QVERIFY(!child<QRadioButton>(fresh, QStringLiteral("optdir_0"))->isChecked());
    QTRY_VERIFY(closed.isNull());
}

void TestSetupDialogs::designTextsLengthsAndBuddies_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("design");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QString>("label");
    QTest::newRow("start") << "txtstartsp"
                           << "500" << 4 << "lblstartsp";
    QTest::newRow("max") << "txtmaxsp"
                         << "1000" << 5 << "lblmaxsp";
    QTest::newRow("accel") << "txtaccel"
                           << "1" << 3 << "lblaccel";
    QTest::newRow("jog, from JogSpeed") << "txtjogspeed"
                                        << "800" << 4 << "lbljogspeed";
}

void TestSetupDialogs::designTextsLengthsAndBuddies()
{
    QFETCH(QString, box);
    QFETCH(QString, design);
    QFETCH(int, maxLength);
    QFETCH(QString, label);
    Rig rig;
    std::unique_ptr<QDialog> dialog;
    if (box == QLatin1String("txtjogspeed"))
        dialog = std::make_unique<JogDialog>(rig.link, rig.op, Rig::timings());
    else
        dialog = std::make_unique<SpeedDialog>(rig.link, rig.op, Rig::timings());
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->show();
    auto* edit = child<QLineEdit>(dialog.get(), box);
    QCOMPARE(edit->text(), design);
    QCOMPARE(QString::number(spinnerOf(dialog.get(), box)->number()), design);
    QCOMPARE(child<QLabel>(dialog.get(), label)->buddy(), edit);
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("123456789"));
    QCOMPARE(edit->text(), QStringLiteral("123456789").left(maxLength));
}

void TestSetupDialogs::secondOkSendsNothing_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("lines");
    QTest::newRow("speed") << "running"
                           << "PROF|500|5000|1";
    QTest::newRow("jog") << "jog"
                         << "JOG|800";
    QTest::newRow("dir") << "dir"
                         << "CCW";
    QTest::newRow("senlog") << "senlog"
                            << "SEN.NC";
}

void TestSetupDialogs::secondOkSendsNothing()
{
    QFETCH(QString, dialog);
    QFETCH(QString, lines);
    Rig rig;
    const QPointer<QDialog> opened = rig.open(dialog);
    QPushButton* ok = Rig::okButton(opened);
    QTest::mouseClick(ok, Qt::LeftButton);
    // Locked, but still there while its lines go out.
    QVERIFY(!opened.isNull());
    QVERIFY(!ok->isEnabled());
    QVERIFY(!child<QPushButton>(opened, QStringLiteral("cmdcancel"))->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    ok->click();
    rig.waitIdle();
    QTRY_VERIFY(opened.isNull());
    QCOMPARE(rig.lines(), lines.split(QLatin1Char('|')));
}

void TestSetupDialogs::othersWaitForTheSequence_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<QStringList>("otherLines");
    QTest::newRow("command from a panel") << "" << QStringList{"POS"};
    QTest::newRow("jog dialog OK") << "jog" << QStringList{"JOG", "800"};
    QTest::newRow("direction dialog OK") << "dir" << QStringList{"CCW"};
    QTest::newRow("next speed dialog OK") << "homing" << QStringList{"PROFH", "400", "1000", "1"};
}

void TestSetupDialogs::othersWaitForTheSequence()
{
    QFETCH(QString, other);
    QFETCH(QStringList, otherLines);
    Rig rig;
    QByteArray outWhenIssued;
    QPointer<SpeedDialog> nextSpeed; // the first one is still sending
    rig.afterFirstLine([&] {
        outWhenIssued = rig.port.written();
        if (other.isEmpty()) {
            rig.link.sendData(QStringLiteral("POS"));
            return;
        }
        QDialog* second = other == QLatin1String("homing")
                              ? SpeedDialog::open(nextSpeed, SpeedDialog::Profile::Homing, rig.link,
                                                  rig.op, Rig::timings())
                              : rig.open(other);
        QTest::mouseClick(Rig::okButton(second), Qt::LeftButton);
    });
    QTest::mouseClick(Rig::okButton(rig.open(QStringLiteral("running"))), Qt::LeftButton);
    QTRY_VERIFY(!outWhenIssued.isEmpty());
    rig.waitIdle();
    QCOMPARE(outWhenIssued, QByteArray("PROF\r"));
    QCOMPARE(rig.lines(), QStringList({"PROF", "500", "5000", "1"}) + otherLines);
    verifyGapsAtLeast(rig.gaps(), 3, 30);
    delete nextSpeed.data();
}

void TestSetupDialogs::closingMidSequenceStillSendsAll()
{
    Rig rig;
    const QPointer<QDialog> opened = rig.open(QStringLiteral("running"));
    QByteArray outWhenClosed;
    rig.afterFirstLine([&] {
        outWhenClosed = rig.port.written();
        opened->close();
    });
    QTest::mouseClick(Rig::okButton(opened), Qt::LeftButton);
    QTRY_VERIFY(opened.isNull());
    rig.waitIdle();
    QCOMPARE(outWhenClosed, QByteArray("PROF\r"));
    QCOMPARE(rig.lines(), QStringList({"PROF", "500", "5000", "1"}));
}

void TestSetupDialogs::dialogFollowsTheLink_data()
{
    QTest::addColumn<bool>("midSequence");
    QTest::newRow("link destroyed while open") << false;
    QTest::newRow("link shut down mid-sequence") << true;
}

void TestSetupDialogs::dialogFollowsTheLink()
{
    QFETCH(bool, midSequence);
    FakeSerialPort port;
    port.open(1);
    ScriptedOperator op;
    auto link = std::make_unique<SerialLink>(port, LinkProfile::kvt7(), Rig::timings());
    QPointer<SpeedDialog> frmspeed;
    SpeedDialog::open(frmspeed, SpeedDialog::Profile::Running, *link, op, Rig::timings());
    if (midSequence) {
        QObject::connect(
            link.get(), &SerialLink::sendFinished, link.get(),
            [&](SendResult) { QTimer::singleShot(0, [&] { link->shutDown(); }); },
            Qt::SingleShotConnection);
        QTest::mouseClick(Rig::okButton(frmspeed), Qt::LeftButton);
    } else {
        link.reset();
    }
    QTRY_VERIFY(frmspeed.isNull());
    QCOMPARE(port.written(), midSequence ? QByteArray("PROF\r") : QByteArray());
}

QTEST_MAIN(TestSetupDialogs)
#include "tst_setupdialogs.moc"
