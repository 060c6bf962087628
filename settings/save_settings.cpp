#include "mainwindow.h"
#include "printer_list.h"
#include "settings_file.h"
#include "settings_io.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace {

void sayNotSaved(const QString &why, const QString &path)
{
    std::fprintf(stderr, "config.ini não foi salvo: %s: %s\n", qUtf8Printable(why), qUtf8Printable(path));
}

} // namespace

void MainWindow::saveSettings()
{
    using namespace SettingKeys;
    const QString path = settingsFiles.writeTo;
    if (path.isEmpty())
        return; // never initialised: nothing was loaded that could be kept
    qDebug() << path;

    // Writing defaults over a file we could not read would destroy the
    // shop's configuration, or hide the administrator's preset behind the
    // user's own file for good; leave it alone and say why.
    if (!settingsProblem.isEmpty()) {
        sayNotSaved(settingsProblem, settingsFiles.readFrom);
        return;
    }
    const QString problem = settingsFileProblem(path);
    if (!problem.isEmpty()) {
        sayNotSaved(problem, path);
        return;
    }

    QList<QPair<QString, QVariant>> values;
    values.append({QLatin1String(margemGeral.name), ui->margem_geral->value()});
    values.append({QLatin1String(margemEsquerda.name), ui->margem_esquerda->value()});
    values.append({QLatin1String(margemSuperior.name), ui->margem_superior->value()});
    values.append({QLatin1String(margemInferior.name), ui->margem_inferior->value()});
    values.append({QLatin1String(tamanhoFonte.name), ui->tamanho_fonte->value()});
    values.append({QLatin1String(fonteNegrito.name), ui->fonte_negrito->isChecked()});
    values.append({QLatin1String(nivel.name), ui->nivelComboBox->currentText()});
    values.append({QLatin1String(escritaDireta.name), ui->escritaDiretaComboBox->currentText()});
    values.append({QLatin1String(fonte.name), ui->fonteComboBox->currentText()});
    values.append({QLatin1String(impressora.name), chosenPrinter(ui->impressoras)});
    values.append({QLatin1String(SettingKeys::height.name), this->height()});
    values.append({QLatin1String(SettingKeys::width.name), this->width()});
    values.append({QLatin1String(SettingKeys::x.name), this->x()});
    values.append({QLatin1String(SettingKeys::y.name), this->y()});
    values.append({QLatin1String(matricial.name), ui->matricialComboBox->currentText()});
    values.append({QLatin1String(cortarPapel.name), ui->cortarPapelComboBox->currentText()});
    values.append({QLatin1String(codificacao.name), ui->codificacaoComboBox->currentText()});
    values.append({QLatin1String(etiquetas.name), ui->etiquetasComboBox->currentText()});
    values.append({QLatin1String(colunas.name), ui->colunas->value()});
    const QString failure = writeSettings(path, values);
    if (failure.isEmpty())
        return;
    sayNotSaved(failure, failure == QLatin1String("a pasta não pôde ser criada") ? QFileInfo(path).absolutePath() : path);
}
