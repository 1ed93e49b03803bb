#include "link/QtSerialPort.h"
#include "support/FakeSerialPort.h"

#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace kvt;
using kvt::test::FakeSerialPort;

// The receive threshold and input length, as every port implementation gets them.
class TestSerialPort : public QObject {
    Q_OBJECT
private Q_SLOTS:

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

        FakeSerialPort port;
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
        FakeSerialPort port;
        QSignalSpy events(&port, &SerialPort::commEvent);
        QVERIFY(port.open(1));
        port.receive("A"); // before the window set its threshold: no events yet
        QCOMPARE(events.count(), 0);
        port.setReceiveThreshold(1);
        QCOMPARE(events.count(), 1);
    }

    void lossIsToldAsItHappened()
    {
        // The system's text after a hang-up is stale ("Resource temporarily
        // unavailable", "Inappropriate ioctl for device") and never shown.
        const QString device = QStringLiteral("/dev/ttyUSB0"), stale = QStringLiteral("stale");
        QCOMPARE(QtSerialPort::describeLoss(device, QSerialPort::ReadError, false, stale),
                 "The device /dev/ttyUSB0 was removed (unplugged or switched off).");
        QCOMPARE(QtSerialPort::describeLoss(device, QSerialPort::ResourceError, true, stale),
                 "The device /dev/ttyUSB0 hung up: the line was closed at the other end.");
        QCOMPARE(QtSerialPort::describeLoss(device, QSerialPort::WriteError, true,
                                            QStringLiteral("Input/output error")),
                 "Writing to /dev/ttyUSB0 failed: Input/output error");
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
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
