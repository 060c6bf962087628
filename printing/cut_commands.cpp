#include "mainwindow.h"
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
