#include "transfer/Kvt7Listing.h"
#include "transfer/ProgramComparison.h"
#include "transfer/ProgramLines.h"
#include "transfer/UploadedBlock.h"

#include <QRegularExpression>
#include <QTest>

using namespace kvt::program;

class TestTransferText : public QObject {
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
};

QTEST_GUILESS_MAIN(TestTransferText)
#include "tst_transfertext.moc"
