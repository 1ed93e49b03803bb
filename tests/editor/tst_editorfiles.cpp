#include "EditorRig.h"
#include "FileSizeLimit.h"

#include "editor/ProgramFile.h"
#include "editor/Windows1252.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace kvt;
using namespace kvt::test;

namespace {

enum class Command { New, Open, Exit };
enum class Reply { None, No, Cancel, YesSaved, YesDialogCancelled, YesSaveFails };
enum class SavedIn { Nowhere, NewFile, BoundFile };

const QString edited = QStringLiteral("G00,100\r\nM30");
const QByteArray oldRecord = "\"OLD\"\r\n";

const Message saveQuestionBox{QStringLiteral("Do you want to save your file  ????  "),
                              QStringLiteral("Save File"), MessageIcon::None,
                              MessageButtons::YesNoCancel};

Message replaceQuestionBox(const QString& path)
{
    return {QStringLiteral("File Exist !! Replace existing file - ") +
                QDir::toNativeSeparators(path) + u'?',
            QString(), MessageIcon::Question, MessageButtons::YesNoCancel};
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int countKind(const QList<FileDialog>& dialogs, FileDialog::Kind kind)
{
    return int(std::count_if(dialogs.begin(), dialogs.end(),
                             [kind](const FileDialog& d) { return d.kind == kind; }));
}

QString pdfText(const QString& pdf)
{
    QProcess pdftotext;
    // The listing font advances 6 pt a character at 10 pt: columns come out as printed.
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-fixed"), QStringLiteral("6"), pdf, QStringLiteral("-")});
    if (!pdftotext.waitForFinished() || pdftotext.exitCode() != 0)
        return QStringLiteral("<no pdf>");
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

} // namespace

Q_DECLARE_METATYPE(Command)
Q_DECLARE_METATYPE(Reply)
Q_DECLARE_METATYPE(SavedIn)

class EditorFilesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString& name) const { return m_dir->filePath(name); }

    // Binds the document to a file through Open, the way an operator does.
    static void openFile(EditorRig& rig, const QString& file)
    {
        rig.op.answerNextFile(file);
        rig.editor->open();
        rig.op.fileDialogs.clear();
        rig.op.messages.clear();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void commandsThroughTheMenu_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<QString>("design");
        QTest::newRow("frmkvt_7") << Window::Kvt7 << "EDITOR SCREEN";
        QTest::newRow("frmkvt_31_33") << Window::Kvt31_33 << "EDITOR";
        QTest::newRow("frmkvt_px_52") << Window::FourModel << "EDITOR";
    }

    // New, Save As, New, Open and Save as an operator goes through them, with
    // the document state after each.
    void commandsThroughTheMenu()
    {
        QFETCH(Window, window);
        QFETCH(QString, design);
        EditorRig rig(window);
        const QString dir = path(QStringLiteral("PROG"));
        QVERIFY(QDir().mkpath(dir));
        const QString a1 = dir + QStringLiteral("/A1.TXT");
        QCOMPARE(rig.fraeditor->title(), design);
        QCOMPARE(rig.editor->filePath(), QStringLiteral("Untitled.txt"));
        QVERIFY(!rig.editor->fileFlag());
        QVERIFY(!rig.editor->editFlag());

        rig.txteditor->setPlainText(edited);
        QVERIFY(rig.editor->editFlag());

        rig.op.answerNextFile(a1);
        rig.menu.mnusaveas->trigger();
        QCOMPARE(contents(a1), QByteArray("\"G00,100\r\nM30\"\r\n"));
        QVERIFY(rig.editor->fileFlag());
        QCOMPARE(rig.editor->filePath(), a1);
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("EDITOR - A1.TXT"));
        QVERIFY(!rig.editor->editFlag());

