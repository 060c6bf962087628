#include "mainwindow.h"
#include "text_framing.h"
#include "ui_mainwindow.h"

// The size goes first so that the whole plain text takes it.
void MainWindow::showPreview()
{
    on_tamanho_fonte_valueChanged(ui->tamanho_fonte->value());
}

void MainWindow::on_tamanho_fonte_valueChanged(int arg1)
{
    ui->impressao->setFontPointSize(qreal(arg1));
    ui->impressao->setText(utf8UpToZero(fileData));
}
