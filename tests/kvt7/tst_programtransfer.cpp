#include "kvt7/ProgramDownload.h"
#include "kvt7/ProgramLines.h"
#include "kvt7/ProgramUpload.h"
#include "link/SerialLink.h"
#include "support/FakeSerialPort.h"

#include <QSignalSpy>
#include <QTest>

using namespace kvt;
using namespace std::chrono_literals;
using kvt::program::DownloadLine;
using kvt::test::FakeSerialPort;

Q_DECLARE_METATYPE(kvt::ProgramDownload::Outcome)
Q_DECLARE_METATYPE(kvt::ProgramUpload::Outcome)

namespace {

struct Rig {
    Rig()
    {
        Timings t;
        t.pacing = 1ms;
        link = std::make_unique<SerialLink>(port, LinkProfile::kvt7(), t);
        port.open(1);
        port.setReceiveThreshold(1);
    }
    // Sends what the port received to the job, as the window does.
    template <typename Job> void feed(Job& job)
    {
        QObject::connect(link.get(), &SerialLink::received, &job, [&job](const QByteArray& data) {
            if constexpr (std::is_same_v<Job, ProgramUpload>)
                job.receive(data);
            else
                job.replyReceived();
        });
    }
    bool waitForWritten(const QByteArray& bytes)
    {
        return QTest::qWaitFor([&] { return port.written().endsWith(bytes); }, 5000);
    }
    bool waitIdle()
    {
        return QTest::qWaitFor([&] { return !link->isSending(); }, 5000);
    }

    FakeSerialPort port;
    std::unique_ptr<SerialLink> link;
};

} // namespace

class TestProgramTransfer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void downloadLines_data();
    void downloadLines();
    void downloadWaitsForEachReply();
    void downloadReplyDuringSendCounts();
    void downloadStops_data();
    void downloadStops();
    void uploadParsing_data();
    void uploadParsing();
    void uploadSplitAtEveryPosition();
    void uploadTimeLimit_data();
    void uploadTimeLimit();
    void uploadOverflowEnds();
    void uploadNotSentLeavesNothing();
};

void TestProgramTransfer::downloadLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<DownloadLine>>("lines");
    using L = QList<DownloadLine>;
    QTest::newRow("example") << "m31,0\r\nG00,100  remark\r\n\r\nm30"
                             << L{{1, "M31,0"}, {2, "G00,100"}, {4, "M30"}};
    QTest::newRow("one character not sent") << "A\r\nG27" << L{{2, "G27"}};
    QTest::newRow("leading blank not sent") << " G27\r\n\tG28\r\nG29" << L{{3, "G29"}};
    QTest::newRow("tab remark") << "G00,5\tgo" << L{{1, "G00,5"}};
    QTest::newRow("blank before tab") << "G0\t1 x" << L{{1, "G0"}};
    QTest::newRow("trailing line break") << "M30\r\n" << L{{1, "M30"}};
    QTest::newRow("empty") << "" << L{};
    QTest::newRow("bare CR keeps next line whole") << "G27\rG28" << L{{1, "G27"}, {2, "G28"}};
    QTest::newRow("bare LF ends a line") << "G27\nG28" << L{{1, "G27"}, {2, "G28"}};
    QTest::newRow("upper-cased copy") << "g00,+1\r\ntrg1" << L{{1, "G00,+1"}, {2, "TRG1"}};
}

void TestProgramTransfer::downloadLines()
{
    QFETCH(QString, text);
    QFETCH(QList<DownloadLine>, lines);
    QCOMPARE(program::downloadLines(text), lines);
}

void TestProgramTransfer::downloadWaitsForEachReply()
{
    Rig rig;
    ProgramDownload download(*rig.link,
                             program::downloadLines("m31,0\r\nG00,100  remark\r\n\r\nm30"));
    rig.feed(download);
    QSignalSpy progress(&download, &ProgramDownload::progress);
    QSignalSpy finished(&download, &ProgramDownload::finished);
    download.start();
    QVERIFY(rig.waitForWritten("M31,0\r"));
    QVERIFY(rig.waitIdle());
    QTest::qWait(30);
    QCOMPARE(rig.port.written(), QByteArray("M31,0\r")); // nothing before the reply
    rig.port.receive("OK\r\n>");
    QVERIFY(rig.waitForWritten("G00,100\r"));
    QVERIFY(rig.waitIdle());
    QTest::qWait(30);
    QCOMPARE(rig.port.written(), QByteArray("M31,0\rG00,100\r"));
    rig.port.receive(">");
    QVERIFY(rig.waitForWritten("M30\r"));
    QVERIFY(finished.isEmpty());
    rig.port.receive("OK\r\n>");
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<ProgramDownload::Outcome>(),
             ProgramDownload::Outcome::Complete);
    QCOMPARE(rig.port.written(), QByteArray("M31,0\rG00,100\rM30\r"));
    QList<int> answered;
    for (const auto& p : progress)
        answered << p.at(0).toInt();
    QCOMPARE(answered, (QList<int>{0, 1, 2, 3}));
    QCOMPARE(progress.last().at(1).toInt(), 3);
}

