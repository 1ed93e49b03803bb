// kvtcomm as the operator and scripts call it. The transfers of the command
// line run here on Qt Core alone, so a script on a machine without a display
// loads nothing of the windows; everything else is the desktop program,
// kvtcomm-gui beside this file, which takes over this process.
#include "Version.h"
#include "batch/BatchOptions.h"
#include "batch/BatchRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#else
#include <QProcess>
#endif

int main(int argc, char* argv[])
{
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvtcomm"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVTCOMM_VERSION));
    if (argc > 1 && kvt::batch::BatchOptions::isVerb(QString::fromLocal8Bit(argv[1])))
        return kvt::batch::runBatch(QCoreApplication::arguments().mid(1));

    const QString gui =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kvtcomm-gui"));
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(gui);
    ::execv(path.constData(), argv);
    std::fprintf(stderr, "kvtcomm: cannot start %s: %s\n", path.constData(), std::strerror(errno));
    return 1;
#else
    return QProcess::execute(gui, QCoreApplication::arguments().mid(1));
#endif
}
