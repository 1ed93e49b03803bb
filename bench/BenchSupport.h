#pragma once

#include "shell/Operator.h"

#include <QList>
#include <QString>

#include <memory>

// What the benchmark programs share: an operator that says Yes, the process
// CPU clock, kvtsim's receive log, percentiles.
namespace kvt {
class FrontEndWindow;
class Kvt7Window;
} // namespace kvt

namespace kvt::bench {

class AnswerYes : public Operator {
public:
    MessageAnswer message(QWidget* parent, const Message& message) override;
    void beep() override {}
    std::unique_ptr<Notice> notice(QWidget*, const Message&) override
    {
        return std::make_unique<Notice>();
    }
    std::optional<QString> chooseFile(QWidget*, const FileDialog&) override { return {}; }
    bool choosePrinter(QWidget*, QPrinter&, const PrintDialog&) override { return false; }
};

// The model's window whose COM1 is device, started up as the tests start it;
// null when the port did not open.
std::unique_ptr<FrontEndWindow> openWindow(const QString& model, const QString& device,
                                           Operator& op);
std::unique_ptr<Kvt7Window> openKvt7(const QString& device, Operator& op);

double cpuSeconds();

struct Received {
    qint64 atUs; // kvtsim's steady clock
    int byte;
};
QList<Received> readLog(const QString& path);

double percentile(QList<double> values, double p);

} // namespace kvt::bench
