#include "printer_list.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>

#include <algorithm>

namespace {

// Marks the entry of a printer that is not installed.
const int missingRole = Qt::UserRole + 1;

QString nameOf(const QComboBox *list, int entry)
{
    return list->itemData(entry).toString();
}

bool missing(const QComboBox *list, int entry)
{
    return list->itemData(entry, missingRole).toBool();
}

void markMissing(QComboBox *list, int entry, bool marked)
{
    const QString name = nameOf(list, entry);
    list->setItemText(entry, marked ? QCoreApplication::translate("MainWindow", "%1 (não encontrada)").arg(name) : name);
    list->setItemData(entry, marked, missingRole);
}

} // namespace

void fillPrinterList(QComboBox *list, const QString &saved)
{
    list->addItem(saved, saved);
    list->setCurrentIndex(0);
}

void followInstalledPrinters(QComboBox *list, const QStringList &installed)
{
    // The operator is choosing: the list changes once the choice is made.
    if (list->view()->isVisible())
        return;
    for (int entry = list->count() - 1; entry >= 0; --entry) {
        const QString name = nameOf(list, entry);
        const bool gone = !name.isEmpty() && !installed.contains(name);
        if (entry == list->currentIndex()) {
            if (gone != missing(list, entry))
                markMissing(list, entry, gone);
        } else if (gone) {
            list->removeItem(entry);
        }
    }
    // The entries that are no printer (the empty one, the chosen printer
    // not installed) stay first; the printers follow in the spooler's order.
    int next = 0;
    while (next < list->count() && (nameOf(list, next).isEmpty() || missing(list, next)))
        ++next;
    for (const QString &name : installed) {
        const int entry = list->findData(name);
        if (entry >= 0) {
            next = std::max(next, entry + 1);
            continue;
        }
        list->insertItem(next, name, name);
        ++next;
    }
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