        // Saved, so New asks nothing.
        rig.menu.mnunew->trigger();
        QVERIFY(rig.op.messages.isEmpty());
        QCOMPARE(rig.editor->text(), QString());
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("EDITOR - [NEW]"));
        QVERIFY(!rig.editor->fileFlag());
        QVERIFY(!rig.editor->editFlag());
        QCOMPARE(rig.editor->filePath(), a1); // kept for the listing header

        rig.op.answerNextFile(a1);
        rig.menu.mnuopen->trigger();
        QCOMPARE(rig.editor->text(), edited);
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("EDITOR - A1.TXT"));
        QVERIFY(rig.editor->fileFlag());
        QVERIFY(!rig.editor->editFlag());

        rig.txteditor->appendPlainText(QStringLiteral("G01"));
        QVERIFY(rig.editor->editFlag());
        rig.menu.mnusave->trigger();
        QCOMPARE(countKind(rig.op.fileDialogs, FileDialog::Kind::Save), 1); // only the Save As
        QCOMPARE(contents(a1), QByteArray("\"G00,100\r\nM30\r\nG01\"\r\n"));
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("EDITOR - A1.TXT"));
        QVERIFY(!rig.editor->editFlag());
        QVERIFY(rig.op.messages.isEmpty());
    }

    void dialogs_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("openFilter");

        const QString common = QStringLiteral("Text files (*.txt)|*.txt| All Files (*.*)|*.*");
        QTest::newRow("frmkvt_7") << Window::Kvt7 << "FileAcess" << common;
        QTest::newRow("frmkvt_31_33") << Window::Kvt31_33 << "Fileacess" << common;
        QTest::newRow("frmkvt_px_52") << Window::FourModel << "FileAcess"
                                      << "Text Files (*.txt)|*.txt|All Files (*.*)|*.*";
    }

    void dialogs()
    {
        QFETCH(Window, window);
        QFETCH(QString, control);
        QFETCH(QString, openFilter);
        EditorRig rig(window);
        const QString first = path(QStringLiteral("first.txt"));
        rig.op.answerNextFile(first);
        rig.editor->saveAs();
        rig.editor->open(); // cancelled: nothing scripted
        rig.editor->print();
        const QString saveFilter = QStringLiteral("Text files (*.txt)|*.txt| All Files (*.*)|*.*");
        // The control keeps the last name chosen in it and offers it again.
        QCOMPARE(
            rig.op.fileDialogs,
            (QList<FileDialog>{{FileDialog::Kind::Save, "Saves As", saveFilter, QString(), control},
                               {FileDialog::Kind::Open, "Open", openFilter, first, control}}));
        QCOMPARE(rig.op.printDialogs, (QList<PrintDialog>{{control, 1, 9999}}));
    }

    void saveQuestion_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<Command>("command");
        QTest::addColumn<bool>("bound");
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<int>("saveDialogs");
        QTest::addColumn<SavedIn>("savedIn");
        QTest::addColumn<bool>("goesOn");

        const auto k7 = Window::Kvt7;
        const auto k31 = Window::Kvt31_33;
        const auto px = Window::FourModel;
        QTest::newRow("7 New, unchanged text")
            << k7 << Command::New << false << Reply::None << 0 << SavedIn::Nowhere << true;
        QTest::newRow("7 New, No")
            << k7 << Command::New << false << Reply::No << 0 << SavedIn::Nowhere << true;
        QTest::newRow("7 New, Cancel")
            << k7 << Command::New << false << Reply::Cancel << 0 << SavedIn::Nowhere << false;
        QTest::newRow("7 New, Yes asks for a name even with a file")
            << k7 << Command::New << true << Reply::YesSaved << 1 << SavedIn::NewFile << true;
        QTest::newRow("7 New, Yes, dialog cancelled: text stays")
            << k7 << Command::New << true << Reply::YesDialogCancelled << 1 << SavedIn::Nowhere
            << false;
        QTest::newRow("7 Open, Yes, save fails: text stays")
            << k7 << Command::Open << false << Reply::YesSaveFails << 1 << SavedIn::Nowhere
            << false;
        QTest::newRow("7 Exit asks too, No")
            << k7 << Command::Exit << false << Reply::No << 0 << SavedIn::Nowhere << true;
        QTest::newRow("7 Exit, Cancel")
            << k7 << Command::Exit << true << Reply::Cancel << 0 << SavedIn::Nowhere << false;
        QTest::newRow("7 Exit, Yes, dialog cancelled")
            << k7 << Command::Exit << false << Reply::YesDialogCancelled << 1 << SavedIn::Nowhere
            << false;
        QTest::newRow("31 New, Yes asks for a name even with a file")
            << k31 << Command::New << true << Reply::YesSaved << 1 << SavedIn::NewFile << true;
        QTest::newRow("31 Open, Cancel")
            << k31 << Command::Open << true << Reply::Cancel << 0 << SavedIn::Nowhere << false;
        QTest::newRow("31 Exit, Yes, saved")
            << k31 << Command::Exit << false << Reply::YesSaved << 1 << SavedIn::NewFile << true;
        QTest::newRow("52 New, Yes saves in place")
            << px << Command::New << true << Reply::YesSaved << 0 << SavedIn::BoundFile << true;
        QTest::newRow("52 New, Yes without a file asks for a name")
            << px << Command::New << false << Reply::YesSaved << 1 << SavedIn::NewFile << true;
        QTest::newRow("52 Exit, Yes, save in place fails")
            << px << Command::Exit << true << Reply::YesSaveFails << 0 << SavedIn::Nowhere << false;
    }

    void saveQuestion()
    {
        QFETCH(Window, window);
        QFETCH(Command, command);
        QFETCH(bool, bound);
        QFETCH(Reply, reply);
        QFETCH(int, saveDialogs);
        QFETCH(SavedIn, savedIn);
        QFETCH(bool, goesOn);

        EditorRig rig(window);
        const QString boundFile = path(QStringLiteral("bound.txt"));
        const QString newFile = path(QStringLiteral("new.txt"));
        const QString other = path(QStringLiteral("other.txt"));
        QVERIFY(put(boundFile, oldRecord));
        QVERIFY(put(other, "\"OTHER\"\r\n"));
        if (bound)
            openFile(rig, boundFile);
        if (reply != Reply::None)
            rig.txteditor->setPlainText(edited);
        const bool editFlag = rig.editor->editFlag();
        const bool fileFlag = rig.editor->fileFlag();
        const QString caption = rig.fraeditor->title();
        const QString before = rig.editor->text();

        switch (reply) {
        case Reply::None:
            break;
        case Reply::YesDialogCancelled:
            rig.op.answerNextFile(std::nullopt);
            break;
        case Reply::No:
            rig.op.answerNext(MessageAnswer::No);
            break;
        case Reply::Cancel:
            rig.op.answerNext(MessageAnswer::Cancel);
            break;
        case Reply::YesSaved:
            rig.op.answerNextFile(newFile);
            break;
        case Reply::YesSaveFails:
            rig.op.answerNextFile(path(QStringLiteral("none/new.txt")));
            // The bound file became a directory, where nothing can be saved in place.
            QVERIFY(QFile::remove(boundFile));
            QVERIFY(QDir().mkdir(boundFile));
            break;
        }
        rig.op.answerNextFile(other); // for Open, once it goes on

        bool exitAllowed = false;
        switch (command) {
        case Command::New:
            rig.editor->newDocument();
            break;
        case Command::Open:
            rig.editor->open();
            break;
        case Command::Exit:
            exitAllowed = rig.editor->confirmExit();
            break;
        }

        QVERIFY(!rig.op.messages.isEmpty() || reply == Reply::None);
        if (reply != Reply::None)
            QCOMPARE(rig.op.messages.constFirst(), saveQuestionBox);
        if (reply == Reply::YesSaveFails) {
            QCOMPARE(rig.op.messages.size(), 2);
            QCOMPARE(rig.op.messages.at(1).icon, MessageIcon::Exclamation);
        }
        QCOMPARE(countKind(rig.op.fileDialogs, FileDialog::Kind::Save), saveDialogs);

        QCOMPARE(contents(newFile), savedIn == SavedIn::NewFile
                                        ? QByteArray("\"G00,100\r\nM30\"\r\n")
                                        : QByteArray("<unreadable>"));
        if (reply != Reply::YesSaveFails)
            QCOMPARE(contents(boundFile), savedIn == SavedIn::BoundFile
                                              ? QByteArray("\"G00,100\r\nM30\"\r\n")
                                              : oldRecord);

        const int openDialogs = countKind(rig.op.fileDialogs, FileDialog::Kind::Open);
        QCOMPARE(openDialogs, command == Command::Open && goesOn ? 1 : 0);
        if (!goesOn) {
            QCOMPARE(rig.editor->text(), before);
            QCOMPARE(rig.editor->editFlag(), editFlag);
            QCOMPARE(rig.editor->fileFlag(), fileFlag);
            QCOMPARE(rig.fraeditor->title(), caption);
            QVERIFY(!exitAllowed);
            return;
        }
        switch (command) {
        case Command::New:
            QCOMPARE(rig.editor->text(), QString());
            QCOMPARE(rig.fraeditor->title(), QStringLiteral("EDITOR - [NEW]"));
            QVERIFY(!rig.editor->fileFlag());
            break;
        case Command::Open:
            QCOMPARE(rig.editor->text(), QStringLiteral("OTHER"));
            QCOMPARE(rig.editor->filePath(), other);
            break;
        case Command::Exit:
            QVERIFY(exitAllowed);
            break;
        }
    }

    void replaceQuestion_data()
    {
        QTest::addColumn<QList<MessageAnswer>>("answers");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("dialogs");
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<bool>("savedElsewhere");

        using A = MessageAnswer;
        QTest::newRow("Yes replaces")
            << QList<A>{A::Yes} << QStringList{"old"} << 1 << true << false;
        QTest::newRow("No writes nothing and ends")
            << QList<A>{A::No} << QStringList{"old"} << 1 << false << false;
        QTest::newRow("Cancel shows the dialog again, then Cancel there")
            << QList<A>{A::Cancel} << QStringList{"old"} << 2 << false << false;
        QTest::newRow("Cancel, then another name")
            << QList<A>{A::Cancel} << QStringList{"old", "fresh"} << 2 << false << true;
        QTest::newRow("Cancel, then the same name and Yes")
            << QList<A>{A::Cancel, A::Yes} << QStringList{"old", "old"} << 2 << true << false;
    }

    void replaceQuestion()
    {
        QFETCH(QList<MessageAnswer>, answers);
        QFETCH(QStringList, names);
        QFETCH(int, dialogs);
        QFETCH(bool, replaced);
        QFETCH(bool, savedElsewhere);

        EditorRig rig(Window::Kvt7);
        const QString old = path(QStringLiteral("old"));
        const QString fresh = path(QStringLiteral("fresh"));
        QVERIFY(put(old, oldRecord));
        rig.txteditor->setPlainText(edited);
        for (const MessageAnswer answer : answers)
            rig.op.answerNext(answer);
        for (const QString& name : names)
            rig.op.answerNextFile(path(name));

        const bool saved = rig.editor->saveAs();

        QCOMPARE(rig.op.fileDialogs.size(), dialogs);
        QCOMPARE(rig.op.messages.size(), answers.size());
        for (const Message& message : std::as_const(rig.op.messages))
            QCOMPARE(message, replaceQuestionBox(old));
        // Shown again, the dialog offers the name chosen before.
        if (dialogs == 2)
            QCOMPARE(rig.op.fileDialogs.at(1).fileName, old);
        const QByteArray record("\"G00,100\r\nM30\"\r\n");
        QCOMPARE(contents(old), replaced ? record : oldRecord);
        QCOMPARE(QFile::exists(fresh), savedElsewhere);
        QCOMPARE(saved, replaced || savedElsewhere);
        QCOMPARE(rig.editor->fileFlag(), saved);
        QCOMPARE(rig.editor->editFlag(), !saved);
        QCOMPARE(rig.editor->filePath(), replaced ? old : savedElsewhere ? fresh : "Untitled.txt");
        QCOMPARE(rig.fraeditor->title(), replaced         ? QStringLiteral("EDITOR - old")
                                         : savedElsewhere ? QStringLiteral("EDITOR - fresh")
                                                          : QStringLiteral("EDITOR SCREEN"));
    }

    void saveAsFailure_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("reason");

        QTest::newRow("a directory") << "dir" << true << "directory";
        QTest::newRow("a missing directory")
            << "none/prog.txt" << false << "No such file or directory";
        QTest::newRow("below a file") << "plain.txt/prog.txt" << false << "Not a directory";
        QTest::newRow("a read-only file system") << "/proc/kvt-prog.txt" << false << "";
        QTest::newRow("a full device") << "/dev/full" << true << "No space left on device";
    }

    void saveAsFailure()
    {
        QFETCH(QString, target);
        QFETCH(bool, exists);
        QFETCH(QString, reason);
        const QString chosen = target.startsWith(u'/') ? target : path(target);
        QVERIFY(QDir().mkdir(path(QStringLiteral("dir"))));
        QVERIFY(put(path(QStringLiteral("plain.txt")), "x"));

        EditorRig rig(Window::Kvt7);
        rig.txteditor->setPlainText(edited);
        rig.op.answerNextFile(chosen);
        rig.op.answerNext(MessageAnswer::Yes); // replace, where it asks

        QVERIFY(!rig.editor->saveAs());

        QCOMPARE(rig.op.messages.size(), exists ? 2 : 1);
        const Message error = rig.op.messages.constLast();
        QCOMPARE(error.icon, MessageIcon::Exclamation);
        QCOMPARE(error.buttons, MessageButtons::Ok);
        QCOMPARE(error.title, QString());
        QVERIFY2(error.text.startsWith(QDir::toNativeSeparators(chosen) + QStringLiteral(": ")) &&
                     error.text.contains(reason),
                 qPrintable(error.text));
        QVERIFY(!rig.editor->fileFlag());
        QVERIFY(rig.editor->editFlag());
        QCOMPARE(rig.editor->filePath(), QStringLiteral("Untitled.txt"));
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("EDITOR SCREEN"));
        QCOMPARE(contents(path(QStringLiteral("plain.txt"))), QByteArray("x"));
        QVERIFY(QFileInfo(path(QStringLiteral("dir"))).isDir());
    }

    void saveFailingMidwayKeepsTheOldFile()
    {
        EditorRig rig(Window::FourModel);
        const QString file = path(QStringLiteral("prog.txt"));
        QVERIFY(put(file, oldRecord));
        openFile(rig, file);
        rig.txteditor->setPlainText(QString(400, u'X'));
        {
            const FileSizeLimit limit(100);
            QVERIFY(!rig.editor->save());
        }
        QCOMPARE(contents(file), oldRecord);
        QCOMPARE(rig.op.messages.size(), 1);
        QVERIFY2(rig.op.messages.constFirst().text.contains(QLatin1String("too large")),
                 qPrintable(rig.op.messages.constFirst().text));
        QVERIFY(rig.editor->editFlag());
        QVERIFY(rig.editor->fileFlag());
        // Nothing half-written is left beside the file.
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"prog.txt"});
    }

    void fileDeletedFromOutsideIsSavedAgain()
    {
        EditorRig rig(Window::Kvt7);
        const QString file = path(QStringLiteral("prog.txt"));
        QVERIFY(put(file, oldRecord));
        openFile(rig, file);
        QVERIFY(QFile::remove(file));
        rig.txteditor->setPlainText(edited);
        QVERIFY(rig.editor->save());
        QVERIFY(rig.op.messages.isEmpty());
        QVERIFY(rig.op.fileDialogs.isEmpty());
        QCOMPARE(contents(file), QByteArray("\"G00,100\r\nM30\"\r\n"));
        QVERIFY(!rig.editor->editFlag());
    }

    void openFailure_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("reason");

        QTest::newRow("missing file") << "none.txt"
                                      << "No such file or directory";
        QTest::newRow("a directory") << "dir"
                                     << "directory";
        QTest::newRow("unreadable") << "/proc/self/mem"
                                    << "Input/output error";
        QTest::newRow("a device") << "/dev/zero"
                                  << "Not a regular file";
    }

    void openFailure()
    {
        QFETCH(QString, source);
        QFETCH(QString, reason);
        const QString chosen = source.startsWith(u'/') ? source : path(source);
        QVERIFY(QDir().mkdir(path(QStringLiteral("dir"))));
        const QString bound = path(QStringLiteral("bound.txt"));
        QVERIFY(put(bound, oldRecord));
        QFile huge(path(QStringLiteral("huge.txt")));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(ProgramFile::maxBytes + 1));
        huge.close();

        EditorRig rig(Window::FourModel);
        openFile(rig, bound);
        rig.txteditor->setPlainText(edited);
        rig.op.answerNext(MessageAnswer::No); // don't save
        rig.op.answerNextFile(chosen);
        rig.editor->open();

        QCOMPARE(rig.op.messages.size(), 2);
        const Message error = rig.op.messages.at(1);
        QCOMPARE(error.icon, MessageIcon::Exclamation);
        QCOMPARE(error.buttons, MessageButtons::Ok);
        QCOMPARE(error.title, QString());
        QVERIFY2(error.text.contains(reason), qPrintable(error.text));
        QCOMPARE(rig.editor->text(), edited);
        QVERIFY(rig.editor->editFlag());
        QVERIFY(rig.editor->fileFlag());
        QCOMPARE(rig.editor->filePath(), bound);
        QCOMPARE(rig.fraeditor->title(), QStringLiteral("EDITOR - bound.txt"));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("file");

        QTest::newRow("empty, 4 bytes") << QString() << QByteArray("\"\"\r\n");
        QTest::newRow("CR LF") << edited << QByteArray("\"G00,100\r\nM30\"\r\n");
        QTest::newRow("trailing CR LF")
            << QStringLiteral("M30\r\n") << QByteArray("\"M30\r\n\"\r\n");
        QTest::newRow("commas and blanks")
            << QStringLiteral("  G00 , 100 ,\r\n , ") << QByteArray("\"  G00 , 100 ,\r\n , \"\r\n");
        QTest::newRow("quotes") << QStringLiteral("\"MSG \"HI\"\r\n\"")
                                << QByteArray("\"\"MSG \"HI\"\r\n\"\"\r\n");
        QTest::newRow("8-bit, no-break space included")
            << Windows1252::decode("\xE9\xA0\x80\x81\xFF")
            << QByteArray("\"\xE9\xA0\x80\x81\xFF\"\r\n");
    }

    void roundTrip()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, file);
        EditorRig rig(Window::Kvt31_33);
        const QString name = path(QStringLiteral("prog.txt"));
        rig.txteditor->setPlainText(text);
        rig.op.answerNextFile(name);
        QVERIFY(rig.editor->saveAs());
        QCOMPARE(contents(name), file);
        rig.editor->newDocument();
        QCOMPARE(rig.editor->text(), QString());
        rig.op.answerNextFile(name);
        rig.editor->open();
        QCOMPARE(rig.editor->text(), text);
        QVERIFY(!rig.editor->editFlag());
        QVERIFY(rig.op.messages.isEmpty());
    }

    void unencodableTextIsReportedBeforeSaving_data()
    {
        QTest::addColumn<bool>("bound");
        QTest::newRow("Save As") << false;
        QTest::newRow("Save") << true;
    }

    void unencodableTextIsReportedBeforeSaving()
    {
        QFETCH(bool, bound);
        EditorRig rig(Window::FourModel);
        const QString file = path(QStringLiteral("prog.txt"));
        QVERIFY(put(file, oldRecord));
        if (bound)
            openFile(rig, file);
        rig.txteditor->setPlainText(QStringLiteral("G00\r\nG01 \u2192 X"));
        rig.op.answerNextFile(file);
        QVERIFY(!rig.editor->save());
        QVERIFY(rig.op.fileDialogs.isEmpty());
        QCOMPARE(rig.op.messages.size(), 1);
        const Message error = rig.op.messages.constFirst();
        QCOMPARE(error.icon, MessageIcon::Exclamation);
        QVERIFY2(error.text.contains(QLatin1String("U+2192")) &&
                     error.text.contains(QLatin1String("line 2, column 5")),
                 qPrintable(error.text));
        QCOMPARE(contents(file), oldRecord);
        QVERIFY(rig.editor->editFlag());
        QCOMPARE(rig.editor->text(), QStringLiteral("G00\r\nG01 \u2192 X"));
    }

    void windowClosedDuringTheSaveQuestion()
    {
        EditorRig rig(Window::Kvt7);
        rig.txteditor->setPlainText(edited);
        rig.op.onMessage = [&rig](const Message&) { rig.window.reset(); };
        rig.op.answerNext(MessageAnswer::No);
        const QPointer<EditorController> editor = rig.editor;
        editor->newDocument();
        QVERIFY(!editor);
        QCOMPARE(rig.op.fileDialogs.size(), 0);
    }

    void print_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<bool>("lineNumbers");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("frmkvt_7 as typed")
            << Window::Kvt7 << false << QStringList{"Filename  :  ", "g00,100", "m30"};
        QTest::newRow("frmkvt_px_52 with Line#")
            << Window::FourModel << true
            << QStringList{"Filename  :  ", "Line#       Command", "0", "G00,100", "1", "M30"};
    }

    void print()
    {
        QFETCH(Window, window);
        QFETCH(bool, lineNumbers);
        QFETCH(QStringList, expected);
        EditorRig rig(window);
        const QString file = path(QStringLiteral("prog.txt"));
        QVERIFY(put(file, "\"g00,100\r\nm30\"\r\n"));
        openFile(rig, file);
        const QString pdf = path(QStringLiteral("listing.pdf"));
        rig.op.answerNextPrint({true, 2, pdf});
        (lineNumbers ? rig.menu.mnuprintlineno : rig.menu.mnuprint)->trigger();

        QVERIFY(rig.op.messages.isEmpty());
        const QString text = pdfText(pdf);
        const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 2);
        for (const QString& page : pages) {
            QVERIFY2(
                page.contains(QStringLiteral("Filename  :  ") + QDir::toNativeSeparators(file)),
                qPrintable(page));
            qsizetype at = 0;
            for (const QString& piece : expected) {
                at = page.indexOf(piece, at);
                QVERIFY2(at >= 0, qPrintable(piece + QStringLiteral(" in\n") + page));
            }
        }
        // The dialog offers the operator's count again.
        QCOMPARE(rig.editor->printer().copyCount(), 2);
    }

    void printCancelledOrFailing_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("messages");

        QTest::newRow("cancelled") << false << "listing.pdf" << 0;
        QTest::newRow("printer cannot start") << true << "none/listing.pdf" << 1;
    }

    void printCancelledOrFailing()
    {
        QFETCH(bool, accepted);
        QFETCH(QString, target);
        QFETCH(int, messages);
        EditorRig rig(Window::Kvt7);
        rig.txteditor->setPlainText(edited);
        rig.op.answerNextPrint({accepted, 1, path(target)});
        if (accepted)
            QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        rig.menu.mnuprint->trigger();
        QCOMPARE(rig.op.messages.size(), messages);
        if (messages)
            QVERIFY(
                rig.op.messages.constFirst().text.contains(QLatin1String("could not be printed")));
        QVERIFY(!QFile::exists(path(QStringLiteral("listing.pdf"))));
        QVERIFY(rig.editor->editFlag());
    }
};

QTEST_MAIN(EditorFilesTest)
#include "tst_editorfiles.moc"
