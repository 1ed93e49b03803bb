#include "base/Windows1252.h"
#include "program/ProgramFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace kvt;

class EditorTextTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        QFile largest(path("largest.txt"));
        QVERIFY(largest.open(QIODevice::WriteOnly) &&
                largest.write(QByteArray(ProgramFile::maxBytes, 'A')) == ProgramFile::maxBytes);
        QFile huge(path("huge.txt"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(ProgramFile::maxBytes + 1));
    }

    void codePage()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QStringDecoder reference("windows-1252");
        const QString text = Windows1252::decode(all);
        QCOMPARE(text, QString(reference.decode(all)));
        QCOMPARE(Windows1252::encode(text), all);
        // No stand-in for what the page cannot hold: a C1 control of no gap, an emoji.
        QCOMPARE(Windows1252::firstUnencodable(QString(QChar(0x81)) + QChar(0x80)), 1);
        QCOMPARE(Windows1252::firstUnencodable(QString::fromUcs4(U"A\U0001F600")), 1);
        QVERIFY(!ProgramFile::encode(QStringLiteral("G00 \u2192 X")));
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        // Records as write() makes them: a quote, the text, a quote, CR LF.
        QTest::newRow("empty") << QByteArray("\"\"\r\n") << QString();
        QTest::newRow("lines") << QByteArray("\"G0\r\nM30\r\n\"\r\n") << "G0\r\nM30\r\n";
        QTest::newRow("quotes") << QByteArray("\"\"A\", \"\"\r\n") << "\"A\", \"";
        // Saved as typed, read back as typed, though it looks like UTF-8.
        QTest::newRow("own record, UTF-8 look") << QByteArray("\"\xC3\xA9\"\r\n") << "\u00c3\u00a9";
        // Older files, read field by field.
        QTest::newRow("fields") << QByteArray("\"G0\",  1 ,\t2\t\r\nM30\r\n") << "G012M30";
        QTest::newRow("after a quote") << QByteArray("\"AB\"CD,E\r\n") << "ABCDE";
        QTest::newRow("no CR LF") << QByteArray("\"G0,1\r\nM3\"") << "G0,1\r\nM3";
        QTest::newRow("unterminated") << QByteArray("\"G0,1\nM3") << "G0,1\r\nM3";
        // Other editors' plain text.
        QTest::newRow("plain") << QByteArray(" \"A\",B\nC\rD") << " \"A\",B\r\nC\r\nD";
        // Today's editors' Unicode, read as such and held as Windows-1252 holds it.
        QTest::newRow("UTF-16 LE")
            << QByteArray::fromHex("fffe4d00330030002000e900") << "M30 \u00e9";
        QTest::newRow("UTF-8 mark")
            << QByteArray("\xEF\xBB\xBF\"G0 \xE2\x82\xAC\"\r\n") << "G0 \u20ac";
        QTest::newRow("UTF-8") << QByteArray("G0 \xC3\xA9\nM30") << "G0 \u00e9\r\nM30";
        const QString no = QStringLiteral(", which is no character of a program.");
        QTest::newRow("NUL") << QByteArray("\"G0\r\nM30\r\n\0\"\r\n", 14)
                             << "refused: Line 3 holds byte 0x00" + no;
        for (const char* hex : {"81", "8D", "8F", "90", "9D"})
            QTest::newRow(hex) << "G0 " + QByteArray::fromHex(hex)
                               << QStringLiteral("refused: Line 1 holds byte 0x%1, which "
                                                 "Windows-1252 leaves undefined.")
                                      .arg(hex);
        QTest::newRow("binary") << QByteArray("\x89PNG\r\x1A\n\0\0\0\rIHDR", 15)
                                << "refused: Line 2 holds byte 0x1A" + no;
        QTest::newRow("UTF-8, no place") << QByteArray("G0\nM30 \xE2\x9C\x93")
                                         << "refused: Line 2 holds \"\u2713\" (U+2713), which a "
                                            "program file for the controller cannot hold.";
    }

    void decode()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        const auto decoded = ProgramFile::decode(file);
        const FileProblem* problem = std::get_if<FileProblem>(&decoded);
        QCOMPARE(problem ? "refused: " + problem->text : std::get<QString>(decoded), text);
        // A record comes back byte for byte, so saving an unchanged file keeps it.
        if (!problem && file.startsWith('"') && file.endsWith("\"\r\n"))
            QCOMPARE(ProgramFile::encode(text), file);
    }

    void fileError_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("write");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read, missing") << "none.txt" << false << "No such file or directory";
        QTest::newRow("read, unreadable") << "/proc/self/mem" << false << "Input/output error";
        // A device or a pipe could block the window for good or never end.
        QTest::newRow("read, a device") << "/dev/zero" << false << "Not a regular file";
        QTest::newRow("read, over the size limit") << "huge.txt" << false << "too large";
        QTest::newRow("read, the largest") << "largest.txt" << false << QString();
        QTest::newRow("write, a missing directory") << "none/a.txt" << true << "No such file";
        QTest::newRow("write, a full device") << "/dev/full" << true << "No space left";
    }

    void fileError()
    {
        QFETCH(QString, name);
        QFETCH(bool, write);
        QFETCH(QString, reason);
        ProgramFile file(name.startsWith(u'/') ? name : path(name));
        const std::optional<QString> text = write ? std::nullopt : file.read();
        QCOMPARE(write ? file.write(QStringLiteral("M30")) : text.has_value(), reason.isNull());
        const QString error = file.errorString();
        QVERIFY2(error.contains(reason) && error.isEmpty() == reason.isNull(), qPrintable(error));
        QCOMPARE(text.value_or(QString()).size(), reason.isNull() ? ProgramFile::maxBytes : 0);
    }

    void textOpenWouldRefuseIsNotSaved()
    {
        ProgramFile file(path(QStringLiteral("control.txt")));
        QVERIFY(!file.write(QStringLiteral("M31,1\r\nG0\x01")));
        QVERIFY2(file.errorString().startsWith(QLatin1String("Line 2 holds")),
                 qPrintable(file.errorString()));
        QVERIFY(!QFile::exists(path(QStringLiteral("control.txt"))));
    }

    void failedWriteKeepsTheOldFile()
    {
        QVERIFY(QDir(m_dir.path()).mkdir("alone"));
        ProgramFile file(path("alone/prog.txt"));
        QVERIFY(file.write(QStringLiteral("OLD")));
        // Permission bits do not stop root; a file size limit does.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit small{100, saved.rlim_max};
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const bool wrote = file.write(QString(400, u'X'));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);

        QVERIFY(!wrote);
        QVERIFY(file.errorString().contains(QLatin1String("too large")));
        QCOMPARE(file.read(), "OLD");
        // Nothing half-written is left beside it.
        QCOMPARE(QDir(path("alone")).entryList(QDir::Files), QStringList{"prog.txt"});
    }
};

QTEST_GUILESS_MAIN(EditorTextTest)
#include "tst_editortext.moc"
