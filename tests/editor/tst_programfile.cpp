#include "editor/ProgramFile.h"
#include "editor/Windows1252.h"

#include <QTest>

using namespace kvt;

class ProgramFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void codePageKeepsEveryByte()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = Windows1252::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC));
        QCOMPARE(text.at(0x9F), QChar(0x0178));
        QCOMPARE(Windows1252::firstUnencodable(text), -1);
        QCOMPARE(Windows1252::encode(text), std::optional<QByteArray>(all));
    }

    void unencodable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("index");

        QTest::newRow("arrow") << QStringLiteral("G00 \u2192 X") << qsizetype(4);
        QTest::newRow("Latin Extended-A") << QStringLiteral("M30\u0100") << qsizetype(3);
        QTest::newRow("emoji, a surrogate pair")
            << (QStringLiteral("A") + QString::fromUcs4(U"\U0001F600")) << qsizetype(1);
        QTest::newRow("lone high surrogate")
            << (QStringLiteral("AB") + QChar(0xD800)) << qsizetype(2);
        QTest::newRow("U+0081 has its byte, U+0080 has none")
            << (QString(QChar(0x81)) + QChar(0x80)) << qsizetype(1);
    }

    void unencodable()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, index);
        QCOMPARE(Windows1252::firstUnencodable(text), index);
        QVERIFY(!Windows1252::encode(text));
        QVERIFY(!ProgramFile::encode(text));
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");

        // The form Save writes.
        QTest::newRow("two lines")
            << QByteArray("\"G00,100\r\nM30\"\r\n") << QStringLiteral("G00,100\r\nM30");
        QTest::newRow("trailing CR LF, closing quote on its own line")
            << QByteArray("\"M30\r\n\"\r\n") << QStringLiteral("M30\r\n");
        QTest::newRow("quotes inside")
            << QByteArray("\"SAY \"HI\", \"\"\r\n") << QStringLiteral("SAY \"HI\", \"");
        QTest::newRow("lone LF inside becomes CR LF")
            << QByteArray("\"A\nB\"\r\n") << QStringLiteral("A\r\nB");

        // Other files that begin with a double quote: field by field.
        QTest::newRow("fields joined")
            << QByteArray("\"G00\",100\r\nM30\r\n") << QStringLiteral("G00100M30");
        QTest::newRow("closing quote without CR LF")
            << QByteArray("\"G00,100\r\nM30\"") << QStringLiteral("G00,100\r\nM30");
        QTest::newRow("unterminated quote runs to the end")
            << QByteArray("\"G00,1\r\nM30") << QStringLiteral("G00,1\r\nM30");
        QTest::newRow("text after a closing quote is kept")
            << QByteArray("\"AB\"CD,EF\r\n") << QStringLiteral("ABCDEF");
        QTest::newRow("blanks around unquoted fields dropped")
            << QByteArray("\"A\",  B  ,\tC\t\r\n") << QStringLiteral("ABC");
        QTest::newRow("lone quote then CR LF") << QByteArray("\"\r\n") << QStringLiteral("\r\n");

        // Files that do not begin with a double quote: plain text.
        QTest::newRow("plain text keeps commas and lines")
            << QByteArray("G00,100\r\nM30\r\n") << QStringLiteral("G00,100\r\nM30\r\n");
        QTest::newRow("plain text with LF only")
            << QByteArray("G00,100\nM30\n") << QStringLiteral("G00,100\r\nM30\r\n");
        QTest::newRow("plain text with CR only")
            << QByteArray("G00\rM30") << QStringLiteral("G00\r\nM30");
        QTest::newRow("plain text with quotes")
            << QByteArray(" \"A\",\"B\"") << QStringLiteral(" \"A\",\"B\"");
        QTest::newRow("empty file") << QByteArray() << QString();
    }

    void decode()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QCOMPARE(ProgramFile::decode(file), text);
    }
};

QTEST_GUILESS_MAIN(ProgramFileTest)
#include "tst_programfile.moc"
