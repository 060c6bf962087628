#include "mainwindow.h"
#include "direct_text.h"
#include "ui_mainwindow.h"

#include <QFileInfo>
#include <QLabel>

// Bad tags are told before the press, where the operator looks at the
// receipt; the print would refuse them anyway.
void MainWindow::showReceiptProblem()
{
    PrintJob job;
    job.tags = ui->etiquetasComboBox->currentText();
    job.fileData = fileData;
    job.columns = ui->colunas->value();
    job.fileFolder = QFileInfo(filePath).absolutePath();
    receiptStatus->setText(receiptProblem(job));
}
