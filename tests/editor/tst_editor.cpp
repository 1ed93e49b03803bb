#include "support/PdfText.h"
#include "support/ScriptedOperator.h"

#include "base/Windows1252.h"
#include "editor/EditorController.h"
#include "editor/ListingPrinter.h"
#include "program/ProgramFile.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace kvt;
using namespace kvt::test;

namespace {

// A front-end window reduced to its editor: the frame, the text box, the File
// and Edit menus, and the controller wired to them the way a window does it.
struct EditorRig {
    explicit EditorRig(const EditorProfile& profile)
        : menu(EditorMenu::addTo(new QMenu(window.get()), new QMenu(window.get()), profile)),
          editor(new EditorController(profile, op, txteditor, fraeditor, window.get()))
    {
        window->setCentralWidget(fraeditor);
        editor->wireMenu(menu);
    }

    void open(const QString& path)
    {
        op.answerNextFile(path);
        editor->open();
    }

    ScriptedOperator op; // outlives the window
    std::unique_ptr<QMainWindow> window = std::make_unique<QMainWindow>();
    QPointer<QGroupBox> fraeditor = new QGroupBox(window.get());
    QPointer<QPlainTextEdit> txteditor = new QPlainTextEdit(fraeditor);
    EditorMenu menu;
    QPointer<EditorController> editor;
};

const QString edited = QStringLiteral("G00,100\r\nM30");

} // namespace

Q_DECLARE_METATYPE(kvt::EditorProfile)

class EditorTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString saved(const QString& n) const { return ProgramFile(path(n)).read().value_or("-"); }
    // n characters of program text, CR LF counting two; n % 7 != 6, or it ends in half of one.
    static QString program(int n) { return QStringLiteral("G00,1\r\n").repeated(72).left(n); }
    QString fileWith(const QString& name, const QString& text) const
    {
        return ProgramFile(path(name)).write(text) ? path(name) : QString();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QGuiApplication::clipboard()->setText(QStringLiteral("ON THE CLIPBOARD"));
    }

    void fileCommandsThroughTheMenu()
    {
        EditorRig rig(EditorProfile::kvt7());
        rig.txteditor->setPlainText(edited);
        // No to replacing a file keeps it; Cancel asks for a name again, offering the one chosen.
        const QString a1 = fileWith("A1.TXT", "OLD");
        for (const MessageAnswer answer :
             {MessageAnswer::No, MessageAnswer::Cancel, MessageAnswer::Yes}) {
            rig.op.answerNextFile(a1);
            rig.op.answerNext(answer);
        }
        rig.menu.saveAsItem->trigger();
        QCOMPARE(saved("A1.TXT"), "OLD");
        rig.menu.saveAsItem->trigger();
        QCOMPARE(saved("A1.TXT"), edited);
        QCOMPARE(rig.op.fileDialogs.at(2).fileName, a1);
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("EDITOR - A1.TXT"));
        rig.txteditor->appendPlainText(QStringLiteral("G01"));
        rig.menu.saveItem->trigger(); // into the file chosen, without a dialog
        QCOMPARE(saved("A1.TXT"), edited + "\r\nG01");
        QCOMPARE(rig.op.fileDialogs.size(), 3);
        rig.menu.newItem->trigger(); // no question: the text was saved
        QVERIFY(rig.editor->text().isEmpty() && !rig.editor->fileFlag());
        QCOMPARE(rig.op.messages.size(), 3);

        // A file that cannot be read is named, and nothing changes.
        rig.txteditor->setPlainText(edited);
        rig.op.answerNext(MessageAnswer::No); // don't save first
        rig.open(path("none/a.txt"));
        QCOMPARE(rig.op.messages.size(), 5);
        QVERIFY(rig.op.messages.at(4).text.contains(QLatin1String("none/a.txt: No such file")));
        QVERIFY(rig.editor->text() == edited && rig.editor->editFlag() && !rig.editor->fileFlag());
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("EDITOR - [NEW]"));
    }

    void saveQuestion_data()
    {
        QTest::addColumn<EditorProfile>("profile");
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("bound");
        QTest::addColumn<MessageAnswer>("answer");
        // After Yes: "new" saved under a name asked for, "place" saved in the
        // bound file, "cancel" no name given, "fails" saving fails.
        QTest::addColumn<QString>("save");
        QTest::addColumn<bool>("goesOn");

        const EditorProfile k7 = EditorProfile::kvt7();
        const EditorProfile px = EditorProfile::kvt52();
        const auto yes = MessageAnswer::Yes;
        QTest::newRow("No") << k7 << "mnuopen" << false << MessageAnswer::No << "" << true;
        QTest::newRow("Cancel") << k7 << "Exit" << true << MessageAnswer::Cancel << "" << false;
        QTest::newRow("Yes asks for a name") << k7 << "mnunew" << true << yes << "new" << true;
        QTest::newRow("Yes, no name given") << k7 << "Exit" << false << yes << "cancel" << false;
        QTest::newRow("Yes, save fails") << k7 << "mnuopen" << false << yes << "fails" << false;
        QTest::newRow("Yes saves in place") << px << "mnunew" << true << yes << "place" << true;
        QTest::newRow("Yes, in place but no file") << px << "Exit" << false << yes << "new" << true;
    }

    void saveQuestion()
    {
        QFETCH(EditorProfile, profile);
        QFETCH(QString, command);
        QFETCH(bool, bound);
        QFETCH(MessageAnswer, answer);
        QFETCH(QString, save);
        QFETCH(bool, goesOn);
        EditorRig rig(profile);
        const QString boundFile = fileWith("bound.txt", "OLD");
        if (bound)
            rig.open(boundFile);
        rig.txteditor->setPlainText(edited);
        rig.op.answerNext(answer);
        const QString name = path(save == "fails" ? "none/new.txt" : "new.txt");
        if (answer == MessageAnswer::Yes)
            rig.op.answerNextFile(save == "cancel" ? std::nullopt : std::optional(name));
        rig.op.answerNextFile(fileWith("other.txt", "OTHER"));

        bool exitAllowed = false;
        if (QAction* item = rig.window->findChild<QAction*>(command))
            item->trigger();
        else
            exitAllowed = rig.editor->mayDiscardText();

        QCOMPARE(rig.op.messages.constFirst().buttons, MessageButtons::YesNoCancel);
        QCOMPARE(rig.op.messages.size(), save == "fails" ? 2 : 1); // a failed save is told
        QCOMPARE(saved("new.txt"), save == "new" ? edited : "-");
        QCOMPARE(saved("bound.txt"), save == "place" ? edited : "OLD");
        QCOMPARE(exitAllowed, goesOn && command == "Exit");
        const QString after = command == "mnunew" ? QString() : QStringLiteral("OTHER");
        QCOMPARE(rig.editor->text(), goesOn && command != "Exit" ? after : edited);
        QCOMPARE(rig.editor->editFlag(), !goesOn || (command == "Exit" && save.isEmpty()));
    }

    void windowClosedDuringTheSaveQuestion()
    {
        EditorRig rig(EditorProfile::kvt7());
        rig.txteditor->setPlainText(edited);
        rig.op.onMessage = [&rig](const Message&) { rig.window.reset(); };
        rig.op.answerNext(MessageAnswer::No);
        rig.editor->open();
        QVERIFY(!rig.editor);
        QVERIFY(rig.op.fileDialogs.isEmpty());
    }

    // Capitals letter by letter, so that a line keeps its columns; an empty line
    // or a first word of one letter or none takes no number.
    void print_data()
    {
        QTest::addColumn<EditorProfile>("profile");
        QTest::addColumn<bool>("accepted"); // in the print dialog
        QTest::addColumn<QString>("pdf");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QStringList>("body"); // of each of two copies
        const EditorProfile k7 = EditorProfile::kvt7();
        QTest::newRow("Print") << k7 << true << "listing.pdf"
                               << "" << QStringList{"g00 ; go", "", "x 1", "  g01", "m30 \u00dfx"};
        QTest::newRow("cancelled") << k7 << false << "listing.pdf"
                                   << "" << QStringList();
        QTest::newRow("not printable") << k7 << true << "none/listing.pdf"
                                       << "could not be printed" << QStringList();
        QTest::newRow("Print with Line#")
            << EditorProfile::kvt52() << true << "listing.pdf"
            << "" << QStringList{"Line#       Command",      "",
                                 "   0          G00 ; GO",   "",
                                 "              X 1",        "                G01",
                                 "   1          M30 \u00dfX"};
    }

    void print()
    {
        QFETCH(EditorProfile, profile);
        QFETCH(bool, accepted);
        QFETCH(QString, pdf);
        QFETCH(QString, told);
        QFETCH(QStringList, body);
        EditorRig rig(profile);
        const QString file = fileWith("prog.txt", "g00 ; go\r\n\r\nx 1\r\n  g01\r\nm30 \u00dfx");
        rig.open(file);
        rig.op.answerNextPrint({accepted, 2, path(pdf)});
        if (!told.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        (profile.formattedListing ? rig.menu.printLineNumbersItem : rig.menu.printItem)->trigger();
        QCOMPARE(rig.op.messages.size(), told.isEmpty() ? 0 : 1);
        QVERIFY(rig.op.messages.value(0).text.contains(told));
        const QStringList page{"Filename  :  " + QDir::toNativeSeparators(file), ""};
        QCOMPARE(PdfText::pages(path(pdf)),
                 body.isEmpty() ? QList<QStringList>() : QList<QStringList>(2, page + body));
    }

    // Each copy begins on a page of its own; a full page goes on to the next,
    // a line too wide goes on below, even across a page break.
    void listingOnPaper()
    {
        QStringList listing;
        for (int i = 1; i <= 19; ++i)
            listing.append(QStringLiteral("L%1").arg(i));
        const QString wide = QStringLiteral("0123456789").repeated(10);
        const QList<QStringList> copy{
            listing.mid(0, 10), listing.mid(10) << wide.left(40), {wide.mid(40, 40), wide.mid(80)}};
        listing.append(wide);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path("listing.pdf"));
        printer.setCopyCount(2);
        // Room for 40 and a half characters by 10 and a half lines.
        const QFontMetricsF font(QFont(ListingPrinter::font(10), &printer), &printer);
        const qreal pt = 72.0 / printer.resolution();
        const QSizeF area(40.5 * font.horizontalAdvance(u'M') * pt, 10.5 * font.lineSpacing() * pt);
        printer.setPageSize(
            QPageSize(area + QSizeF(72, 72), QPageSize::Point, QString(), QPageSize::ExactMatch));
        printer.setPageMargins(QMarginsF(36, 36, 36, 36), QPageLayout::Point);

        QVERIFY(ListingPrinter::print(printer, listing));
        QCOMPARE(PdfText::pages(printer.outputFileName()), copy + copy);
        QCOMPARE(printer.copyCount(), 2); // for the next print dialog to offer
    }

    // Paste waits for Copy or Cut, whatever the clipboard holds.
    void copyAndCut_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("pasted"); // the text after a Paste at the start
        QTest::newRow("Copy, nothing selected") << "mnucopy" << 2 << 2 << edited;
        QTest::newRow("Cut") << "mnucut" << 3 << 7 << QStringLiteral(",100G00\r\nM30");
        QTest::newRow("Ctrl+X") << "Ctrl+X" << 7 << 11 << QStringLiteral("\r\nM30G00,100");
    }

    void copyAndCut()
    {
        QFETCH(QString, how);
        QFETCH(int, from);
        QFETCH(int, to);
        EditorRig rig(EditorProfile::kvt31_33());
        rig.txteditor->setPlainText(edited);
        QTextCursor cursor(rig.txteditor->document());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        rig.txteditor->setTextCursor(cursor);
        if (QAction* item = rig.window->findChild<QAction*>(how))
            item->trigger();
        else
            QTest::keySequence(rig.txteditor, QKeySequence(how));
        rig.txteditor->moveCursor(QTextCursor::Start);
        QTest::keySequence(rig.txteditor, QKeySequence::Paste);
        QTEST(rig.editor->text(), "pasted");
    }

    void limitOfFrmkvt7()
    {
        EditorRig rig(EditorProfile::kvt7());
        rig.open(fileWith("full.txt", program(480)));
        QCOMPARE(rig.editor->text(), program(480));
        QVERIFY(rig.op.messages.isEmpty());
        rig.open(fileWith("long.txt", program(500)));
        QCOMPARE(rig.editor->text(), program(480));
        // Saving now would shorten the file.
        QVERIFY(rig.op.messages.value(0).text.contains(QLatin1String("first 480")));

        rig.txteditor->moveCursor(QTextCursor::End);
        QTest::keyClicks(rig.txteditor, QStringLiteral("X\t"));
        QTest::keyClick(rig.txteditor, Qt::Key_Return);
        QCOMPARE(rig.editor->text(), program(480));
        QVERIFY(!rig.editor->editFlag()); // nothing changed, nothing to save
        // Room for one character is no room for a line break.
        QTest::keyClick(rig.txteditor, Qt::Key_Backspace);
        QTest::keyClick(rig.txteditor, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(rig.txteditor, QStringLiteral("YZ"));
        QCOMPARE(rig.editor->text(), program(479) + u'Y');
        rig.txteditor->undo(); // a refused key leaves no step of its own to undo
        QCOMPARE(rig.editor->text(), program(479));

        // A paste over the limit loses its own end, not the program's, and one
        // Undo takes back both.
        rig.txteditor->moveCursor(QTextCursor::Start);
        rig.txteditor->moveCursor(QTextCursor::NextWord, QTextCursor::KeepAnchor);
        rig.menu.copyItem->trigger();
        rig.txteditor->moveCursor(QTextCursor::Start);
        rig.menu.pasteItem->trigger();
        QCOMPARE(rig.editor->text(), u'G' + program(479));
        rig.txteditor->undo();
        QCOMPARE(rig.editor->text(), program(479));

        // An upload counts lone CRs as the CR LF pairs they become, is never cut
        // between the two, and one Undo brings back the text it replaced.
        const QString x = QString(474, u'X');
        QVERIFY(!rig.editor->setUploadedText("G00\r" + x + "\rM", QStringLiteral("PROGRAM #1")));
        QCOMPARE(rig.editor->text(), "G00\r\n" + x);
        QVERIFY(!rig.editor->fileFlag() && rig.editor->editFlag());
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("PROGRAM #1"));
        rig.txteditor->undo();
        QCOMPARE(rig.editor->text(), program(479));
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
#ifndef Q_OS_UNIX
        QSKIP("The faults come from /proc and /dev, which only Unix has.");
#endif
        QFile largest(path("largest.txt"));
        QVERIFY(largest.open(QIODevice::WriteOnly) &&
                largest.write(QByteArray(ProgramFile::maxBytes, 'A')) == ProgramFile::maxBytes);
        QFile huge(path("huge.txt"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(ProgramFile::maxBytes + 1));
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
#ifdef Q_OS_UNIX
        QVERIFY(QDir(m_dir->path()).mkdir("alone"));
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
#else
        QSKIP("A file size limit is Unix's.");
#endif
    }
};

QTEST_MAIN(EditorTest)
#include "tst_editor.moc"
