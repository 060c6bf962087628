#ifndef ORVANE_TESTS_OUTPUT_CAPTURE_H
#define ORVANE_TESTS_OUTPUT_CAPTURE_H

#include <QByteArray>
#include <QList>

#include <iostream>
#include <ostream>
#include <streambuf>

// A stream buffer that keeps every byte written and, at each flush, what had
// been written up to then: a flush is visible as one entry of flushes.
class RecordingBuffer : public std::streambuf
{
public:
    QByteArray text;
    QList<QByteArray> flushes;

protected:
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            text.append(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char *s, std::streamsize n) override
    {
        text.append(s, static_cast<int>(n));
        return n;
    }
    int sync() override
    {
        flushes.append(text);
        return 0;
    }
};

// Sends std::cout into a RecordingBuffer while it lives.
class CoutCapture
{
public:
    CoutCapture() : previous(std::cout.rdbuf(&buffer)) {}
    ~CoutCapture() { std::cout.rdbuf(previous); }
    CoutCapture(const CoutCapture &) = delete;
    CoutCapture &operator=(const CoutCapture &) = delete;

    RecordingBuffer buffer;

private:
    std::streambuf *previous;
};

// The three lines every call starts with.
inline QByteArray debugLines(const QByteArray &echo, const QByteArray &printer)
{
    return "debug (text): " + echo + "\ndebug (printerName): " + printer + "\ndebug (text): " + echo
           + "\n";
}

// The data as the debug lines show it: up to the first zero byte.
inline QByteArray echoOf(const QByteArray &data)
{
    const int zero = data.indexOf('\0');
    return zero < 0 ? data : data.left(zero);
}

#endif