void TestProgramTransfer::downloadReplyDuringSendCounts()
{
    Rig rig;
    ProgramDownload download(*rig.link, program::downloadLines("G00,1000\r\nM30"));
    rig.feed(download);
    QSignalSpy finished(&download, &ProgramDownload::finished);
    download.start();
    QTRY_VERIFY(rig.port.writes.size() >= 2);
    rig.port.receive("OK"); // before the line is fully out
    QVERIFY(rig.waitForWritten("M30\r"));
    rig.port.receive("OK");
    QTRY_COMPARE(finished.size(), 1);
}

void TestProgramTransfer::downloadStops_data()
{
    QTest::addColumn<ProgramDownload::Outcome>("outcome");
    QTest::newRow("no reply") << ProgramDownload::Outcome::NoReply;
    QTest::newRow("link lost") << ProgramDownload::Outcome::LinkLost;
    QTest::newRow("window closed") << ProgramDownload::Outcome::Abandoned;
}

void TestProgramTransfer::downloadStops()
{
    QFETCH(ProgramDownload::Outcome, outcome);
    Rig rig;
    ProgramDownload download(*rig.link, program::downloadLines("M31,1\r\nG27\r\nM30"));
    rig.feed(download);
    QSignalSpy finished(&download, &ProgramDownload::finished);
    download.start();
    rig.port.receive("OK");
    QVERIFY(rig.waitForWritten("G27\r"));
    QCOMPARE(download.pendingLine(), (DownloadLine{2, "G27"}));
    download.stop(outcome);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<ProgramDownload::Outcome>(), outcome);
    rig.port.receive("OK"); // a late answer sends nothing more
    QTest::qWait(30);
    QCOMPARE(rig.port.written(), QByteArray("M31,1\rG27\r"));
    QCOMPARE(finished.size(), 1);
}

void TestProgramTransfer::uploadParsing_data()
{
    QTest::addColumn<int>("program");
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<ProgramUpload::Outcome>("outcome");
    QTest::addColumn<QString>("text");
    const auto complete = ProgramUpload::Outcome::Complete;
    QTest::newRow("listing") << 2 << QByteArray("DP2\r\n#2\r\nG00,100\r\n\r\n>M30\r\n\r\n>")
                             << complete << "M31,2\r\nG00,100\r\nM30\r\n";
    QTest::newRow("noise before the echo")
        << 0 << QByteArray("\r\n>DP0\r\n#0\r\nG27\r\n\r\n>M30\r\n\r\n>") << complete
        << "M31,0\r\nG27\r\nM30\r\n";
    QTest::newRow("no DP: eight dropped") << 1 << QByteArray("xxxxxxxxG10,+5\r\n\r\n>M30\r\n")
                                          << complete << "M31,1\r\nG10,+5\r\nM30\r\n";
    QTest::newRow("empty program")
        << 3 << QByteArray("DP3\r\n#3\r\nM30\r\n\r\n>") << complete << "M31,3\r\nM30\r\n";
    QTest::newRow("text after M30 dropped")
        << 1 << QByteArray("DP1\r\n#1\r\nM30\r\nJUNK") << complete << "M31,1\r\nM30\r\n";
    QTest::newRow("prompt at the very start")
        << 1 << QByteArray("DP1\r\n#1\r\n>G27\r\nM30\r\n") << complete << "M31,1\r\nG27\r\nM30\r\n";
}

