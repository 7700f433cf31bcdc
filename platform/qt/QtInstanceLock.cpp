#include "platform/qt/QtInstanceLock.h"

#include <QDir>
#include <QStandardPaths>

namespace platform {

QtInstanceLock::QtInstanceLock(const std::string& path) : lock_(QString::fromStdString(path))
{
    // A running copy holds its lock however long it runs; only a lock whose
    // process has gone is stale.
    lock_.setStaleLockTime(0);
}

bool QtInstanceLock::tryLock()
{
    return lock_.isLocked() || lock_.tryLock(0);
}

std::string QtInstanceLock::DefaultPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return (dir + QStringLiteral("/dorvel-adj.lock")).toStdString();
}

}  // namespace platform
