#include "base/ReplyText.h"
#include "link/CommEvents.h"
#include "link/LineSettings.h"
#include "link/PortList.h"
#include "link/TrafficLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kvt;

class TestLinkText : public QObject {
    Q_OBJECT
private Q_SLOTS:

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

    void refusedSettings()
    {
        const auto told = [](const char* wanted, const char* inEffect) {
            const LineSettings has = *LineSettings::parse(inEffect);
            const QStringList parts = refusedParts(*LineSettings::parse(wanted), has);
            return parts.isEmpty() ? QString() : refusedSettingsText("COM1", parts, has);
        };
        QCOMPARE(told("9600,N,8,1", "9600,N,8,1"), QString());
        QCOMPARE(told("1200,O,8,2", "9600,N,8,1"),
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
        const auto told = [](const char* device, bool gone) {
            return lossInPlainWords(2, device, gone, QStringLiteral("hung up"));
        };
        QCOMPARE(told("/dev/ttyUSB0", true),
                 "The USB adapter on COM2 (/dev/ttyUSB0) was unplugged.");
        QCOMPARE(told("/dev/ttyS0", true), "The device on COM2 (/dev/ttyS0) went away.");
        QCOMPARE(told("/dev/ttyS1", false), "hung up"); // still there: the system's account
    }
};

QTEST_GUILESS_MAIN(TestLinkText)
#include "tst_linktext.moc"
