#ifndef ORVANE_SETTINGS_LOCATION_H
#define ORVANE_SETTINGS_LOCATION_H

#include <QString>

// The config.ini the settings are read from at start and written to at exit.
struct SettingsFiles {
    QString readFrom; // may not exist: then the defaults apply
    QString writeTo;
};

// config.ini beside the program when it can be written there, as always.
// Otherwise (a program folder the operator cannot write, as in /usr or
// Program Files) config.ini in the user's configuration folder, and until
// the user has a file of their own, a config.ini beside the program (an
// administrator's preset) is where the settings start from.
SettingsFiles chooseSettingsFiles(const QString &appDirPath);

#endif
