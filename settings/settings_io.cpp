#include "settings_io.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <limits>

QString readText(const QSettings &settings, const SettingKeys::TextKey &key)
{
    return settings.value(QLatin1String(key.name), QString::fromUtf8(key.fallback)).toString();
}

int readInteger(const QSettings &settings, const char *name, int fallback)
{
    const QVariant value = settings.value(QLatin1String(name));
    if (!value.isValid())
        return fallback;
    bool ok = false;
    const qlonglong number = value.toString().toLongLong(&ok);
    if (!ok)
        return 0;
    if (number > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (number < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(number);
}

int readInteger(const QSettings &settings, const SettingKeys::IntegerKey &key)
{
    return readInteger(settings, key.name, key.fallback);
}

bool readBoolean(const QSettings &settings, const SettingKeys::BooleanKey &key)
{
    const QVariant value = settings.value(QLatin1String(key.name));
    if (!value.isValid())
        return key.fallback;
    const QString text = value.toString();
    return !(text.isEmpty() || text == QLatin1String("0")
             || text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0);
}

QString settingsFileProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return QStringLiteral("o arquivo existe mas não pode ser lido");
    file.close();
    // In a GUI application the file is only parsed on first use, so read
    // it before asking how the parse went.
    const QSettings probe(path, QSettings::IniFormat);
    probe.allKeys();
    if (probe.status() == QSettings::FormatError)
        return QStringLiteral("o arquivo está malformado");
    return QString();
}
