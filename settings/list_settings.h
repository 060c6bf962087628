#ifndef ORVANE_LIST_SETTINGS_H
#define ORVANE_LIST_SETTINGS_H

#include "settings_keys.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

class QComboBox;
class QSettings;

// The settings whose value is one of a list's items (level, font, mode,
// cut, code page). Technicians type them by hand in config.ini, so a value
// names its item whatever its case and the spaces around it, and is saved
// in the list's own spelling. A value that names no item leaves the list
// as it is, is named on the diagnostics stream, and is saved back as it
// was written until the operator chooses in that list.
class ListSettings
{
public:
    // Selects the item the saved value of `key` names; one call per list,
    // after the list is filled.
    void restore(const QSettings &settings, const SettingKeys::TextKey &key, QComboBox *list);

    // Every restored key with the value to save.
    void appendValues(QList<QPair<QString, QVariant>> &values) const;

private:
    struct Entry;
    std::vector<std::shared_ptr<Entry>> entries;
};

// The item of `list` that `value` names, regardless of case and of the
// spaces around it; -1 when none does.
int findListItem(const QComboBox *list, const QString &value);

#endif
