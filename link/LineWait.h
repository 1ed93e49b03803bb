#pragma once

#include "Timings.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace kvt {

class SerialLink;

// A wait on the line that a transfer job starts between its commands. Which
// kind a job needs is the job's decision, not its family's:
// - Quiet: ends once nothing was received for the whole period; received
//   data starts the period anew (a pause that lets a reply finish);
// - NoData: ends at the first received data, or when the period passes
//   without any (a limit on a controller that stays silent);
// - Fixed: ends when the period has passed, whatever arrives.
class LineWait : public QObject {
    Q_OBJECT
public:
    enum class Kind { Quiet, NoData, Fixed };

    LineWait(SerialLink& link, Kind kind, QObject* parent = nullptr);
    ~LineWait() override;

    void start(milliseconds period);
    void stop();
    bool isRunning() const { return m_timer.isActive(); }

Q_SIGNALS:
    // dataArrived: a NoData wait ended by received data rather than by its limit.
    void ended(bool dataArrived);

private:
    void onReceived();
    // The link drops what arrives while nothing uses it, unless a wait runs.
    void setCounted(bool running);

    QPointer<SerialLink> m_link;
    Kind m_kind;
    QTimer m_timer;
    bool m_counted = false;
};

} // namespace kvt
