#ifndef ORVANE_FILE_ARGUMENT_H
#define ORVANE_FILE_ARGUMENT_H

#include <QByteArray>
#include <QString>

class QFile;

// The file to print, named as the operating system names it. A point-of-sale
// program may pass any name its system can open ("Cupom Nº 1.txt", or on
// Linux a name in another encoding than the locale's), so the name is kept
// in the form that opens it, not only as text.
class FileArgument
{
public:
    // A name given as text (the wide command line on Windows, or a caller).
    FileArgument(const QString &path = QString());

    // The first argument left after QApplication has taken its own options.
    static FileArgument fromCommandLine(int argc, char **argv);

    QString path() const { return text; }

    // Reads the whole file, every carriage return dropped; a file that starts
    // with a UTF-16 byte-order mark is read as UTF-8. False when it
    // cannot be read whole: missing, not a regular file (a directory, a
    // FIFO, a device: never waited on), no permission, no name at all, or
    // larger than the program can hold. `refusal`, when given, then names
    // the rule that refused it ("arquivo inválido: ...").
    bool read(QByteArray &data, QString *refusal = nullptr) const;

    // The largest file read, in MB.
    static qint64 limitMb();

private:
    bool open(QFile &file, QString &refusal) const;
    bool readWhole(QByteArray &data, QString &refusal) const;

    QString text;
    // The bytes the file system holds, when the text cannot give them back.
    QByteArray nativeName;
};

#endif
