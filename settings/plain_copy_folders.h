#ifndef ORVANE_PLAIN_COPY_FOLDERS_H
#define ORVANE_PLAIN_COPY_FOLDERS_H

#include <QString>

// The scratch folders that hold the plain copies of config.ini, made in a
// folder the settings live in (never the temporary folder, which may be
// missing or read-only while config.ini's own folder takes files). Each
// names the process that made it, so that the folders of a run that was
// killed before it could remove its own are found and removed by the next.

// The QTemporaryDir pattern for a new folder of this process in `folder`.
QString plainCopyFolderPattern(const QString &folder);

// Removes the folders in `folder` of processes that have ended (and those
// of earlier versions, which name no process, once they are a day old).
void removePlainCopiesOfEndedRuns(const QString &folder);

#endif
