#ifndef ORVANE_PRINTER_LIST_H
#define ORVANE_PRINTER_LIST_H

#include <QString>
#include <QStringList>

class QComboBox;

// The window's printer list. An entry's text is what the operator sees; its
// data is the printer's real name, which is what prints and what is saved.

// Starts the list with the saved printer alone, chosen (an empty entry when
// none is saved), until the spooler tells which printers are installed.
void fillPrinterList(QComboBox *list, const QString &saved);

// Makes the list follow the printers installed now, in the spooler's
// order, without ever moving the operator's choice: new printers are added,
// those gone are taken away, but the chosen entry stays, marked
// "NAME (não encontrada)" while its printer is not installed. The empty
// entry stays where it is.
void followInstalledPrinters(QComboBox *list, const QStringList &installed);

// The real name of the chosen entry (its text, for an entry added without one).
QString chosenPrinter(const QComboBox *list);

// Whether the chosen entry is a printer that is not installed.
bool chosenPrinterMissing(const QComboBox *list);

#endif
