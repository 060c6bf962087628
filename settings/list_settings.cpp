#include "list_settings.h"

#include "settings_io.h"

#include <QComboBox>
#include <QDebug>
#include <QPointer>

struct ListSettings::Entry {
    QString key;
    QPointer<QComboBox> list;
    QString unknown;          // the value as written, when it named no item
    bool chosen = false;      // the operator chose in the list since
};

int findListItem(const QComboBox *list, const QString &value)
{
    const QString wanted = value.trimmed();
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void ListSettings::restore(const QSettings &settings, const SettingKeys::TextKey &key, QComboBox *list)
{
    auto entry = std::make_shared<Entry>();
    entry->key = QLatin1String(key.name);
    entry->list = list;
    const QString value = readText(settings, key);
    const int item = findListItem(list, value);
    if (item >= 0) {
        list->setCurrentIndex(item);
    } else {
        entry->unknown = value;
        // A value of a megabyte is named by its beginning.
        const QString named = value.size() > 80 ? value.left(80) + QStringLiteral("...") : value;
        qDebug().noquote() << QStringLiteral("config.ini: valor desconhecido para %1: \"%2\"")
                                  .arg(entry->key.section(QLatin1Char('/'), -1), named);
        QObject::connect(list, QOverload<int>::of(&QComboBox::activated), list,
                         [entry] { entry->chosen = true; });
    }
    entries.push_back(entry);
}

void ListSettings::appendValues(QList<QPair<QString, QVariant>> &values) const
{
    for (const auto &entry : entries) {
        if (!entry->list)
            continue;
        const bool keep = !entry->unknown.isNull() && !entry->chosen;
        values.append({entry->key, keep ? entry->unknown : entry->list->currentText()});
    }
}
