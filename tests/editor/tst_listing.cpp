#include "editor/ListingPrinter.h"
#include "editor/ListingText.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kvt;

namespace {

QString b(int n)
{
    return QString(n, u' ');
}

// What pdftotext can tell of a page: lines in order with their columns (the
// page margin taken off), a run of empty lines as one, none at the end.
QStringList pageShape(const QStringList& lines)
{
    QStringList shape;
    for (QString line : lines) {
        while (line.endsWith(u' '))
            line.chop(1);
        if (line.isEmpty() && (shape.isEmpty() || shape.constLast().isEmpty()))
            continue;
        shape.append(line);
    }
    while (!shape.isEmpty() && shape.constLast().isEmpty())
        shape.removeLast();
    qsizetype margin = -1;
    for (const QString& line : std::as_const(shape)) {
        if (line.isEmpty())
            continue;
        const qsizetype indent = line.size() - QStringView(line).trimmed().size();
        margin = margin < 0 ? indent : std::min(margin, indent);
    }
    for (QString& line : shape)
        line.remove(0, std::max<qsizetype>(0, margin));
    return shape;
}

// The pages of a PDF as text, with columns as printed: the listing font is
// 10 pt with a 6 pt advance.
QList<QStringList> pdfPages(const QString& pdf)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-fixed"), QStringLiteral("6"), pdf, QStringLiteral("-")});
    if (!pdftotext.waitForFinished() || pdftotext.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(u'\f');
    // pdftotext ends every page, the last one included, with a form feed.
    if (!pages.isEmpty() && pages.constLast().trimmed().isEmpty())
        pages.removeLast();
    QList<QStringList> shapes;
    for (const QString& page : std::as_const(pages))
        shapes.append(pageShape(page.split(u'\n')));
    return shapes;
}

} // namespace

class ListingTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    bool printToPdf(const QStringList& lines, int copies, const QString& pdf)
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setCopyCount(copies);
        const bool ok = ListingPrinter::print(printer, lines);
        // The dialog shows the operator's count again next time.
        return ok && printer.copyCount() == copies;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
                 "pdftotext (poppler-utils) is needed to read the listings back");
    }

    void plain_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("lines");

        const QString untitled = QStringLiteral("Untitled.txt");
        const QString header = QStringLiteral("Filename  :  Untitled.txt");
        QTest::newRow("empty editor") << QString() << untitled << QStringList{header, "", ""};
        QTest::newRow("letter case and blanks kept")
            << QStringLiteral("g00,100 ; go\r\n  m30") << untitled
            << QStringList{header, "", "g00,100 ; go", "  m30"};
        QTest::newRow("trailing CR LF")
            << QStringLiteral("M30\r\n") << untitled << QStringList{header, "", "M30", ""};
        QTest::newRow("file path as given")
            << QStringLiteral("M30") << QStringLiteral("/home/op/PROG/A1.TXT")
            << QStringList{"Filename  :  /home/op/PROG/A1.TXT", "", "M30"};
    }

    void plain()
    {
        QFETCH(QString, text);
        QFETCH(QString, path);
        QFETCH(QStringList, lines);
        QCOMPARE(ListingText::plain(text, path), lines);
    }

    void formatted_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numbers");
        QTest::addColumn<QStringList>("lines");

        const QString header = b(10) + "Filename  :  Untitled.txt";
        const QString heading = b(10) + "Line#       Command";
        const auto n = [](int number, const QString& line) {
            return b(12) + u' ' + QString::number(number) + b(10) + line;
        };
        QTest::newRow("empty editor") << QString() << false << QStringList{header, "", "", b(24)};
        QTest::newRow("empty editor, numbered")
            << QString() << true << QStringList{header, "", "", heading, "", b(24)};
        QTest::newRow("trailing CR LF") << QStringLiteral("m30\r\n") << false
                                        << QStringList{header, "", "", b(24) + "M30", b(24)};
        QTest::newRow("G00,100 / empty / M30 numbered")
            << QStringLiteral("G00,100\r\n\r\nM30") << true
            << QStringList{header, "", "", heading, "", n(0, "G00,100"), b(24), n(1, "M30")};
        QTest::newRow("short first words take no number")
            << QStringLiteral("X 1\r\nG\tY\r\n  G01\r\nG01\tX 5") << true
            << QStringList{header,
                           "",
                           "",
                           heading,
                           "",
                           b(24) + "X 1",
                           b(24) + "G\tY",
                           b(24) + "  G01",
                           n(0, "G01\tX 5")};
        QTest::newRow("from 10 on the text moves right")
            << QStringLiteral("G1\r\nG2\r\nG3\r\nG4\r\nG5\r\nG6\r\nG7\r\nG8\r\nG9\r\nGA\r\nGB")
            << true
            << QStringList{header,     "",         "",         heading,
                           "",         n(0, "G1"), n(1, "G2"), n(2, "G3"),
                           n(3, "G4"), n(4, "G5"), n(5, "G6"), n(6, "G7"),
                           n(7, "G8"), n(8, "G9"), n(9, "GA"), b(12) + " 10" + b(10) + "GB"};
        QTest::newRow("upper case, letter by letter")
            << QStringLiteral("g00 x\u00e9 stra\u00dfe") << false
            << QStringList{header, "", "", b(24) + QStringLiteral("G00 X\u00c9 STRA\u00dfE")};
    }

    void formatted()
    {
        QFETCH(QString, text);
        QFETCH(bool, numbers);
        QFETCH(QStringList, lines);
        QCOMPARE(ListingText::formatted(text, QStringLiteral("Untitled.txt"), numbers), lines);
    }

    void onPaper_data()
    {
        QTest::addColumn<QStringList>("listing");
        QTest::addColumn<int>("copies");
        QTest::addColumn<QStringList>("page");

        const QString untitled = QStringLiteral("Untitled.txt");
        QTest::newRow("plain, empty editor, Untitled.txt")
            << ListingText::plain(QString(), untitled) << 1
            << QStringList{"Filename  :  Untitled.txt"};
        QTest::newRow("plain keeps lower case")
            << ListingText::plain(QStringLiteral("g00,100\r\nm30\r\n"), untitled) << 1
            << QStringList{"Filename  :  Untitled.txt", "", "g00,100", "m30"};
        QTest::newRow("plain, three copies")
            << ListingText::plain(QStringLiteral("G00,100\r\nM30"), untitled) << 3
            << QStringList{"Filename  :  Untitled.txt", "", "G00,100", "M30"};
        QTest::newRow("four-model, empty editor")
            << ListingText::formatted(QString(), untitled, false) << 1
            << QStringList{"Filename  :  Untitled.txt"};
        QTest::newRow("four-model, upper case, trailing CR LF")
            << ListingText::formatted(QStringLiteral("g00,100\r\nm30\r\n"), untitled, false) << 1
            << QStringList{"Filename  :  Untitled.txt", "", b(14) + "G00,100", b(14) + "M30"};
        QTest::newRow("four-model numbered G00,100 / empty / M30, three copies")
            << ListingText::formatted(QStringLiteral("G00,100\r\n\r\nM30"), untitled, true) << 3
            << QStringList{"Filename  :  Untitled.txt", "", "Line#       Command", "",
                           "   0          G00,100",     "", "   1          M30"};
    }

    void onPaper()
    {
        QFETCH(QStringList, listing);
        QFETCH(int, copies);
        QFETCH(QStringList, page);
        const QString pdf = m_dir.filePath(QStringLiteral("paper%1.pdf").arg(++m_files));
        QVERIFY(printToPdf(listing, copies, pdf));
        // One page per copy: no empty sheet before the first or after the last.
        QCOMPARE(pdfPages(pdf), QList<QStringList>(copies, page));
    }

    void longListingGoesOnToTheNextPage()
    {
        QString text;
        for (int i = 0; i < 150; ++i)
            text += QStringLiteral("G%1\r\n").arg(i);
        const QString pdf = m_dir.filePath(QStringLiteral("long.pdf"));
        QVERIFY(printToPdf(ListingText::plain(text, QStringLiteral("Untitled.txt")), 2, pdf));
        const QList<QStringList> pages = pdfPages(pdf);
        QVERIFY2(pages.size() >= 4 && pages.size() % 2 == 0,
                 qPrintable(QString::number(pages.size())));
        // Each copy starts on a page of its own and holds every line once.
        const qsizetype perCopy = pages.size() / 2;
        for (int copy = 0; copy < 2; ++copy) {
            QCOMPARE(pages.at(copy * perCopy).constFirst(),
                     QStringLiteral("Filename  :  Untitled.txt"));
            QStringList seen;
            for (qsizetype p = copy * perCopy; p < (copy + 1) * perCopy; ++p)
                seen += pages.at(p);
            seen.removeAll(QString());
            QCOMPARE(seen.size(), 151);
            QCOMPARE(seen.constLast(), QStringLiteral("G149"));
        }
    }

    void wideLineIsNotCutOff()
    {
        QString line;
        for (int i = 0; i < 40; ++i)
            line += QStringLiteral("G%1,").arg(i, 2, 10, QLatin1Char('0'));
        const QString pdf = m_dir.filePath(QStringLiteral("wide.pdf"));
        QVERIFY(printToPdf(ListingText::plain(line, QStringLiteral("Untitled.txt")), 1, pdf));
        const QList<QStringList> pages = pdfPages(pdf);
        QCOMPARE(pages.size(), 1);
        const QStringList body = pages.constFirst().mid(2);
        QVERIFY2(body.size() > 1, "the line should go on below, not run off the page");
        QCOMPARE(body.join(QString()).remove(u' '), line);
    }
};

QTEST_MAIN(ListingTest)
#include "tst_listing.moc"
