#include "DeviceLink.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kvt::sim {

namespace {

QString systemErrorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

bool DeviceLink::create(const QString& linkPath, const QString& target, QString* error)
{
    const QByteArray path = QFile::encodeName(linkPath);
    struct stat existing {};
    if (::lstat(path.constData(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        *error = QStringLiteral("cannot create the link %1: it exists and is not a symbolic link")
                     .arg(linkPath);
        return false;
    }
    // Made under a private name and renamed over the old link, so the name
    // never points nowhere and never at a half-made link.
    const QByteArray temporary = path + ".kvtsim-" + QByteArray::number(::getpid());
    if (::symlink(QFile::encodeName(target).constData(), temporary.constData()) != 0) {
        *error = QStringLiteral("cannot create the link %1: %2").arg(linkPath, systemErrorText());
        return false;
    }
    if (::rename(temporary.constData(), path.constData()) != 0) {
        *error = QStringLiteral("cannot create the link %1: %2").arg(linkPath, systemErrorText());
        ::unlink(temporary.constData());
        return false;
    }
    m_linkPath = linkPath;
    m_target = target;
    return true;
}

void DeviceLink::remove()
{
    if (m_linkPath.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(m_linkPath);
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.constData(), target, sizeof target);
    if (length >= 0 && QByteArray(target, length) == QFile::encodeName(m_target))
        ::unlink(path.constData());
    m_linkPath.clear();
}

} // namespace kvt::sim
