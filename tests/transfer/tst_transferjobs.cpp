#include "support/LinkRig.h"
#include "transfer/BlockDownload.h"
#include "transfer/BlockUpload.h"
#include "transfer/Kvt7Download.h"
#include "transfer/Kvt7Upload.h"
#include "transfer/ProgramComparison.h"
#include "transfer/ProgramLines.h"
#include "transfer/UploadedBlock.h"

#include <QRegularExpression>
#include <QSignalSpy>

using namespace kvt;
using namespace kvt::program;
using namespace std::chrono_literals;
using kvt::test::LinkRig;

namespace {

TransferOutcome outcomeOf(const QSignalSpy& finished)
{
    return finished.at(0).at(0).value<TransferOutcome>();
}

} // namespace

class TestTransferJobs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void programLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("passes"); // every line's command, sent or not
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("example") << "m31,0\r\nG00,100  remark\r\n\r\nm30"
                                 << QStringList{"M31,0", "G00,100", "", "M30"}
                                 << QStringList{"M31,0", "G00,100", "M30"};
        QTest::newRow("one character")
            << "A\r\nG27" << QStringList{"A", "G27"} << QStringList{"G27"};
        QTest::newRow("exactly two") << "G0" << QStringList{"G0"} << QStringList{"G0"};
        QTest::newRow("leading blank or tab")
            << " G27\r\n\tG28\r\nG29" << QStringList{"", "", "G29"} << QStringList{"G29"};
        QTest::newRow("blank before tab") << "G0\t1 x" << QStringList{"G0"} << QStringList{"G0"};
        // The final line break leaves an empty last pass: a pause, no transmission.
        QTest::newRow("trailing line break") << "M30\r\n"
                                             << QStringList{"M30", ""} << QStringList{"M30"};
        QTest::newRow("empty") << "" << QStringList{""} << QStringList{};
        QTest::newRow("lone CR or LF ends a line, keeps the next whole")
            << "G27\rG28\nG29" << QStringList{"G27", "G28", "G29"}
            << QStringList{"G27", "G28", "G29"};
    }

    void programLines()
    {
        QFETCH(QString, text);
        QStringList all, onWire;
        const auto lines = kvt::program::programLines(text);
        // What the editor draws as sent of each line is what goes on the wire.
        const QStringList editorLines =
            text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QCOMPARE(lines[i].index, int(i));
            all << lines[i].command;
            QCOMPARE(sentLength(editorLines[i]), lines[i].isSent() ? lines[i].command.size() : 0);
        }
        for (const ProgramLine& line : linesToSend(text))
            onWire << line.command;
        QTEST(all, "passes");
        QTEST(onWire, "sent");
    }

    void refusedOrWarnedLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("unsendableLine"); // -1: every sent character can go
        QTest::addColumn<QString>("character");
        QTest::addColumn<int>("endLine"); // -1: no END cuts the program short
        QTest::addColumn<int>("linesAfter");
        const QString tick = QString::fromUtf8("\u2713"), face = QString::fromUtf8("\U0001F600");
        QTest::newRow("second of two")
            << "G\u20ac1\r\ncd" + tick + "\r\n" + tick + "2" << 1 << tick << -1 << 0;
        QTest::newRow("beyond 16 bits, whole") << "G" + face << 0 << face << -1 << 0;
        QTest::newRow("never sent: remark, short line")
            << "ab1 ok " + tick + "\r\n" + tick << -1 << "" << -1 << 0;
        QTest::newRow("END inside, skipped lines between")
            << "ab1\r\nend\r\n\r\ncd\r\nx\r\nENDE" << -1 << "" << 1 << 2;
        QTest::newRow("END last loses nothing") << "ab1\r\nEND\r\nx\r\n" << -1 << "" << -1 << 0;
        QTest::newRow("END not at the start of the command")
            << "SEND\r\nab1 END\r\n END\r\ncd" << -1 << "" << -1 << 0;
    }

    void refusedOrWarnedLines()
    {
        QFETCH(QString, text);
        const QList<ProgramLine> lines = kvt::program::programLines(text);
        const auto unsendable = firstUnsendable(lines);
        QTEST(unsendable ? unsendable->index : -1, "unsendableLine");
        QTEST(unsendable ? unsendable->character : QString(), "character");
        const auto end = earlyEnd(lines);
        QTEST(end ? end->line.index : -1, "endLine");
        QTEST(end ? end->linesAfter : 0, "linesAfter");
    }

    void uploadedBlock_data()
    {
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("programNo");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("lineCutAtEnd"); // END inside a line, which the operator is told
        const auto row = [](const char* name, const char* received, const char* text, int programNo,
                            const char* caption, const char* cut) {
            QTest::newRow(name) << QString(received) << QString(text) << programNo
                                << "EDITOR - Upload " + QString(caption) << QString(cut);
        };
        row("text after END dropped", "M31,2\rABC\rEND\rJUNK", "M31,2\r\nABC\r\n", 2, "# 2", "");
        row("END inside a word ends it", "M31,1\rSEND\rG27\rEND", "M31,1\r\nS", 1, "# 1", "S");
        row("before M31 keeps bare CRs", "OK\rM31,3\rG27\rEND", "OK\rM31,3\r\nG27\r\n", 3, "# 3",
            "");
        row("CR LF gets a second LF", "M31,4\r\nG27\r\nEND", "M31,4\r\n\nG27\r\n\n", 4, "# 4", "");
        row("no M31: number from the fourth character", "G0012\rEND", "G0012\r\n", 12, "# 12", "");
        row("no CR at all: number 0", "M31,5END", "M31,5", 0, "# 0", "M31,5");
        row("negative", "M31,-2\rEND", "M31,-2\r\n", -2, "#-2", "");
        row("beyond 16 bits", "M31,70000\rEND", "M31,70000\r\n", 0, "# 0", "");
    }

    void uploadedBlock()
    {
        QFETCH(QString, received);
        QVERIFY(endMarkerAt(received) >= 0);
        const UploadedBlock block = kvt::program::uploadedBlock(received);
        QTEST(block.text, "text");
        QTEST(block.programNo, "programNo");
        QTEST(uploadCaption(block.programNo), "caption");
        QTEST(block.lineCutAtEnd, "lineCutAtEnd");
    }

    void comparison_data()
    {
        QTest::addColumn<QString>("readBack");
        QTest::addColumn<QString>(
            "found"); // "line: editor | controller; ...", then the lines stored
        // Compared with the editor's M31,0 / (blank) / G00,+100 / G00,+200 / M30.
        QTest::newRow("equal: remarks, blank lines and case aside")
            << "m31,0\r\ng00,+100 out\r\n\r\nG00,+200\r\nM30"
            << "4 stored";
        QTest::newRow("a line changed") << "M31,0\r\nG00,+100\r\nG00,+201\r\nM30"
                                        << "4: G00,+200 | G00,+201; 4 stored";
        QTest::newRow("lines missing at the end")
            << "M31,0\r\nG00,+100"
            << "4: G00,+200 | nothing; 5: M30 | nothing; 2 stored";
        QTest::newRow("lines added, numbered on")
            << "M31,0\r\nG00,+100\r\nG00,+200\r\nM30\r\nG27\r\nM30"
            << "6: nothing | G27; 7: nothing | M30; 6 stored";
    }

    void comparison()
    {
        QFETCH(QString, readBack);
        const auto compared =
            compareProgram("M31,0\r\n\r\nG00,+100 out\r\nG00,+200\r\nM30\r\n", readBack);
        QStringList rows;
        for (const ProgramComparison::Row& row : compared.rows)
            if (row.differs())
                rows << QStringLiteral("%1: %2 | %3")
                            .arg(row.line)
                            .arg(row.editor.value_or("nothing"),
                                 row.controller.value_or("nothing"));
        rows << QStringLiteral("%1 stored").arg(compared.storedLines);
        QTEST(rows.join("; "), "found");
        QCOMPARE(compared.differing.size() + 1, rows.size());
    }

    void download()
    {
        // Each reply trickles in and the next line waits for its end; the job ends
        // complete, at its link's watchdog, or stopped as its window closes.
        for (const auto end :
             {TransferOutcome::Complete, TransferOutcome::NoReply, TransferOutcome::Abandoned}) {
            LinkRig rig;
            Kvt7Download download(rig.link, program::linesToSend("M31,1\r\nG27\r\nM30"), 200ms);
            QSignalSpy finished(&download, &TransferJob::finished);
            download.start();
            for (const QByteArray sent : {"M31,1\r", "G27\r", "M30\r"}) {
                QVERIFY(rig.waitForWritten(sent));
                if (end != TransferOutcome::Complete && sent == "G27\r") {
                    QCOMPARE(download.pendingLine()->index, 1);
                    if (end == TransferOutcome::NoReply)
                        rig.link.armWatchdog(1ms);
                    else
                        download.stop(end);
                    break;
                }
                for (const char byte : QByteArray("OK\r\n>")) {
                    rig.port.receive(QByteArray(1, byte));
                    QTest::qWait(5);
                    QVERIFY2(rig.port.written().endsWith(sent), "the next line went out mid-reply");
                }
            }
            QVERIFY(!finished.isEmpty() || finished.wait(5000));
            QCOMPARE(outcomeOf(finished), end);
            rig.port.receive("OK"); // a late answer sends nothing more
            QVERIFY(rig.waitIdle());
            QCOMPARE(rig.port.written(), end == TransferOutcome::Complete
                                             ? QByteArray("M31,1\rG27\rM30\r")
                                             : QByteArray("M31,1\rG27\r"));
            QCOMPARE(finished.size(), 1);
        }
    }

    void upload_data()
    {
        QTest::addColumn<int>("program");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<TransferOutcome>("outcome");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, int program, const char* received, const char* text,
                            TransferOutcome outcome = TransferOutcome::Complete) {
            QTest::newRow(name) << program << QByteArray(received) << outcome << QString(text);
        };
        row("noise before the echo", 0, "\r\n>DP0\r\n#0\r\nG27\r\n\r\n>M30\r\n\r\n>",
            "M31,0\r\nG27\r\nM30\r\n");
        row("no DP: eight dropped", 1, "xxxxxxxxG10,+5\r\n\r\n>M30\r\n",
            "M31,1\r\nG10,+5\r\nM30\r\n");
        row("text after M30 dropped", 1, "DP1\r\n#1\r\nM30\r\nJUNK", "M31,1\r\nM30\r\n");
        row("prompt at the very start", 1, "DP1\r\n#1\r\n>G27\r\nM30\r\n",
            "M31,1\r\nG27\r\nM30\r\n");
        row("nothing at all", 0, "", "M31,0\r\n", TransferOutcome::TimedOut);
        row("M30 not yet followed", 0, "DP0\r\n#0\r\nG27\r\n\r\n>M30", "M31,0\r\nG27\r\nM30",
            TransferOutcome::TimedOut);
    }

    void upload()
    {
        QFETCH(int, program);
        QFETCH(QByteArray, received);
        QFETCH(TransferOutcome, outcome);
        LinkRig rig;
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

    // As kvtsim lists, and with the prompt right after M30.
    void uploadSplitAtEveryPosition()
    {
        for (const QByteArray end : {"\r\n\r\n>", "\r\n>"}) {
            const QByteArray listing = "DP2\r\n#2\r\nM31,2\r\n\r\n>G00,100\r\n\r\n>M30" + end;
            for (qsizetype first = 1; first < listing.size(); ++first) {
                for (qsizetype second = first; second < listing.size(); second += 3) {
                    LinkRig rig(LinkProfile::kvt52()); // DP2 is out at once
                    Kvt7Upload upload(rig.link, 2, 5s);
                    QSignalSpy finished(&upload, &TransferJob::finished);
                    QSignalSpy shown(&upload, &Kvt7Upload::programChanged);
                    upload.start();
                    rig.port.receive(listing.left(first));
                    rig.port.receive(listing.mid(first, second - first));
                    rig.port.receive(listing.mid(second));
                    const QString split = QStringLiteral("split %1/%2").arg(first).arg(second);
                    QVERIFY2(finished.size() == 1, qPrintable(split));
                    QVERIFY2(upload.programText() == "M31,2\r\nM31,2\r\nG00,100\r\nM30\r\n",
                             qPrintable(split + ": " + upload.programText()));
                    // The listing never shows a prompt, even while it grows.
                    for (const auto& text : shown)
                        QVERIFY(!text.at(0).toString().contains(QLatin1Char('>')));
                }
            }
        }
    }

    void uploadOverflowEnds()
    {
        LinkRig rig;
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
        const auto row = [](const QString& name, bool fourModel, const char* text, const char* wire,
                            TransferOutcome outcome = TransferOutcome::Complete,
                            const QString& held = {}, const char* cancelAfter = "") {
            QTest::newRow(qPrintable(name))
                << fourModel << QString(text) << held << QByteArray(cancelAfter) << outcome
                << QByteArray(wire);
        };
        row("keypad: cut and skipped lines", false, "g00,+1000 go\r\nx\r\n\r\nm30\r\n",
            "G00,+1000\rM30\rEND\r");
        row("keypad: empty editor", false, "", "END\r");
        for (const QString held : {"buffer", "driver"}) {
            row("keypad: " + held, false, "G27\r\nM30", "G27\r", TransferOutcome::NoReply, held);
            row("four-model: " + held, true, "G27\r\nM30", "S00\r", TransferOutcome::NoReply, held);
        }
        row("keypad: driver lets go", false, "G27\r\nM30", "G27\rM30\rEND\r",
            TransferOutcome::Complete, "go");
        // Answered after every line: each reply lengthens the quiet period, never ends the
        // download.
        row("four-model: block answered line by line", true, "ab1 note\r\ncd\r\nx",
            "S00\rAB1\rCD\rEND\r");
        row("four-model: Cancel sends C alone", true, "ab1\r\ncd", "S00\rAB1\rC",
            TransferOutcome::Cancelled, {}, "AB1\r");
    }

    void blockDownload()
    {
        QFETCH(bool, fourModel);
        QFETCH(QString, text);
        QFETCH(QString, held);
        QFETCH(QByteArray, cancelAfter);
        QFETCH(TransferOutcome, outcome);
        LinkRig rig(fourModel ? LinkProfile::kvt52() : LinkProfile::kvt31_33());
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
        const auto row = [](const char* name, const char* request, const QList<QByteArray>& pieces,
                            const QString& text,
                            TransferOutcome outcome = TransferOutcome::Complete) {
            QTest::newRow(name) << QString(request) << pieces << outcome << text;
        };
        row("END split over reads", "", {"M31,7\rG00,100\rEN", "D\r"}, "M31,7\r\nG00,100\r\n");
        row("silent controller", "", {}, "", TransferOutcome::TimedOut);
        row("data, then Cancel", "", {"M31,1\rG2"}, "M31,1\r\nG2", TransferOutcome::Cancelled);
        // Slower than the limit in all, but never silent for as long.
        row("data keeps coming", "", QList<QByteArray>(30, "G0\r") << "END\r",
            QString("G0\r\n").repeated(30));
        row("END, its line's end later", "S03", {"M31,2\rEND", "X\r"}, "M31,2\r\n");
        row("END, then silence", "S03", {"M31,2\rEND"}, "M31,2\r\n");
        row("requested block", "S04", {"M31,2\rABC\rEND\r"}, "M31,2\r\nABC\r\n");
    }

    void blockUpload()
    {
        QFETCH(QString, request);
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(TransferOutcome, outcome);
        LinkRig rig(request.isEmpty() ? LinkProfile::kvt31_33() : LinkProfile::kvt52());
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
        LinkRig rig(LinkProfile::kvt52());
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
