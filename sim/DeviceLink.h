#pragma once

#include <QString>

namespace kvt::sim {

// A symbolic link with a stable name for the pty, whose own name changes from
// run to run. Removed again when this object goes, unless it has been pointed
// elsewhere in the meantime (by another simulator, say).
class DeviceLink {
public:
    DeviceLink() = default;
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;
    ~DeviceLink() { remove(); }

    // An existing symbolic link is replaced, as it can only be left over from
    // an earlier run; anything else at linkPath is refused, never overwritten.
    bool create(const QString& linkPath, const QString& target, QString* error);
    void remove();

private:
    QString m_linkPath;
    QString m_target;
};

} // namespace kvt::sim
