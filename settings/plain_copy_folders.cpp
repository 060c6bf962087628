#include "plain_copy_folders.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#endif

namespace {

const char *const prefix = "orvane-config-";

bool processEnded(qint64 pid)
{
#ifdef Q_OS_WIN
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
#else
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#endif
}

} // namespace

QString plainCopyFolderPattern(const QString &folder)
{
    return QDir(folder).absolutePath() + QLatin1Char('/') + QLatin1String(prefix)
           + QString::number(QCoreApplication::applicationPid()) + QStringLiteral("-XXXXXX");
}

void removePlainCopiesOfEndedRuns(const QString &folder)
{
    static const QRegularExpression ofProcess(QStringLiteral("^orvane-config-(\\d+)-.{6}$"));
    static const QRegularExpression ofEarlierVersion(QStringLiteral("^orvane-config-.{6}$"));
    if (folder.isEmpty())
        return;
    const QFileInfoList folders = QDir(folder).entryInfoList({QLatin1String(prefix) + QLatin1Char('*')},
                                                     QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    for (const QFileInfo &copies : folders) {
        const QRegularExpressionMatch run = ofProcess.match(copies.fileName());
        const bool ended = run.hasMatch() ? processEnded(run.captured(1).toLongLong())
                                          : ofEarlierVersion.match(copies.fileName()).hasMatch()
                                                && copies.lastModified().toUTC() < dayAgo;
        // Only folders of this user's own runs can be removed here.
        if (ended && copies.isWritable() && !copies.isSymLink())
            QDir(copies.absoluteFilePath()).removeRecursively();
    }
}
