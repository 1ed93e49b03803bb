#include "support/LinkRig.h"
#include "transfer/BlockDownload.h"
#include "transfer/BlockUpload.h"
#include "transfer/Kvt7Download.h"
#include "transfer/Kvt7Upload.h"

#include <QSignalSpy>

using namespace kvt;
using namespace std::chrono_literals;
using kvt::test::LinkRig;

namespace {

// A job on a link of its own; it hears the link by itself.
struct JobRig : LinkRig {
    // With the four-model profile a command is out before start() returns.
    explicit JobRig(const LinkProfile& profile = LinkProfile::kvt7()) : LinkRig(profile, 1ms) {}
    bool waitForWritten(const QByteArray& bytes)
    {
        return QTest::qWaitFor([&] { return port.written().endsWith(bytes); }, 5000);
    }
};

TransferOutcome outcomeOf(const QSignalSpy& finished)
{
    return finished.at(0).at(0).value<TransferOutcome>();
}

} // namespace

class TestTransferJobs : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void downloadStops_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<TransferOutcome>("outcome");
        QTest::newRow("watchdog") << "watchdog" << TransferOutcome::NoReply;
        QTest::newRow("window closed") << "closed" << TransferOutcome::Abandoned;
    }

    void downloadStops()
    {
        QFETCH(QString, how);
        QFETCH(TransferOutcome, outcome);
        JobRig rig;
        Kvt7Download download(rig.link, program::linesToSend("M31,1\r\nG27\r\nM30"), 10ms);
        QSignalSpy finished(&download, &TransferJob::finished);
        download.start();
        QVERIFY(rig.waitForWritten("M31,1\r"));
        rig.port.receive("OK");
        QVERIFY(rig.waitForWritten("G27\r"));
        QCOMPARE(download.pendingLine()->index, 1);
        if (how == "watchdog") // the job hears its link's watchdog by itself
            rig.link.armWatchdog(1ms);
        else
            download.stop(TransferOutcome::Abandoned);
        QVERIFY(!finished.isEmpty() || finished.wait(5000));
        QCOMPARE(outcomeOf(finished), outcome);
        rig.port.receive("OK"); // a late answer sends nothing more
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.port.written(), QByteArray("M31,1\rG27\r"));
        QCOMPARE(finished.size(), 1);
    }

    void downloadWaitsForTheWholeReply()
    {
        JobRig rig;
        const QStringList lines{"M31,1", "G27", "M30"};
        Kvt7Download download(rig.link, program::linesToSend(lines.join("\r\n")), 200ms);
        QSignalSpy finished(&download, &TransferJob::finished);
        download.start();
        const QByteArray reply = "OK\r\n>";
        for (const QString& line : lines) {
            const QByteArray sent = line.toLatin1() + '\r';
            QVERIFY2(rig.waitForWritten(sent), qPrintable(line));
            for (char byte : reply) {
                rig.port.receive(QByteArray(1, byte));
                QTest::qWait(5);
                QVERIFY2(rig.port.written().endsWith(sent), "the next line went out mid-reply");
            }
        }
        QVERIFY(finished.wait(5000));
        QCOMPARE(outcomeOf(finished), TransferOutcome::Complete);
        QCOMPARE(rig.port.written(), QByteArray("M31,1\rG27\rM30\r"));
    }

    void upload_data()
    {
        QTest::addColumn<int>("program");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<TransferOutcome>("outcome");
        QTest::addColumn<QString>("text");
        const auto complete = TransferOutcome::Complete;
        const auto timedOut = TransferOutcome::TimedOut;
        QTest::newRow("noise before the echo")
            << 0 << QByteArray("\r\n>DP0\r\n#0\r\nG27\r\n\r\n>M30\r\n\r\n>") << complete
            << "M31,0\r\nG27\r\nM30\r\n";
        QTest::newRow("no DP: eight dropped") << 1 << QByteArray("xxxxxxxxG10,+5\r\n\r\n>M30\r\n")
                                              << complete << "M31,1\r\nG10,+5\r\nM30\r\n";
        QTest::newRow("text after M30 dropped")
            << 1 << QByteArray("DP1\r\n#1\r\nM30\r\nJUNK") << complete << "M31,1\r\nM30\r\n";
        QTest::newRow("prompt at the very start") << 1 << QByteArray("DP1\r\n#1\r\n>G27\r\nM30\r\n")
                                                  << complete << "M31,1\r\nG27\r\nM30\r\n";
        QTest::newRow("nothing at all") << 0 << QByteArray() << timedOut << "M31,0\r\n";
        QTest::newRow("M30 not yet followed")
            << 0 << QByteArray("DP0\r\n#0\r\nG27\r\n\r\n>M30") << timedOut << "M31,0\r\nG27\r\nM30";
    }

    void upload()
    {
        QFETCH(int, program);
        QFETCH(QByteArray, received);
        QFETCH(TransferOutcome, outcome);
        JobRig rig;
        Kvt7Upload upload(rig.link, program, 150ms);
        QSignalSpy finished(&upload, &TransferJob::finished);
        upload.start();
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.port.written(), "DP" + QByteArray::number(program) + "\r");
        rig.port.receive(received);
        QCOMPARE(finished.size(), outcome == TransferOutcome::Complete ? 1 : 0);
        QVERIFY(!finished.isEmpty() || finished.wait(5000));
        QCOMPARE(outcomeOf(finished), outcome);
        QTEST(upload.programText(), "text");
        QVERIFY(!upload.keepsReceived()); // replies are the display's again
    }

    void uploadSplitAtEveryPosition_data()
    {
        QTest::addColumn<QByteArray>("listing");
        QTest::newRow("as kvtsim lists")
            << QByteArray("DP2\r\n#2\r\nM31,2\r\n\r\n>G00,100\r\n\r\n>M30\r\n\r\n>");
        QTest::newRow("prompt right after M30")
            << QByteArray("DP2\r\n#2\r\nM31,2\r\n\r\n>G00,100\r\n\r\n>M30\r\n>");
    }

    void uploadSplitAtEveryPosition()
    {
        QFETCH(QByteArray, listing);
        for (qsizetype first = 1; first < listing.size(); ++first) {
            for (qsizetype second = first; second < listing.size(); second += 3) {
                JobRig rig(LinkProfile::fourModel());
                Kvt7Upload upload(rig.link, 2, 5s);
                QSignalSpy finished(&upload, &TransferJob::finished);
                QSignalSpy shown(&upload, &Kvt7Upload::programChanged);
                upload.start();
                rig.port.receive(listing.left(first));
                rig.port.receive(listing.mid(first, second - first));
                rig.port.receive(listing.mid(second));
                const QString split = QStringLiteral("split %1/%2").arg(first).arg(second);
                QVERIFY2(finished.size() == 1, qPrintable(split));
                QVERIFY2(upload.programText() ==
                             QStringLiteral("M31,2\r\nM31,2\r\nG00,100\r\nM30\r\n"),
                         qPrintable(split + ": " + upload.programText()));
                // The listing never shows a prompt, even while it grows.
                for (const auto& text : shown)
                    QVERIFY(!text.at(0).toString().contains(QLatin1Char('>')));
            }
        }
    }

    void uploadOverflowEnds()
    {
        JobRig rig;
        Kvt7Upload upload(rig.link, 1, 60s);
        QSignalSpy finished(&upload, &TransferJob::finished);
        upload.start();
        QVERIFY(rig.waitIdle());
        const QByteArray chunk(64 * 1024, 'G');
        for (int i = 0; i < 16; ++i)
            upload.receive(chunk);
        QVERIFY(finished.isEmpty()); // exactly the limit is still fine
        upload.receive("G");
        QCOMPARE(finished.size(), 1);
        QCOMPARE(outcomeOf(finished), TransferOutcome::Overflow);
    }

    void blockDownload_data()
    {
        QTest::addColumn<bool>("fourModel"); // else KVT31/KVT33
        QTest::addColumn<QString>("text");
        // The handshake holds the line (the controller is off) in Qt's "buffer" or
        // in the system's "driver", which tells nobody when it lets "go".
        QTest::addColumn<QString>("held");
        QTest::addColumn<QByteArray>("cancelAfter"); // the operator cancels once this went out
        QTest::addColumn<TransferOutcome>("outcome");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("keypad: cut and skipped lines")
            << false << "g00,+1000 go\r\nx\r\n\r\nm30\r\n"
            << QString() << QByteArray() << TransferOutcome::Complete
            << QByteArray("G00,+1000\rM30\rEND\r");
        QTest::newRow("keypad: empty editor") << false << "" << QString() << QByteArray()
                                              << TransferOutcome::Complete << QByteArray("END\r");
        for (const QString held : {"buffer", "driver"}) {
            QTest::addRow("keypad: %s never lets go", qPrintable(held))
                << false << "G27\r\nM30" << held << QByteArray() << TransferOutcome::NoReply
                << QByteArray("G27\r");
            QTest::addRow("four-model: %s never lets go", qPrintable(held))
                << true << "G27\r\nM30" << held << QByteArray() << TransferOutcome::NoReply
                << QByteArray("S00\r");
        }
        QTest::newRow("keypad: driver lets go")
            << false << "G27\r\nM30"
            << "go" << QByteArray() << TransferOutcome::Complete << QByteArray("G27\rM30\rEND\r");
        // Answered after every line: each reply lengthens the quiet period, never ends the
        // download.
        QTest::newRow("four-model: block answered line by line")
            << true << "ab1 note\r\ncd\r\nx" << QString() << QByteArray()
            << TransferOutcome::Complete << QByteArray("S00\rAB1\rCD\rEND\r");
        QTest::newRow("four-model: Cancel sends C alone")
            << true << "ab1\r\ncd"
            << "" << QByteArray("AB1\r") << TransferOutcome::Cancelled << QByteArray("S00\rAB1\rC");
    }

    void blockDownload()
    {
        QFETCH(bool, fourModel);
        QFETCH(QString, text);
        QFETCH(QString, held);
        QFETCH(QByteArray, cancelAfter);
        QFETCH(TransferOutcome, outcome);
        JobRig rig(fourModel ? LinkProfile::fourModel() : LinkProfile::kvt31_33());
        rig.port.holdOutput(held == "buffer" ? 1 : 0);
        rig.port.holdInDriver(held == "driver" || held == "go");
        BlockDownload::Plan plan{fourModel ? QStringLiteral("S00") : QString(),
                                 fourModel ? LineWait::Kind::Quiet : LineWait::Kind::Fixed,
                                 5ms,
                                 held == "go" ? 5s : 200ms,
                                 fourModel ? 50ms : 0ms,
                                 fourModel ? "C" : ""};
        BlockDownload download(rig.link, program::programLines(text), plan);
        QSignalSpy finished(&download, &TransferJob::finished);
        // Replies come while lines go out and while the job pauses; none may stall it.
        connect(rig.pacingTimer(), &QTimer::timeout, &rig.link, [&] {
            rig.port.receive("?>");
            if (!cancelAfter.isEmpty() && rig.port.written().endsWith(cancelAfter))
                download.cancel();
        });
        download.start();
        if (held == "go") {
            QVERIFY(!finished.wait(50)); // the first line is not out yet
            rig.port.holdInDriver(false);
        }
        QVERIFY(!finished.isEmpty() || finished.wait(5000));
        QCOMPARE(outcomeOf(finished), outcome);
        // A line given up on does not leave later, when the controller comes on.
        QVERIFY(outcome != TransferOutcome::NoReply || rig.port.bytesToWrite() == 0);
        rig.port.drainOutput();
        rig.port.holdInDriver(false);
        QVERIFY(rig.waitIdle());
        QTEST(rig.port.written(), "wire");
    }

    void blockUpload_data()
    {
        QTest::addColumn<QString>("request");          // empty: the keypad starts the controller
        QTest::addColumn<QList<QByteArray>>("pieces"); // empty: the controller stays silent
        QTest::addColumn<TransferOutcome>("outcome");
        QTest::addColumn<QString>("text");
        QTest::newRow("END split over reads")
            << "" << QList<QByteArray>{"M31,7\rG00,100\rEN", "D\r"} << TransferOutcome::Complete
            << "M31,7\r\nG00,100\r\n";
        QTest::newRow("silent controller")
            << "" << QList<QByteArray>{} << TransferOutcome::TimedOut << "";
        QTest::newRow("data, then Cancel")
            << "" << QList<QByteArray>{"M31,1\rG2"} << TransferOutcome::Cancelled << "M31,1\r\nG2";
        // Slower than the limit in all, but never silent for as long.
        QTest::newRow("data keeps coming")
            << "" << (QList<QByteArray>(30, "G0\r") << "END\r") << TransferOutcome::Complete
            << QString("G0\r\n").repeated(30);
        QTest::newRow("END, its line's end later")
            << "S03" << QList<QByteArray>{"M31,2\rEND", "X\r"} << TransferOutcome::Complete
            << "M31,2\r\n";
        QTest::newRow("END, then silence")
            << "S03" << QList<QByteArray>{"M31,2\rEND"} << TransferOutcome::Complete << "M31,2\r\n";
        QTest::newRow("requested block") << "S04" << QList<QByteArray>{"M31,2\rABC\rEND\r"}
                                         << TransferOutcome::Complete << "M31,2\r\nABC\r\n";
    }

    void blockUpload()
    {
        QFETCH(QString, request);
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(TransferOutcome, outcome);
        JobRig rig(request.isEmpty() ? LinkProfile::kvt31_33() : LinkProfile::fourModel());
        std::optional<BlockUpload::Request> asked;
        if (!request.isEmpty())
            asked = BlockUpload::Request{request, 50s};
        BlockUpload upload(rig.link, 500ms, asked);
        upload.setEndLineQuiet(200ms);
        QSignalSpy finished(&upload, &TransferJob::finished);
        upload.start();
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.port.written(), request.isEmpty() ? QByteArray() : request.toLatin1() + '\r');
        for (const QByteArray& piece : pieces) {
            QVERIFY(finished.isEmpty());
            rig.port.receive(piece);
            QTest::qWait(20);
        }
        if (outcome == TransferOutcome::Cancelled)
            upload.cancel();
        QVERIFY(!finished.isEmpty() || finished.wait(5000));
        QCOMPARE(outcomeOf(finished), outcome);
        QTEST(upload.block().text, "text");
    }

    // Read two characters per event, a flood outruns the reader and never
    // reaches the limit; each event must take a bounded step instead.
    void blockUploadFloodEndsAtTheLimit()
    {
        JobRig rig(LinkProfile::fourModel());
        rig.port.setInputLength(2);
        rig.port.setReceiveThreshold(2);
        BlockUpload upload(rig.link, 60s, BlockUpload::Request{QStringLiteral("S03"), 50s});
        QSignalSpy finished(&upload, &TransferJob::finished);
        QSignalSpy events(&rig.port, &SerialPort::commEvent);
        qsizetype largestPiece = 0;
        connect(&rig.link, &SerialLink::received, this,
                [&](const QByteArray& piece) { largestPiece = qMax(largestPiece, piece.size()); });
        upload.start();
        QVERIFY(rig.waitIdle());
        rig.port.receive(QByteArray("G00,+1234567\r").repeated(2 * 1024 * 1024 / 13));
        QVERIFY(!finished.isEmpty() || finished.wait(30000));
        QCOMPARE(outcomeOf(finished), TransferOutcome::Overflow);
        QVERIFY(upload.arrived() <= BlockUpload::bufferLimit + SerialPort::readStep);
        QCOMPARE(largestPiece, 2);
        QVERIFY2(events.count() <= 2 * BlockUpload::bufferLimit / SerialPort::readStep,
                 qPrintable(QString::number(events.count())));
    }
};

QTEST_GUILESS_MAIN(TestTransferJobs)
#include "tst_transferjobs.moc"
