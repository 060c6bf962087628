// The printer's state in the operator's words, from what CUPS and the
// Windows spooler report.

#include "printer_state.h"

#include <QtTest>

Q_DECLARE_METATYPE(PrinterState::Reply)

class TestPrinterState : public QObject
{
    Q_OBJECT

private slots:
    // printer-state, printer-state-reasons (joined by ","), printer-state-message,
    // printer-is-accepting-jobs and queued-job-count as a CUPS queue reports them.
    void cups_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("reasons");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("accepting");
        QTest::addColumn<int>("jobs");
        QTest::addColumn<QString>("text");

        QTest::newRow("idle, its message not shown") << 3 << "none" << "Ready to print." << true << 0 << "pronta";
        QTest::newRow("the message on one line") << 5 << "paused" << " troca\nde\tbobina \r\n" << true << 0
                                                  << "pausada: troca de bobina";
        QTest::newRow("paused with no reason given") << 5 << "paused" << "Paused" << true << 0 << "pausada";
        QTest::newRow("paused, then refusing with no reason given") << 5 << "paused" << "Rejecting Jobs" << false << 0
                                                                    << "pausada, não aceita trabalhos";
        QTest::newRow("a message of blanks") << 5 << "paused" << " \n " << true << 0 << "pausada";
        QTest::newRow("the roll ran out") << 5 << "media-empty-error" << "bobina acabou" << true << 1
                                          << "pausada: bobina acabou, sem papel, 1 trabalho na fila";
        QTest::newRow("refusing jobs with a reason") << 3 << "none" << "Em manutencao\n" << false << 1
                                                     << "não aceita trabalhos: Em manutencao, 1 trabalho na fila";
        QTest::newRow("refusing jobs with no reason given") << 3 << "none" << "Rejecting Jobs" << false << 0
                                                            << "não aceita trabalhos";
        QTest::newRow("paused and refusing: the reason said once") << 5 << "paused" << "Em manutencao" << false << 0
                                                                   << "pausada: Em manutencao, não aceita trabalhos";
        QTest::newRow("idle with a condition is not ready") << 3 << "media-needed-warning" << "" << true << 0 << "sem papel";
        QTest::newRow("every condition, in order")
            << 4 << "other-error,offline-report,cover-open-warning,media-jam-error,media-empty-report,door-open"
            << "" << true << 12 << "imprimindo, sem papel, papel atolado, tampa aberta, offline, com erro, 12 trabalhos na fila";
        QTest::newRow("warnings and reports of other kinds say nothing")
            << 3 << "toner-low-warning,cups-waiting-for-job-completed,connecting-to-device-report" << "" << true << 0
            << "pronta";
        QTest::newRow("an unknown error") << 3 << "cups-insecure-filter-error" << "" << true << 0 << "com erro";
        QTest::newRow("a negative job count") << 3 << "none" << "" << true << -1 << "pronta";
    }

    void cups()
    {
        QFETCH(int, state);
        QFETCH(QString, reasons);
        QFETCH(QString, message);
        QFETCH(bool, accepting);
        QFETCH(int, jobs);
        QFETCH(QString, text);
        std::vector<std::string> keywords;
        for (const QString &reason : reasons.split(',', Qt::SkipEmptyParts))
            keywords.push_back(reason.toStdString());
        const PrinterState printer = printerStateFromCups(state, keywords, message.toStdString(), accepting, jobs);
        QCOMPARE(QString::fromStdString(printerStateText(printer)), text);
    }

    // PRINTER_INFO_2's Status, Attributes and cJobs.
    void windows_data()
    {
        QTest::addColumn<quint32>("status");
        QTest::addColumn<quint32>("attributes");
        QTest::addColumn<quint32>("jobs");
        QTest::addColumn<QString>("text");

        const quint32 local = 0x40, network = 0x10;
        QTest::newRow("printing (PROCESSING)") << 0x4000u << local << 3u << "imprimindo, 3 trabalhos na fila";
        QTest::newRow("paused while printing") << 0x401u << local << 2u << "pausada, 2 trabalhos na fila";
        QTest::newRow("paper out, with the error bit") << 0x12u << local << 1u << "sem papel, 1 trabalho na fila";
        QTest::newRow("door open while printing") << 0x400400u << local << 1u << "imprimindo, tampa aberta, 1 trabalho na fila";
        QTest::newRow("offline") << 0x80u << network << 0u << "offline";
        QTest::newRow("used offline (WORK_OFFLINE)") << 0u << (local | 0x400u) << 2u << "offline, 2 trabalhos na fila";
        QTest::newRow("an error the spooler does not name") << 0x2u << local << 0u << "com erro";
        QTest::newRow("every condition") << 0x40009bu << local << 0u
                                         << "pausada, sem papel, papel atolado, tampa aberta, offline";
        QTest::newRow("bits not shown") << 0x20000u << local << 0u << "pronta"; // TONER_LOW
    }

    void windows()
    {
        QFETCH(quint32, status);
        QFETCH(quint32, attributes);
        QFETCH(quint32, jobs);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(printerStateText(printerStateFromWinspool(status, attributes, jobs))), text);
    }

    // When the spooler gives no state, whatever else the record holds.
    void noState_data()
    {
        QTest::addColumn<PrinterState::Reply>("reply");
        QTest::addColumn<QString>("text");
        QTest::newRow("not installed") << PrinterState::Reply::notFound << "não encontrada";
        QTest::newRow("no answer") << PrinterState::Reply::noAnswer << "servidor de impressão não responde";
    }

    void noState()
    {
        QFETCH(PrinterState::Reply, reply);
        QFETCH(QString, text);
        PrinterState state = printerStateFromCups(5, {"media-empty-error"}, "bobina acabou", false, 3);
        state.reply = reply;
        QCOMPARE(QString::fromStdString(printerStateText(state)), text);
    }
};

QTEST_GUILESS_MAIN(TestPrinterState)
#include "tst_printer_state.moc"
