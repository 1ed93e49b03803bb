#include "ManualCommands.h"

namespace kvt::manual {

namespace {

// "+####0;-####0": a sign always, digits without leading zeros or grouping.
QString signedValue(int value)
{
    return (value < 0 ? QStringLiteral("-") : QStringLiteral("+")) +
           QString::number(qAbs(qint64(value)));
}

QString sign(bool plus)
{
    return plus ? QStringLiteral("+") : QStringLiteral("-");
}

QString moveCommand(const char* code, int steps)
{
    return QLatin1String(code) + u',' + signedValue(steps);
}

// Input number, then the direction sign; forward is "+".
QString searchCommand(const char* code, int input, bool forward)
{
    return QLatin1String(code) + u',' + QString::number(input) + u',' + sign(forward);
}

} // namespace

QString buttonCommand(int button, const Settings& s)
{
    switch (button) {
    case 0:
        return moveCommand("G00", s.absoluteMove);
    case 1:
        return moveCommand("G10", s.relativeMove);
    case 2:
        return moveCommand("G15", s.absoluteJog);
    case 3:
        return moveCommand("G16", s.relativeJog);
    case 4:
        return searchCommand("G20", s.highInput, s.highForward);
    case 5:
        return searchCommand("G21", s.lowInput, s.lowForward);
    case 6:
        return QStringLiteral("G27");
    case 7:
        return QStringLiteral("G92,0");
    case deleteButton:
        return QStringLiteral("DELP") + QString::number(s.deleteProgram);
    case 9:
        return QStringLiteral("M2") + QString::number(s.output) + sign(s.outputOn);
    case 10:
        return QStringLiteral("M28");
    case 11:
        return QStringLiteral("TRG") + QString::number(s.triggerProgram);
    }
    return {};
}

QString deleteQuestion(int program)
{
    return QStringLiteral("Are you sure you want to delete program #") + QString::number(program);
}

} // namespace kvt::manual
