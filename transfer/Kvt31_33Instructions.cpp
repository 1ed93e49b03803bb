#include "Kvt31_33Instructions.h"

#include <QStringList>

namespace kvt::kvt31_33 {

namespace {
const QString heading = QStringLiteral("Please set up  the  controller for downloading :");
const QString toCommunication[] = {
    QStringLiteral("  * Press <NO>  once"),
    QStringLiteral("  * Press <+/-> twice"),
    QStringLiteral("  * Display <External Communication>, Press <ENT>"),
};
const QString programNumber =
    QStringLiteral("  * Display <Program Number ?>, key in the program no and press <ENT>");
const QString crLf = QStringLiteral("\r\n");
} // namespace

QString downloadInstructions()
{
    QStringList lines{heading};
    lines << toCommunication[0] << toCommunication[1] << toCommunication[2];
    lines << QStringLiteral("  * Press <+/-> once")
          << QStringLiteral("  * Display <DOWNLOAD ?>, Press <ENT>")
          << QStringLiteral("  * Display <DOWNLOAD  PROGRAM ?>, Press <ENT>") << programNumber
          << QString()
          << QStringLiteral("  Click <OK> when controller display shows <Receiving  Program>")
          << QString()
          << QStringLiteral("IF PROGRAM EXIST, PLEASE DELETE PROGRAM FIRST BEFORE SETTING UP "
                            "CONTROLLER FOR DOWNLOADING AGAIN ");
    return lines.join(crLf);
}

QString uploadInstructions()
{
    // The heading says "downloading" here too; it is what operators have
    // always read above these steps.
    QStringList lines{heading};
    lines << toCommunication[0] << toCommunication[1] << toCommunication[2];
    lines << QStringLiteral("  * Display <UPLOAD ?>, Press <ENT>")
          << QStringLiteral("  * Display <UPLOAD  PROGRAM ?>, Press <ENT>") << programNumber
          << QStringLiteral("  * Display <UPLOAD  READY  ?>,  Press  <ENT>") << QString()
          << QStringLiteral("  Click <Cancel> to abort the uploading ") << QString();
    // Every line, the last one too, ends in CR LF.
    return lines.join(crLf) + crLf;
}

} // namespace kvt::kvt31_33
