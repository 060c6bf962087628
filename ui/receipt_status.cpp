#include "mainwindow.h"
#include "direct_text.h"
#include "ui_mainwindow.h"

#include <QLabel>

// Bad tags are told before the press, where the operator looks at the
// receipt; the print would refuse them anyway.
void MainWindow::showReceiptProblem()
{
    PrintJob job;
    job.tags = ui->etiquetasComboBox->currentText();
    job.fileData = fileData;
    receiptStatus->setText(receiptProblem(job));
}
