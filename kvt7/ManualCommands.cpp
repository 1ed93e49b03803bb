#include "ManualCommands.h"

namespace kvt::manual {

QString signedValue(int value)
{
    return (value < 0 ? QStringLiteral("-") : QStringLiteral("+")) +
           QString::number(qAbs(qint64(value)));
}

QString moveCommand(const QString& code, int steps)
{
    return code + u',' + signedValue(steps);
}

QString searchCommand(const QString& code, int input, bool forward)
{
    return code + u',' + QString::number(input) + u',' + (forward ? u'+' : u'-');
}

QString outputCommand(int output, bool on)
{
    return QStringLiteral("M2") + QString::number(output) + (on ? u'+' : u'-');
}

QString triggerCommand(int program)
{
    return QStringLiteral("TRG") + QString::number(program);
}

QString deleteCommand(int program)
{
    return QStringLiteral("DELP") + QString::number(program);
}

QString deleteQuestion(int program)
{
    return QStringLiteral("Are you sure you want to delete program #") + QString::number(program);
}

} // namespace kvt::manual
