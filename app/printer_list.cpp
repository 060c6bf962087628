#include "printer_list.h"

#include <QComboBox>
#include <QCoreApplication>

namespace {

// Marks the entry of a saved printer that is not installed.
const int missingRole = Qt::UserRole + 1;

} // namespace

void fillPrinterList(QComboBox *list, const QString &saved, const QStringList &installed)
{
    if (saved.isEmpty()) {
        list->addItem(QString(), QString());
    } else if (!installed.contains(saved)) {
        list->addItem(QCoreApplication::translate("MainWindow", "%1 (não encontrada)").arg(saved), saved);
        list->setItemData(list->count() - 1, true, missingRole);
    }
    for (const QString &name : installed)
        list->addItem(name, name);
    const int chosen = list->findData(saved);
    if (chosen >= 0)
        list->setCurrentIndex(chosen);
}

QString chosenPrinter(const QComboBox *list)
{
    const QVariant name = list->currentData();
    return name.isValid() ? name.toString() : list->currentText();
}

bool chosenPrinterMissing(const QComboBox *list)
{
    return list->currentData(missingRole).toBool();
}
