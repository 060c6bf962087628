#include "mainwindow.h"
#include "settings_io.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QSettings>

#include <cstdio>

void MainWindow::saveSettings()
{
    using namespace SettingKeys;
    if (appDirPath.isEmpty())
        return; // never initialised: nothing was loaded that could be kept
    const QString path = settingsFilePath(appDirPath);
    qDebug() << path;

    // Writing defaults over a file we could not read would destroy the
    // shop's configuration; leave it alone and say why.
    const QString problem = settingsProblem.isEmpty() ? settingsFileProblem(path) : settingsProblem;
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "config.ini não foi salvo: %s: %s\n",
                     qUtf8Printable(problem), qUtf8Printable(path));
        return;
    }

    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(QLatin1String(margemGeral.name), ui->margem_geral->value());
    settings.setValue(QLatin1String(margemEsquerda.name), ui->margem_esquerda->value());
    settings.setValue(QLatin1String(margemSuperior.name), ui->margem_superior->value());
    settings.setValue(QLatin1String(margemInferior.name), ui->margem_inferior->value());
    settings.setValue(QLatin1String(tamanhoFonte.name), ui->tamanho_fonte->value());
    settings.setValue(QLatin1String(fonteNegrito.name), ui->fonte_negrito->isChecked());
    settings.setValue(QLatin1String(nivel.name), ui->nivelComboBox->currentText());
    settings.setValue(QLatin1String(escritaDireta.name), ui->escritaDiretaComboBox->currentText());
    settings.setValue(QLatin1String(fonte.name), ui->fonteComboBox->currentText());
    settings.setValue(QLatin1String(impressora.name), ui->impressoras->currentText());
    settings.setValue(QLatin1String(SettingKeys::height.name), this->height());
    settings.setValue(QLatin1String(SettingKeys::width.name), this->width());
    settings.setValue(QLatin1String(SettingKeys::x.name), this->x());
    settings.setValue(QLatin1String(SettingKeys::y.name), this->y());
    settings.setValue(QLatin1String(matricial.name), ui->matricialComboBox->currentText());
    settings.setValue(QLatin1String(cortarPapel.name), ui->cortarPapelComboBox->currentText());
    settings.sync();
}
