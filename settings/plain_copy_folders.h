#ifndef ORVANE_PLAIN_COPY_FOLDERS_H
#define ORVANE_PLAIN_COPY_FOLDERS_H

#include <QString>

// The temporary folders that hold the plain copies of config.ini. Each
// names the process that made it, so that the folders of a run that was
// killed before it could remove its own are found and removed by the next.

// The QTemporaryDir pattern for a new folder of this process.
QString plainCopyFolderPattern();

// Removes the folders of processes that have ended (and those of earlier
// versions, which name no process, once they are a day old).
void removePlainCopiesOfEndedRuns();

#endif
