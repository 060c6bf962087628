#include "mainwindow.h"
#include "text_framing.h"
#include "ui_mainwindow.h"

// The bytes both direct-write roads send: the file framed by the margins
// the window shows now, behind the dot-matrix mode sequence.
QByteArray MainWindow::buildDirectText()
{
    return frameText(fileData, ui->margem_esquerda->value(), ui->margem_superior->value(),
                     ui->margem_inferior->value(),
                     dotMatrixPrefix(ui->matricialComboBox->currentText()));
}
