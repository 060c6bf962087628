// The printer's state in words, and how each spooler's report becomes one.
// Plain functions on every platform, so that both mappings are tested here.

#include "printer_state.h"

namespace {

bool endsWith(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A reason keyword without its severity suffix ("media-empty-error" is
// "media-empty").
std::string withoutSeverity(const std::string &reason)
{
    for (const char *suffix : {"-error", "-warning", "-report"}) {
        if (endsWith(reason, suffix))
            return reason.substr(0, reason.size() - std::string(suffix).size());
    }
    return reason;
}

// One line of text however the spooler wrote it: control characters become
// spaces, and none lead or trail.
std::string oneLine(const std::string &text)
{
    std::string line;
    for (char c : text)
        line += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? ' ' : c;
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return line.substr(first, line.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string printerStateText(const PrinterState &state)
{
    if (state.reply == PrinterState::Reply::notFound)
        return "não encontrada";
    if (state.reply == PrinterState::Reply::noAnswer)
        return "servidor de impressão não responde";

    const bool condition = state.paperOut || state.paperJam || state.doorOpen || state.offline
                           || state.otherError;
    std::vector<std::string> parts;
    switch (state.activity) {
    case PrinterState::Activity::idle:
        if (state.acceptingJobs && !condition)
            parts.push_back("pronta");
        break;
    case PrinterState::Activity::printing:
        parts.push_back("imprimindo");
        break;
    case PrinterState::Activity::paused: {
        const std::string message = oneLine(state.message);
        parts.push_back(message.empty() ? "pausada" : "pausada: " + message);
        break;
    }
    }
    if (!state.acceptingJobs) {
        // The reason goes with the pause when there is one.
        const std::string message = state.activity == PrinterState::Activity::paused ? std::string()
                                                                                      : oneLine(state.message);
        parts.push_back(message.empty() ? "não aceita trabalhos" : "não aceita trabalhos: " + message);
    }
    if (state.paperOut)
        parts.push_back("sem papel");
    if (state.paperJam)
        parts.push_back("papel atolado");
    if (state.doorOpen)
        parts.push_back("tampa aberta");
    if (state.offline)
        parts.push_back("offline");
    if (state.otherError)
        parts.push_back("com erro");
    if (state.queuedJobs == 1)
        parts.push_back("1 trabalho na fila");
    else if (state.queuedJobs > 1)
        parts.push_back(std::to_string(state.queuedJobs) + " trabalhos na fila");

    std::string text;
    for (const std::string &part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

PrinterState printerStateFromCups(int printerState, const std::vector<std::string> &reasons,
                                  const std::string &message, bool acceptingJobs, int queuedJobs)
{
    PrinterState state;
    state.reply = PrinterState::Reply::known;
    state.activity = printerState == 5   ? PrinterState::Activity::paused
                     : printerState == 4 ? PrinterState::Activity::printing
                                         : PrinterState::Activity::idle;
    // The scheduler's own words for a queue paused or refusing jobs with no
    // reason given repeat what the state says.
    if ((state.activity == PrinterState::Activity::paused || !acceptingJobs) && message != "Paused"
        && message != "Rejecting Jobs")
        state.message = message;
    state.acceptingJobs = acceptingJobs;
    state.queuedJobs = queuedJobs > 0 ? queuedJobs : 0;
    for (const std::string &reason : reasons) {
        const std::string kind = withoutSeverity(reason);
        if (kind == "media-empty" || kind == "media-needed")
            state.paperOut = true;
        else if (kind == "media-jam")
            state.paperJam = true;
        else if (kind == "door-open" || kind == "cover-open")
            state.doorOpen = true;
        else if (kind == "offline")
            state.offline = true;
        else if (endsWith(reason, "-error"))
            state.otherError = true;
    }
    return state;
}

PrinterState printerStateFromWinspool(std::uint32_t status, std::uint32_t attributes,
                                      std::uint32_t jobs)
{
    // PRINTER_STATUS_* and PRINTER_ATTRIBUTE_* of winspool.h.
    const std::uint32_t paused = 0x1, error = 0x2, paperJam = 0x8, paperOut = 0x10,
                        offline = 0x80, printing = 0x400, processing = 0x4000,
                        doorOpen = 0x400000;
    const std::uint32_t workOffline = 0x400;

    PrinterState state;
    state.reply = PrinterState::Reply::known;
    state.activity = (status & paused)                  ? PrinterState::Activity::paused
                     : (status & (printing | processing)) ? PrinterState::Activity::printing
                                                          : PrinterState::Activity::idle;
    state.paperJam = status & paperJam;
    state.paperOut = status & paperOut;
    state.doorOpen = status & doorOpen;
    state.offline = (status & offline) || (attributes & workOffline);
    // The spooler sets the error bit beside the condition it names: "com
    // erro" is for an error it does not name.
    state.otherError = (status & error) && !(state.paperJam || state.paperOut || state.doorOpen
                                             || state.offline);
    state.queuedJobs = jobs > 1000000 ? 1000000 : static_cast<int>(jobs);
    return state;
}
