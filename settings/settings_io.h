#ifndef ORVANE_SETTINGS_IO_H
#define ORVANE_SETTINGS_IO_H

#include "settings_keys.h"

#include <QString>

class QSettings;

// Reading rules shared by every key: an absent key gives its fallback.
QString readText(const QSettings &settings, const SettingKeys::TextKey &key);
// Text that is not a decimal integer reads as 0; values beyond int, of
// any number of digits, saturate.
int readInteger(const QSettings &settings, const char *name, int fallback);
int readInteger(const QSettings &settings, const SettingKeys::IntegerKey &key);
// A decimal integer clamped to [low, high]; any other text, or none, is
// the key's fallback.
int readBoundedInteger(const QSettings &settings, const SettingKeys::IntegerKey &key, int low, int high);
// Empty, "0" and "false" in any case are false; any other text is true.
bool readBoolean(const QSettings &settings, const SettingKeys::BooleanKey &key);

// Why an existing settings file must not be overwritten (it cannot be
// read, or the toolkit finds it malformed); empty when saving is safe.
QString settingsFileProblem(const QString &path);

#endif
