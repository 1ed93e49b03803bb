#include "base/ReplyText.h"
#include "link/CommEvents.h"
#include "link/LineSettings.h"
#include "link/LineWait.h"
#include "link/PortList.h"
#include "link/QtSerialPort.h"
#include "link/SerialLink.h"
#include "link/TrafficLog.h"
#include "support/FakeSerialPort.h"
#include "support/LinkRig.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace kvt;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(kvt::LinkProfile)

using Rig = kvt::test::LinkRig;

class TestSerialLink : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void sending_data()
    {
        QTest::addColumn<LinkProfile>("profile");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<bool>("answered"); // the controller answers at every pacing tick
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<bool>("watchdogAfter");
        const auto row = [](const char* name, const LinkProfile& profile,
                            const QStringList& commands, const char* wire, bool watchdogAfter,
                            bool answered = false) {
            QTest::newRow(name) << profile << commands << answered << QByteArray(wire)
                                << watchdogAfter;
        };
        // KVT7: the watchdog waits for the reply after the command went out.
        row("kvt7 empty", LinkProfile::kvt7(), {""}, "\r", true);
        row("kvt7 queued, blanks as typed", LinkProfile::kvt7(), {" A ", "CD"}, " A \rCD\r", true);
        row("kvt7 answered", LinkProfile::kvt7(), {"G00,1000"}, "G00,1000\r", false, true);
        // KVT31/33: armed, but every pacing tick switches it off again.
        row("keypad", LinkProfile::kvt31_33(), {"END"}, "END\r", false);
        // Four models: back to back, and only the transfers arm the watchdog.
        row("four-model", LinkProfile::kvt52(), {"END"}, "END\r", false);
    }

    // Each character is a write of its own and, where the line is paced, waits
    // for a pacing tick of its own, the first one of a queued command included.
    // Replies while a command goes out neither stall it nor keep the watchdog on.
    void sending()
    {
        QFETCH(LinkProfile, profile);
        QFETCH(QStringList, commands);
        QFETCH(bool, answered);
        QFETCH(QByteArray, wire);
        Rig rig(profile, 5ms);
        QSignalSpy received(&rig.link, &SerialLink::received);
        QList<qsizetype> writesAtTick;
        connect(rig.pacingTimer(), &QTimer::timeout, &rig.link, [&] {
            writesAtTick << rig.port.writes.size();
            if (answered)
                rig.port.receive("?");
        });
        std::optional<SendResult> last;
        for (const QString& command : commands)
            rig.link.sendData(command, [&](SendResult r) { last = r; });
        QCOMPARE(rig.watchdogActive(), profile.sendArmsWatchdog);
        QTRY_COMPARE(last, SendResult::Sent);
        QTRY_VERIFY(!rig.pacingTimer()->isActive());
        QCOMPARE(rig.port.written(), wire);
        QCOMPARE(rig.port.writes.size(), wire.size());
        for (qsizetype i = 1; i < writesAtTick.size(); ++i)
            QVERIFY2(writesAtTick[i] - writesAtTick[i - 1] <= 1, qPrintable(QString::number(i)));
        QVERIFY(!answered || received.count() >= 8);
        QTEST(rig.watchdogActive(), "watchdogAfter");
        // A transfer arms it by hand, and no tick of the finished send switches it off.
        rig.link.armWatchdog(5s);
        QVERIFY(rig.watchdogActive());
    }

    void watchdogExpiryCutsOnlyTheCommandInFlight()
    {
        Timings t = Rig::timings(5ms);
        t.watchdog = 60ms;
        Rig rig(LinkProfile::kvt7(), t);
        rig.port.holdOutput(1); // a drain wait would never end
        QSignalSpy expired(&rig.link, &SerialLink::watchdogExpired);
        const QByteArray longCommand(200, 'X');
        std::optional<SendResult> first, queued;
        QByteArray sentByFirst;
        rig.link.sendData(QString::fromLatin1(longCommand), [&](SendResult r) {
            first = r;
            sentByFirst = rig.port.written();
        });
        rig.link.sendData(QStringLiteral("POS"), [&](SendResult r) { queued = r; });
        QTRY_COMPARE(first, SendResult::Aborted);
        QCOMPARE(expired.count(), 1);
        QVERIFY2(sentByFirst.size() < longCommand.size(), "the rest must stay unsent");
        QVERIFY(longCommand.startsWith(sentByFirst));
        // The command behind it goes out whole, with a watchdog of its own.
        QTRY_COMPARE(rig.port.written(), sentByFirst + "POS\r");
        QVERIFY(rig.watchdogActive());
        rig.port.drainOutput();
        QTRY_COMPARE(queued, SendResult::Sent);
    }

    void watchdogReadsWhatIsWaitingFirst()
    {
        // As after Ctrl+Z and fg: the reply is in, its event not yet handled.
        const QByteArray waiting = "OK\r\n>";
        Rig rig(LinkProfile::kvt7());
        rig.port.setReceiveThreshold(0); // input arrives without its event
        QSignalSpy expired(&rig.link, &SerialLink::watchdogExpired);
        QSignalSpy received(&rig.link, &SerialLink::received);
        rig.link.armWatchdog(30ms);
        rig.port.receive(waiting);
        QVERIFY(QTest::qWaitFor([&] { return !rig.watchdogActive(); }, 5000));
        QCOMPARE(expired.count(), 0);
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toByteArray(), waiting);
    }

    void queueKeepsOrderAndSequencesKeepTheirPauses()
    {
        Rig rig(LinkProfile::kvt7());
        QList<QString> finished;
        rig.link.sendSequence({{QStringLiteral("PROF"), 40ms}, {QStringLiteral("500"), 0ms}},
                              [&](SendResult) { finished << "sequence"; });
        // A button pressed the moment the first line is out must wait for the
        // whole sequence; so must a command sent from a finished command's callback.
        connect(
            &rig.link, &SerialLink::sendFinished, &rig.link,
            [&] {
                rig.link.sendData(QStringLiteral("G27"), [&](SendResult) { finished << "G27"; });
            },
            Qt::SingleShotConnection);
        rig.link.sendData(QStringLiteral("POS"), [&](SendResult) {
            finished << "POS";
            rig.link.sendData(QStringLiteral("DSP"));
        });
        QTRY_COMPARE(rig.port.written(), QByteArray("PROF\r500\rPOS\rG27\rDSP\r"));
        QCOMPARE(finished, (QList<QString>{"sequence", "POS", "G27"}));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<SendResult>("first");
        QTest::addColumn<SendResult>("queued");
        QTest::newRow("write fails midway")
            << "midway" << QByteArray("G0") << SendResult::WriteFailed << SendResult::WriteFailed;
        QTest::newRow("device lost")
            << "lost" << QByteArray("G0") << SendResult::LinkLost << SendResult::Discarded;
        // The transfer's own end: the queued command goes with it.
        QTest::newRow("cancelled")
            << "cancel" << QByteArray("G") << SendResult::Cancelled << SendResult::Cancelled;
        QTest::newRow("window closing")
            << "shutdown" << QByteArray("G") << SendResult::Discarded << SendResult::Discarded;
    }

    void failures()
    {
        QFETCH(QString, failure);
        QFETCH(SendResult, first);
        QFETCH(SendResult, queued);
        Rig rig(LinkProfile::kvt7());
        QSignalSpy writeFailed(&rig.link, &SerialLink::writeFailed);
        QSignalSpy lost(&rig.link, &SerialLink::linkLost);
        if (failure == "midway")
            rig.port.failWritesAfter(2, QStringLiteral("Input/output error"));
        QList<SendResult> results;
        rig.link.sendData(QStringLiteral("G00"), [&](SendResult r) { results << r; });
        rig.link.sendData(QStringLiteral("POS"), [&](SendResult r) { results << r; });
        if (failure == "lost")
            connect(rig.pacingTimer(), &QTimer::timeout, &rig.link, [&] {
                if (rig.port.writes.size() == 2)
                    rig.port.loseLink(QStringLiteral("gone"));
            });
        if (failure == "cancel")
            rig.link.cancel();
        if (failure == "shutdown")
            rig.link.shutDown();
        QTRY_COMPARE(results.size(), 2);
        QCOMPARE(results, (QList<SendResult>{first, queued}));
        QTRY_VERIFY(!rig.pacingTimer()->isActive());
        QTEST(rig.port.written(), "written");
        QCOMPARE(writeFailed.isEmpty(), first != SendResult::WriteFailed);
        QCOMPARE(lost.count(), failure == "lost" ? 1 : 0);
        QVERIFY(!rig.watchdogActive() || first == SendResult::WriteFailed || failure == "cancel");
    }

    void unsendableTextIsRefusedWhole()
    {
        Rig rig(LinkProfile::kvt7());
        QSignalSpy failed(&rig.link, &SerialLink::writeFailed);
        QCOMPARE(rig.sendAndWait(QStringLiteral("G\u03a9")), SendResult::WriteFailed);
        std::optional<SendResult> sequence;
        rig.link.sendSequence({{QStringLiteral("PROF"), 0ms}, {QStringLiteral("5\u03a9"), 0ms}},
                              [&](SendResult r) { sequence = r; });
        QCOMPARE(sequence, SendResult::WriteFailed);
        QCOMPARE(failed.count(), 2);
        QVERIFY(failed.at(0).at(0).toString().contains(QStringLiteral("\u03a9")));
        QVERIFY(rig.waitIdle());
        QVERIFY(rig.port.writes.isEmpty());
        // The line's code page is the files': the euro sign is byte 0x80.
        QCOMPARE(rig.sendAndWait(QStringLiteral("\u20ac")), SendResult::Sent);
        QCOMPARE(rig.port.written(), QByteArray("\x80\r"));
    }

    void eventsThatStopTheWatchdog()
    {
        // Which code is which is a table of its own, and what the window makes of a line
        // error or an unknown event the window suite's; here, which kinds show the line alive.
        Rig rig(LinkProfile::kvt7());
        for (const int code : {CommEvent::Receive, CommEvent::CtsChange}) {
            rig.link.armWatchdog(5s);
            code == CommEvent::Receive ? rig.port.receive(">") : rig.port.raiseEvent(code);
            QVERIFY(!rig.watchdogActive());
        }
        rig.link.armWatchdog(5s);
        for (const int code : {CommEvent::DsrChange, CommEvent::Break, 1009})
            rig.port.raiseEvent(code);
        QVERIFY(rig.watchdogActive());
    }

    void lineWaits()
    {
        // Quiet (four-model download): data restarts the pause, it ends once the line
        // is quiet; NoData (upload limits): the first data ends it; Fixed (KVT31/33
        // pause): a reply neither ends nor stalls it.
        for (const auto kind :
             {LineWait::Kind::Quiet, LineWait::Kind::NoData, LineWait::Kind::Fixed}) {
            const bool endsAtData = kind == LineWait::Kind::NoData;
            Rig rig(LinkProfile::kvt52());
            LineWait wait(rig.link, kind);
            QSignalSpy ended(&wait, &LineWait::ended);
            wait.start(60ms);
            rig.port.receive("OK");
            QCOMPARE(ended.count(), endsAtData ? 1 : 0);
            QCOMPARE(wait.isRunning(), !endsAtData);
            QVERIFY(endsAtData || ended.wait(2000));
            QCOMPARE(ended.at(0).at(0).toBool(), endsAtData);
            // Data after the end is no business of the wait.
            rig.port.receive("OK");
            QCOMPARE(ended.count(), 1);
        }
    }

    void inputNobodyUsesIsDropped()
    {
        // Handed on to a running line wait, the two bursts share the log's entry.
        for (const bool waitRunning : {false, true}) {
            Rig rig(LinkProfile::kvt52());
            rig.port.setInputLength(2);
            rig.port.setReceiveThreshold(2);
            TrafficLog log;
            rig.link.setTrafficLog(&log);
            rig.link.setInputWanted([] { return false; }); // no transfer runs
            LineWait wait(rig.link, LineWait::Kind::Fixed);
            if (waitRunning)
                wait.start(5s);
            QSignalSpy receives(&rig.link, &SerialLink::received);
            rig.port.receive("ABCDEF");
            rig.port.receive("ABCDEF");
            QCOMPARE(receives.count(), waitRunning ? 6 : 0);
            QCOMPARE(log.entries().back().bytes,
                     waitRunning ? "ABCDEFABCDEF" : "dropped 12 bytes nobody waited for");
        }
    }

    // The receive threshold and input length, as every port implementation gets them.
    void thresholdAndInputLength_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<int>("inputLength");
        QTest::addColumn<QList<QByteArray>>("arrivals");
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<int>("leftWaiting");
        QTest::addColumn<int>("strandedMs"); // 0: a short rest waits for more

        using L = QList<QByteArray>;
        QTest::newRow("burst read whole")
            << 1 << 0 << L{"POS=+5\r\n>"} << L{"POS=+5\r\n>"} << 0 << 0;
        QTest::newRow("one waits for a second") << 2 << 0 << L{"A", "B"} << L{"AB"} << 0 << 0;
        QTest::newRow("lone character waits") << 2 << 0 << L{"A"} << L{} << 1 << 0;
        QTest::newRow("pairs, odd total") << 2 << 2 << L{"ABCDE"} << L{"AB", "CD"} << 1 << 0;
        QTest::newRow("odd rest joins the next")
            << 2 << 2 << L{"ABCDE", "F"} << L{"AB", "CD", "EF"} << 0 << 0;
        QTest::newRow("short reads, threshold 1")
            << 1 << 2 << L{"ABCDE"} << L{"AB", "CD", "E"} << 0 << 0;
        // The end of a transmission is read once the line falls quiet.
        QTest::newRow("END split, quiet line") << 2 << 0 << L{"EN", "D"} << L{"EN", "D"} << 0 << 5;
        QTest::newRow("pairs, odd total, quiet line")
            << 2 << 2 << L{"ABCDE"} << L{"AB", "CD", "E"} << 0 << 5;
    }

    void thresholdAndInputLength()
    {
        QFETCH(int, threshold);
        QFETCH(int, inputLength);
        QFETCH(QList<QByteArray>, arrivals);
        QFETCH(QList<QByteArray>, reads);
        QFETCH(int, strandedMs);

        kvt::test::FakeSerialPort port;
        port.setStrandedReadDelay(std::chrono::milliseconds(strandedMs));
        QVERIFY(port.open(1));
        port.setInputLength(inputLength);
        port.setReceiveThreshold(threshold);
        QList<QByteArray> got;
        connect(&port, &SerialPort::commEvent, &port, [&](int code) {
            QCOMPARE(code, CommEvent::Receive);
            got += port.readPieces();
        });
        for (const QByteArray& piece : arrivals) {
            port.receive(piece);
            // Let queued re-checks run until the port falls quiet.
            QTest::qWait(20);
        }
        QTRY_COMPARE(got, reads);
        QTEST(int(port.bytesAvailable()), "leftWaiting");
    }

    void inputWaitingIsReportedOnceTheThresholdIsSet()
    {
        kvt::test::FakeSerialPort port;
        QSignalSpy events(&port, &SerialPort::commEvent);
        QVERIFY(port.open(1));
        port.receive("A"); // before the window set its threshold: no events yet
        QCOMPARE(events.count(), 0);
        port.setReceiveThreshold(1);
        QCOMPARE(events.count(), 1);
    }

    // A pty keeps 8 data bits and no parity: what it does take must still be set.
    void refusedSettingKeepsTheOthers()
    {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        PortMap ports;
        ports.setDevice(1, QString::fromLocal8Bit(::ptsname(master)));
        QtSerialPort port(ports);
        QVERIFY(port.open(1));
        port.setHandshaking(Handshaking::RtsCts);
        QVERIFY(!port.setSettings(QStringLiteral("19200,E,7,2")));
        QCOMPARE(port.errorString(),
                 ports.device(1) +
                     QStringLiteral(" does not take even parity or 7 data bits; it runs "
                                    "with 19200,N,8,2, and the controller must be set "
                                    "to the same."));
        QCOMPARE(port.settingsInEffect(), QStringLiteral("19200,N,8,2"));
        termios line{};
        QVERIFY(::tcgetattr(master, &line) == 0);
        QVERIFY(line.c_cflag & CRTSCTS);
        QCOMPARE(::cfgetospeed(&line), speed_t(B19200));
        QVERIFY2(port.setSettings(QStringLiteral("9600,N,8,1")), qPrintable(port.errorString()));
        QCOMPARE(port.settingsInEffect(), QStringLiteral("9600,N,8,1"));
        port.close();
        ::close(master);
    }

    void settings_data()
    {
        // Every field shows in the canonical form, so it checks the parse as well.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("canonical"); // empty: refused
        for (const auto& [text, canonical] : {std::pair{"4800,O,8,2", "4800,O,8,2"},
                                              {"2400,e,7,1", "2400,E,7,1"},
                                              {"9600,N,5,1.5", "9600,N,5,1.5"},
                                              {" 9600 , N , 8 , 1 ", "9600,N,8,1"}})
            QTest::newRow(text) << text << canonical;
        for (const char* bad :
             {"", "9600", "9600,N,8", "9600,N,8,1,1", "fast,N,8,1", "-9600,N,8,1", "0,N,8,1",
              "9600,X,8,1", "9600,N,9,1", "9600,N,4,1", "9600,N,8,3", "9600,NN,8,1"})
            QTest::newRow(bad[0] ? bad : "empty") << bad << QString();
    }

    void settings()
    {
        QFETCH(QString, text);
        QFETCH(QString, canonical);
        const auto parsed = LineSettings::parse(text);
        QCOMPARE(parsed.has_value(), !canonical.isEmpty());
        if (parsed)
            QCOMPARE(parsed->toString(), canonical);
    }

    // Every refused part named; that a port refuses nothing it takes shows on the pty above.
    void refusedSettings()
    {
        const LineSettings has = *LineSettings::parse("9600,N,8,1");
        QCOMPARE(
            refusedSettingsText("COM1", refusedParts(*LineSettings::parse("1200,O,8,2"), has), has),
            "COM1 does not take 1200 baud, odd parity or 2 stop bits; it runs with "
            "9600,N,8,1, and the controller must be set to the same.");
    }

    void keepNewestPieces_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one too many") << "A\r\nB\r\nC\r\n" << 3 << "B\r\nC\r\n";
        QTest::newRow("no trailing break") << "A\r\nB\r\nC" << 2 << "B\r\nC";
        QTest::newRow("bare CR keeps next line whole") << "AB\rCD\rEF" << 2 << "CD\rEF";
        QTest::newRow("empty pieces") << "\r\n\r\n\r\n" << 2 << "\r\n";
        QTest::newRow("ends in bare CR") << "A\rB\r" << 1 << "";
    }

    void keepNewestPieces()
    {
        QFETCH(QString, text);
        QFETCH(int, pieces);
        QTEST(kvt::keepNewestPieces(text, pieces), "expected");
    }

    void controllerUpper_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("letters only, blanks kept") << " g92,-0+9; pos "
                                                   << " G92,-0+9; POS ";
        QTest::newRow("8-bit letter")
            << QStringLiteral("\u00e9t\u00e9") << QStringLiteral("\u00c9T\u00c9");
        QTest::newRow("sharp s keeps length")
            << QStringLiteral("stra\u00dfe") << QStringLiteral("STRA\u00dfE");
        QTest::newRow("y diaeresis to its code-page capital")
            << QStringLiteral("\u00ff\u0161") << QStringLiteral("\u0178\u0160");
        QTest::newRow("no capital in the code page")
            << QStringLiteral("\u0101") << QStringLiteral("\u0101");
    }

    void controllerUpper()
    {
        QFETCH(QString, text);
        QTEST(toControllerUpper(text), "expected");
        if (const auto wire = toWire(toControllerUpper(text)))
            QCOMPARE(wire->size(), text.size());
    }

    void eventClasses_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("status");
        for (int code : {1, 4, 5, 6, 7})
            QTest::addRow("ignored %d", code) << code << int(CommEventKind::Ignored) << QString();
        QTest::newRow("break") << 1001 << int(CommEventKind::LineError) << "Break Received ! ";
        QTest::newRow("cts timeout") << 1002 << int(CommEventKind::LineError) << "CTS timeout";
        QTest::newRow("dsr timeout") << 1003 << int(CommEventKind::LineError) << "DSR timeout";
        QTest::newRow("overflow") << 1008 << int(CommEventKind::LineError)
                                  << "Receive Buffer Overflow";
        QTest::newRow("tx full") << 1010 << int(CommEventKind::LineError) << "Transmit Buffer Full";
        for (int code : {0, -1, 8, 1000, 1004, 1005, 1006, 1007, 1009, 1011, 32767})
            QTest::addRow("unknown %d", code) << code << int(CommEventKind::Unknown) << QString();
    }

    void eventClasses()
    {
        QFETCH(int, code);
        const CommEventAction action = classifyCommEvent(code);
        QTEST(int(action.kind), "kind");
        QTEST(action.statusText, "status");
    }

    void trafficLine()
    {
        // Text that looks like a control name stays apart from a real one.
        QCOMPARE(TrafficLog::visible("<CR>\r\n"), "<<CR><CR><LF>");
        QCOMPARE(TrafficLog::visible(QByteArray("\x00\x07\xe9", 3)), "<NUL><07><e9>");
        QCOMPARE(TrafficLog::hex(QByteArray("\x00\x07\xe9", 3)), "00 07 E9");
    }

    void trafficLogBounds_data()
    {
        // Steps and entries: '>' sent by "online", '<' received, '!' a note of
        // dropped bytes; '|' ends a command.
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("byteLimit");
        QTest::addColumn<QByteArrayList>("script");
        QTest::addColumn<QByteArrayList>("kept");
        QTest::addColumn<int>("droppedBytes");
        const QByteArray full(TrafficLog::burstBytes - 2, 'a');
        QTest::newRow("entry cap")
            << 4 << 1000 << QByteArrayList{">P", ">O", "<?", ">S\r", "|", "<A", ">X", "<B"}
            << QByteArrayList{">S\r", "<A", ">X", "<B"} << 3;
        QTest::newRow("burst shares an entry")
            << 100 << 1000 << QByteArrayList{"<AB", "<CD", ">X", "<EF", "!3", "<GH"}
            << QByteArrayList{"<ABCD", ">X", "<EF", "!dropped 3 bytes nobody waited for", "<GH"}
            << 0;
        QTest::newRow("burst entry full")
            << 100 << 100'000 << QByteArrayList{'<' + full, "<bc", "<d"}
            << QByteArrayList{'<' + full + "bc", "<d"} << 0;
        QTest::newRow("byte bound")
            << 100 << 10 << QByteArrayList{">AAAA", "|", ">BBBB", "|", ">CCCC"}
            << QByteArrayList{">BBBB", ">CCCC"} << 4;
    }

    void trafficLogBounds()
    {
        QFETCH(int, limit);
        QFETCH(int, byteLimit);
        QFETCH(QByteArrayList, script);
        QFETCH(QByteArrayList, kept);
        TrafficLog log;
        log.setLimit(limit);
        log.setByteLimit(byteLimit);
        log.setBurstGap(3'600'000); // a loaded machine must not split a burst
        qint64 sent = 0, received = 0;
        for (const QByteArray& step : std::as_const(script)) {
            if (step[0] == '>')
                log.recordSent(QStringLiteral("online"), step.mid(1)), sent += step.size() - 1;
            else if (step[0] == '<')
                log.recordReceived(step.mid(1)), received += step.size() - 1;
            else if (step[0] == '!')
                log.recordDropped(step.mid(1).toLongLong());
            else
                log.endCommand();
        }
        QByteArrayList entries;
        for (const TrafficLog::Entry& entry : log.entries())
            entries << "><!"[int(entry.direction)] + entry.bytes;
        QCOMPARE(entries, kept);
        QCOMPARE(log.droppedEntries(), log.lastNumber() - kept.size());
        QTEST(int(log.droppedBytes()), "droppedBytes");
        QCOMPARE(log.sentBytes(), sent);
        QCOMPARE(log.receivedBytes(), received);
    }

    void trafficLogFileRotates()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("traffic.log"));
        constexpr int cap = 200, commands = 40;
        {
            TrafficLog log;
            log.setFileCap(cap);
            QString error;
            QVERIFY2(log.writeTo(path, &error), qPrintable(error));
            for (int i = 0; i < commands; ++i) {
                log.recordSent(QStringLiteral("online"), "cmd" + QByteArray::number(i));
                log.endCommand();
            }
        }
        QFile older(path + QStringLiteral(".1")), newer(path);
        QVERIFY(older.open(QIODevice::ReadOnly) && newer.open(QIODevice::ReadOnly) &&
                older.size() <= cap && newer.size() <= cap);
        // Together the two hold the newest commands in order, none lost between them.
        const QByteArrayList lines = (older.readAll() + newer.readAll()).split('\n');
        QVERIFY(lines.size() > 3 && lines.size() < commands);
        for (int i = 0; i + 1 < lines.size(); ++i)
            QVERIFY(lines[i].endsWith("cmd" + QByteArray::number(commands - lines.size() + 1 + i)));
    }

    void lossInWords()
    {
        // The system's text after a hang-up is stale ("Resource temporarily unavailable",
        // "Inappropriate ioctl for device") and never shown.
        const QString usb = QStringLiteral("/dev/ttyUSB0"), stale = QStringLiteral("stale");
        QCOMPARE(QtSerialPort::describeLoss(usb, QSerialPort::ReadError, false, stale),
                 "The device /dev/ttyUSB0 was removed (unplugged or switched off).");
        QCOMPARE(QtSerialPort::describeLoss(usb, QSerialPort::ResourceError, true, stale),
                 "The device /dev/ttyUSB0 hung up: the line was closed at the other end.");
        QCOMPARE(QtSerialPort::describeLoss(usb, QSerialPort::WriteError, true,
                                            QStringLiteral("Input/output error")),
                 "Writing to /dev/ttyUSB0 failed: Input/output error");
        const auto told = [](const char* device, bool gone) {
            return lossInPlainWords(2, device, gone, QStringLiteral("hung up"));
        };
        QCOMPARE(told("/dev/ttyUSB0", true),
                 "The USB adapter on COM2 (/dev/ttyUSB0) was unplugged.");
        QCOMPARE(told("/dev/ttyS0", true), "The device on COM2 (/dev/ttyS0) went away.");
        QCOMPARE(told("/dev/ttyS1", false), "hung up"); // still there: the system's account
    }
};

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
