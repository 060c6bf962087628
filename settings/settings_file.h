#ifndef ORVANE_SETTINGS_FILE_H
#define ORVANE_SETTINGS_FILE_H

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

// config.ini as technicians write it in Notepad: UTF-8 with or without a
// byte-order mark, Windows-1252 or UTF-16, "[Geral]" for "[geral]", and
// Windows paths typed with single backslashes. The toolkit's INI reader
// takes none of these as written, so it reads a plain copy of the text.
class SettingsFile
{
public:
    // The plain copy goes beside config.ini, or beside `savedTo` (the
    // file the settings will be written to) when that folder takes no new
    // file; with neither, in the temporary folder when there is one.
    explicit SettingsFile(const QString &path, const QString &savedTo = QString());

    const QSettings &settings() const { return *reader; }
    // Why the file cannot be used; empty when it can, or does not exist.
    QString problem() const { return why; }

private:
    std::unique_ptr<QTemporaryDir> plainCopy;
    std::unique_ptr<QSettings> reader;
    QString why;
};

// The text as the INI reader reads it as written: UTF-8 with no byte-order
// mark, the section "geral" in small letters, and a path or printer name
// with any single backslash in it kept as typed. A value whose backslashes
// are all doubled, as the program writes them, reads as it always has.
QByteArray plainSettingsText(const QByteArray &written);

// Writes the values over the keys config.ini holds now, every other key
// kept, as UTF-8 with one "[geral]". Empty when saved, else why not. The
// scratch copy is made beside config.ini, and nowhere else. A config.ini
// that is a link to a file that does not exist is not followed: the save
// would make a file wherever the link points.
QString writeSettings(const QString &path, const QList<QPair<QString, QVariant>> &values);

#endif
