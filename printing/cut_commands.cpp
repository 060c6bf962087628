#include "mainwindow.h"
#include "raw_spooler.h"
#include "ui_mainwindow.h"

namespace {

struct CutPreset {
    const char *name;
    const char bytes[2];
};

// Receipt printers of several makers cut the paper on these two bytes.
const CutPreset cutPresets[] = {
    {"epson corte total", {0x1b, 0x69}},
    {"epson corte parcial", {0x1b, 0x6d}},
    {"bematech corte total", {0x1b, 0x77}},
    {"bematech corte parcial", {0x1b, 0x6d}},
    {"daruma corte total", {0x1b, 0x77}},
    {"samsung corte total", {0x1b, 0x77}},
    {"samsung corte parcial", {0x1b, 0x6d}},
};

} // namespace

void MainWindow::loadCutCommands()
{
    for (const CutPreset &preset : cutPresets)
        cutCommands.insert(QString::fromLatin1(preset.name), QByteArray(preset.bytes, 2));

    // The map keeps its names in order: the list shows them sorted.
    ui->cortarPapelComboBox->addItem(QString());
    ui->cortarPapelComboBox->addItems(cutCommands.keys());
}

// The cut always goes as a raw document of its own; with no preset chosen
// that document is empty.
void MainWindow::sendCutCommand(QString printerName)
{
    QByteArray sequence;
    const QString choice = ui->cortarPapelComboBox->currentText();
    if (!choice.isEmpty())
        sequence = cutCommands.value(choice);
    const QByteArray name = printerName.toLocal8Bit();
    sendRawToPrinter(name.constData(), sequence.constData(), sequence.size());
}
