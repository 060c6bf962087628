#include "settings_io.h"

#include "settings_file.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

#include <algorithm>
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
    const QString text = value.toString();
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok);
    if (!ok) {
        // A number of more digits than any integer holds is still a number:
        // it saturates like a smaller one.
        static const QRegularExpression decimal(QStringLiteral("^\\s*([+-]?)[0-9]+\\s*$"));
        const QRegularExpressionMatch match = decimal.match(text);
        if (!match.hasMatch())
            return 0;
        return match.captured(1) == QLatin1String("-") ? std::numeric_limits<int>::min()
                                                       : std::numeric_limits<int>::max();
    }
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

int readBoundedInteger(const QSettings &settings, const SettingKeys::IntegerKey &key, int low, int high)
{
    static const QRegularExpression decimal(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    if (!decimal.match(settings.value(QLatin1String(key.name)).toString()).hasMatch())
        return key.fallback;
    return std::clamp(readInteger(settings, key), low, high);
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
    return SettingsFile(path).problem();
}
