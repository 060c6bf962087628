#ifndef ORVANE_PRINTER_LIST_H
#define ORVANE_PRINTER_LIST_H

#include <QString>
#include <QStringList>

class QComboBox;

// The window's printer list. An entry's text is what the operator sees; its
// data is the printer's real name, which is what prints and what is saved.

// Fills the list and selects the saved printer. An empty saved printer puts
// an empty entry first. A saved printer that is not installed is never
// swapped for another: it gets an entry of its own, first and selected,
// marked "NAME (não encontrada)".
void fillPrinterList(QComboBox *list, const QString &saved, const QStringList &installed);

// The real name of the chosen entry (its text, for an entry added without one).
QString chosenPrinter(const QComboBox *list);

// Whether the chosen entry is a saved printer that was not installed.
bool chosenPrinterMissing(const QComboBox *list);

#endif
