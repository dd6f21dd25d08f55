#include "recoverycopy.h"

#include "platform/appconstants.h"
#include "task/di_riror_adiriz.h"
#include "projectfile.h"
#include "tasklistobj.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSettings>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcRecovery, "tarnix.batch.recovery", QtWarningMsg)

namespace {

constexpr int defaultDelayMs = 5000;
constexpr int lookIntervalMs = 30000;
const char *const projectKey = "recovery/projectPath";

QSettings appSettings()
{
    return QSettings(AppConstants::settingsOrganization, AppConstants::settingsApplication);
}

} // namespace

RecoveryCopy::RecoveryCopy(TaskListOBJ *list, QObject *parent)
    : QObject(parent)
    , list(list)
{
    savedFingerprint = fingerprint();
    writtenFingerprint = savedFingerprint;
    writeTimer.setSingleShot(true);
    writeTimer.setInterval(defaultDelayMs);
    connect(&writeTimer, &QTimer::timeout, this, &RecoveryCopy::writeNow);
    lookTimer.setInterval(lookIntervalMs);
    connect(&lookTimer, &QTimer::timeout, this, &RecoveryCopy::writeNow);
    lookTimer.start();
}

QString RecoveryCopy::path()
{
    // Where the settings file is on Linux and macOS; on Windows, whose settings live in the
    // registry, the same folder under the local application data.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
        + QLatin1String(AppConstants::settingsOrganization) + QLatin1Char('/')
        + QLatin1String(AppConstants::settingsApplication) + QStringLiteral("-recovery.wtarnix");
}

bool RecoveryCopy::exists()
{
    return QFileInfo::exists(path());
}

bool RecoveryCopy::load(TaskListOBJ &into, QString *projectPath)
{
    *projectPath = appSettings().value(QLatin1String(projectKey)).toString();
    QString error;
    if (ProjectFile::load(path(), into, &error)) {
        // Copied while it ran: it goes on from where the copy left it, at the next Start.
        for (Di_riror_adiRIZ *task : std::as_const(into.taskList())) {
            if (task->state == TaskState::Running)
                task->makeReady();
        }
        return true;
    }
    qCWarning(lcRecovery) << "recovery copy unreadable:" << error;
    return false;
}

void RecoveryCopy::markSaved(const QString &projectPath)
{
    project = projectPath;
    savedFingerprint = fingerprint();
    writtenFingerprint = savedFingerprint;
    writeTimer.stop();
    remove();
}

bool RecoveryCopy::hasUnsavedChanges() const
{
    return fingerprint() != savedFingerprint;
}

void RecoveryCopy::scheduleWrite()
{
    // Not restarted by later changes: a running batch changes all the time, and must be copied.
    if (!writeTimer.isActive())
        writeTimer.start();
}

void RecoveryCopy::setDelayMs(int ms)
{
    writeTimer.setInterval(ms);
}

void RecoveryCopy::writeNow()
{
    writeTimer.stop();
    const QByteArray now = fingerprint();
    if (now == writtenFingerprint)
        return;
    if (now == savedFingerprint) {
        remove();
        writtenFingerprint = now;
        return;
    }
    QDir().mkpath(QFileInfo(path()).absolutePath());
    QString error;
    // ProjectFile::save writes through QSaveFile: a crash while writing leaves the older copy whole.
    if (!ProjectFile::save(path(), *list, &error)) {
        qCWarning(lcRecovery) << "recovery copy not written:" << path() << error;
        return;
    }
    appSettings().setValue(QLatin1String(projectKey), project);
    writtenFingerprint = now;
    qCDebug(lcRecovery) << "recovery copy written" << path();
}

void RecoveryCopy::remove()
{
    QFile::remove(path());
    appSettings().remove(QLatin1String(projectKey));
    writtenFingerprint = savedFingerprint;
}

QByteArray RecoveryCopy::fingerprint() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << *list;
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}
