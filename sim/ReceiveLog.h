#pragma once

#include <QFile>
#include <QString>

namespace kvt::sim {

// One line per received byte: "<monotonic microseconds> <byte value>", for
// measuring how the host paces its characters. Every byte of one read shares
// that read's time stamp; each read is flushed before the next one comes in.
class ReceiveLog {
public:
    bool open(const QString& path, QString* error);
    void record(const QByteArray& bytes, qint64 receivedAtUs);

private:
    QFile m_file;
};

} // namespace kvt::sim