void TestProgramTransfer::uploadParsing()
{
    QFETCH(int, program);
    QFETCH(QByteArray, received);
    QFETCH(ProgramUpload::Outcome, outcome);
    QFETCH(QString, text);
    Rig rig;
    ProgramUpload upload(*rig.link, program, 5s);
    rig.feed(upload);
    QSignalSpy finished(&upload, &ProgramUpload::finished);
    upload.start();
    QVERIFY(upload.UploadMode);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.port.written(), "DP" + QByteArray::number(program) + "\r");
    rig.port.receive(received);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<ProgramUpload::Outcome>(), outcome);
    QCOMPARE(finished.at(0).at(1).toString(), text);
    QVERIFY(!upload.UploadMode);
}

void TestProgramTransfer::uploadSplitAtEveryPosition()
{
    const QByteArray listing = "DP2\r\n#2\r\nM31,2\r\n\r\n>G00,100\r\n\r\n>M30\r\n\r\n>";
    const QString expected = QStringLiteral("M31,2\r\nM31,2\r\nG00,100\r\nM30\r\n");
    for (qsizetype first = 1; first < listing.size(); ++first) {
        for (qsizetype second = first; second < listing.size(); second += 5) {
            Rig rig;
            ProgramUpload upload(*rig.link, 2, 5s);
            rig.feed(upload);
            QSignalSpy finished(&upload, &ProgramUpload::finished);
            QSignalSpy shown(&upload, &ProgramUpload::programChanged);
            upload.start();
            QVERIFY(rig.waitIdle());
            rig.port.receive(listing.left(first));
            rig.port.receive(listing.mid(first, second - first));
            rig.port.receive(listing.mid(second));
            QVERIFY2(finished.size() == 1,
                     qPrintable(QStringLiteral("split %1/%2").arg(first).arg(second)));
            QCOMPARE(finished.at(0).at(1).toString(), expected);
            // The editor never shows a prompt, even while the listing grows.
            for (const auto& text : shown)
                QVERIFY(!text.at(0).toString().contains(QLatin1Char('>')));
        }
    }
}

void TestProgramTransfer::uploadTimeLimit_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing at all") << QByteArray() << "M31,0\r\n";
    QTest::newRow("echo only") << QByteArray("DP0\r\n#0\r\n") << "M31,0\r\n";
    QTest::newRow("partial listing")
        << QByteArray("DP0\r\n#0\r\nG00,100\r\n\r\n>G1") << "M31,0\r\nG00,100\r\nG1";
    QTest::newRow("M30 without its line break")
        << QByteArray("DP0\r\n#0\r\nG27\r\n\r\n>M30") << "M31,0\r\nG27\r\nM30";
}

void TestProgramTransfer::uploadTimeLimit()
{
    QFETCH(QByteArray, received);
    QFETCH(QString, text);
    Rig rig;
    ProgramUpload upload(*rig.link, 0, 150ms);
    rig.feed(upload);
    QSignalSpy finished(&upload, &ProgramUpload::finished);
    upload.start();
    QVERIFY(rig.waitIdle());
    if (!received.isEmpty())
        rig.port.receive(received);
    QVERIFY(finished.isEmpty());
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).value<ProgramUpload::Outcome>(),
             ProgramUpload::Outcome::TimedOut);
    QCOMPARE(finished.at(0).at(1).toString(), text);
    QVERIFY(!upload.UploadMode);
}

void TestProgramTransfer::uploadOverflowEnds()
{
    Rig rig;
    ProgramUpload upload(*rig.link, 1, 60s);
    rig.feed(upload);
    QSignalSpy finished(&upload, &ProgramUpload::finished);
    upload.start();
    QVERIFY(rig.waitIdle());
    const QByteArray chunk(64 * 1024, 'G');
    for (int i = 0; i < 16 && finished.isEmpty(); ++i)
        rig.port.receive(chunk);
    QVERIFY(finished.isEmpty()); // exactly the limit is still fine
    rig.port.receive("G");
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<ProgramUpload::Outcome>(),
             ProgramUpload::Outcome::Overflow);
    QVERIFY(!upload.UploadMode);
}

void TestProgramTransfer::uploadNotSentLeavesNothing()
{
    Rig rig;
    rig.port.close();
    ProgramUpload upload(*rig.link, 1, 60s);
    QSignalSpy finished(&upload, &ProgramUpload::finished);
    upload.start();
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<ProgramUpload::Outcome>(), ProgramUpload::Outcome::NotSent);
    QVERIFY(!upload.UploadMode);
}

QTEST_GUILESS_MAIN(TestProgramTransfer)
#include "tst_programtransfer.moc"
