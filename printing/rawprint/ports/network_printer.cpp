#include "network_printer.h"

#include "print_control.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sstream>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
using Socket = SOCKET;
const Socket noSocket = INVALID_SOCKET;
int lastError() { return WSAGetLastError(); }
const int wouldBlock = WSAEWOULDBLOCK;
const int refused = WSAECONNREFUSED;
void closeSocket(Socket s) { closesocket(s); }
bool setNonBlocking(Socket s)
{
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}
std::string errorText(int code) { return "erro " + std::to_string(code) + " do Windows"; }
#else
using Socket = int;
const Socket noSocket = -1;
int lastError() { return errno; }
const int wouldBlock = EWOULDBLOCK;
const int refused = ECONNREFUSED;
void closeSocket(Socket s) { ::close(s); }
bool setNonBlocking(Socket s)
{
    const int flags = ::fcntl(s, F_GETFL);
    return flags >= 0 && ::fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
std::string errorText(int code) { return std::strerror(code); }
#endif

bool blockedNow(int code)
{
#ifdef _WIN32
    return code == WSAEWOULDBLOCK || code == WSAEINPROGRESS;
#else
    return code == EAGAIN || code == EWOULDBLOCK || code == EINPROGRESS || code == EINTR;
#endif
}

// Up to `ms` for the socket to take bytes (or end a connect), or to have
// bytes to read; true when it is ready.
bool waitReady(Socket s, bool forWrite, int ms)
{
#ifdef _WIN32
    WSAPOLLFD entry = {};
    entry.fd = s;
    entry.events = forWrite ? POLLWRNORM : POLLRDNORM;
    return WSAPoll(&entry, 1, ms) > 0;
#else
    pollfd entry = {s, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    return ::poll(&entry, 1, ms) > 0;
#endif
}

void pause(std::chrono::milliseconds length)
{
    std::this_thread::sleep_for(length);
}

// Winsock once per program.
void startSockets()
{
#ifdef _WIN32
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
#endif
}

// The answer of one name resolution, shared with the thread that waits
// for it: a resolver that never answers keeps only its own thread.
struct Resolution {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    int error = 0;
    addrinfo *addresses = nullptr;
    ~Resolution()
    {
        if (addresses)
            freeaddrinfo(addresses);
    }
};

const std::chrono::milliseconds retryPause{500};
const std::size_t pieceSize = 64 * 1024;

} // namespace

struct NetworkPrinter::Link {
    PortTarget target;
    PrintControl &control;
    std::string address;
    Socket socket = noSocket;
    std::size_t sent = 0;
    std::size_t given = 0;
    // The status questions among the bytes sent, not counted as the print's.
    std::size_t questions = 0;
    bool failed = false;

    Link(const PortTarget &target, PrintControl &control)
        : target(target), control(control), address(networkAddressText(target))
    {
    }

    // Bytes sent that the printer has not acknowledged yet.
    std::size_t unacknowledged() const
    {
#ifdef _WIN32
        return 0;
#else
        int queued = 0;
        if (socket == noSocket || ::ioctl(socket, SIOCOUTQ, &queued) != 0 || queued < 0)
            return 0;
        return std::min(static_cast<std::size_t>(queued), sent);
#endif
    }

    // The bytes of the print the printer has acknowledged; kept from the
    // last look while the connection was sound, as a connection reset
    // forgets what it held.
    std::size_t lastTaken = 0;
    std::size_t taken()
    {
        if (socket != noSocket && pendingError() == 0) {
            const std::size_t acknowledged = sent - unacknowledged();
            lastTaken = acknowledged > questions ? acknowledged - questions : 0;
        }
        return lastTaken;
    }

    // The error the connection met (the printer reset it), once; 0 while
    // it is sound.
    int error = 0;
    int pendingError()
    {
        if (error == 0 && socket != noSocket) {
            int result = 0;
            socklen_t size = sizeof result;
            if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&result), &size) == 0)
                error = result;
        }
        return error;
    }

    std::string stopped(const std::string &what) const
    {
        if (control.abandoned())
            return "impressao abandonada";
        return "a impressora em " + address + " " + what;
    }

    bool quiet = false;
    void reportOpenFailure(const std::string &reason)
    {
        failed = true;
        if (quiet)
            return;
        std::fprintf(stderr, "escrita direta: nao foi possivel abrir %s: %s\n", address.c_str(), reason.c_str());
    }

    void reportStop(const std::string &reason)
    {
        std::fprintf(stderr, "escrita direta: %zu de %zu bytes enviados antes de parar: %s\n", lastTaken, given,
                     reason.c_str());
        failed = true;
    }

    // The addresses of the name, or null (and said) when there are none
    // within the limit.
    std::shared_ptr<Resolution> resolve()
    {
        auto resolution = std::make_shared<Resolution>();
        const std::string host = target.host;
        const std::string port = std::to_string(target.port);
        // An address needs no resolver, and no thread to wait on one.
        addrinfo numeric = {};
        numeric.ai_family = AF_UNSPEC;
        numeric.ai_socktype = SOCK_STREAM;
        numeric.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
        if (getaddrinfo(host.c_str(), port.c_str(), &numeric, &resolution->addresses) == 0 && resolution->addresses)
            return resolution;
        resolution->addresses = nullptr;
        try {
            std::thread([resolution, host, port] {
                addrinfo hints = {};
                hints.ai_family = AF_UNSPEC;
                hints.ai_socktype = SOCK_STREAM;
                addrinfo *found = nullptr;
                const int error = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
                std::lock_guard<std::mutex> hold(resolution->lock);
                resolution->error = error;
                resolution->addresses = found;
                resolution->finished = true;
                resolution->done.notify_all();
            }).detach();
        } catch (const std::system_error &) {
            reportOpenFailure("sem recursos para resolver o nome");
            return nullptr;
        }
        std::unique_lock<std::mutex> hold(resolution->lock);
        while (!resolution->done.wait_for(hold, std::chrono::milliseconds(100),
                                          [&] { return resolution->finished; })) {
            if (control.shouldStop()) {
                hold.unlock();
                reportOpenFailure(control.abandoned() ? "impressao abandonada" : "o nome nao foi resolvido a tempo");
                return nullptr;
            }
        }
        if (resolution->error != 0 || !resolution->addresses) {
            hold.unlock();
            reportOpenFailure("nome nao encontrado");
            return nullptr;
        }
        return resolution;
    }

    // One attempt on one address: the socket connected, or noSocket with
    // the error.
    Socket connectTo(const addrinfo &address, int &error)
    {
        const Socket s = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
        if (s == noSocket) {
            error = lastError();
            return noSocket;
        }
        if (!setNonBlocking(s)) {
            error = lastError();
            closeSocket(s);
            return noSocket;
        }
        // The status questions after a receipt go at once, not when the
        // printer gets round to acknowledging the receipt (some 40 ms later).
        const int on = 1;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on), sizeof on);
        if (::connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0)
            return s;
        error = lastError();
        if (!blockedNow(error)) {
            closeSocket(s);
            return noSocket;
        }
        while (!waitReady(s, true, 100)) {
            if (control.shouldStop()) {
                error = 0;
                closeSocket(s);
                return noSocket;
            }
        }
        int result = 0;
        socklen_t size = sizeof result;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&result), &size) != 0)
            result = lastError();
        if (result != 0) {
            error = result;
            closeSocket(s);
            return noSocket;
        }
        return s;
    }
};

NetworkPrinter::NetworkPrinter(const PortTarget &target, PrintControl &control)
    : link(std::make_unique<Link>(target, control))
{
    startSockets();
}

NetworkPrinter::~NetworkPrinter()
{
    close();
}

bool NetworkPrinter::isOpen() const
{
    return link->socket != noSocket;
}

const std::string &NetworkPrinter::address() const
{
    return link->address;
}

std::size_t NetworkPrinter::bytesTaken() const
{
    return link->taken();
}

bool NetworkPrinter::open(bool report)
{
    Link &l = *link;
    l.quiet = !report;
    WaitScope wait(&l.control);
    const std::shared_ptr<Resolution> resolution = l.resolve();
    if (!resolution)
        return false;
    int error = 0;
    for (;;) {
        bool anyRefused = false;
        for (const addrinfo *address = resolution->addresses; address; address = address->ai_next) {
            l.socket = l.connectTo(*address, error);
            if (l.socket != noSocket)
                return true;
            anyRefused = anyRefused || error == refused;
        }
        if (l.control.shouldStop() || !anyRefused)
            break;
        // Busy with another till, or still starting: asked again shortly.
        const auto next = std::chrono::steady_clock::now() + retryPause;
        while (std::chrono::steady_clock::now() < next && !l.control.abandoned())
            pause(std::chrono::milliseconds(20));
        if (l.control.shouldStop())
            break;
    }
    if (l.control.abandoned())
        l.reportOpenFailure("impressao abandonada");
    else if (error == refused)
    {
        std::ostringstream text;
        text << "a impressora recusou a conexao por " << l.control.noAnswerLimit().count() / 1000.0 << " s";
        l.reportOpenFailure(text.str());
    }
    else if (error == 0)
        l.reportOpenFailure("a impressora nao respondeu");
    else
        l.reportOpenFailure(errorText(error));
    return false;
}

bool NetworkPrinter::write(const char *data, std::size_t length)
{
    if (!isOpen() || link->failed)
        return false;
    link->given += length;
    return sendAll(data, length);
}

bool NetworkPrinter::sendAll(const char *data, std::size_t length)
{
    Link &l = *link;
    WaitScope wait(&l.control);
    std::size_t taken = l.taken();
    for (std::size_t at = 0; at < length;) {
        const int size = static_cast<int>(std::min(length - at, pieceSize));
#ifdef _WIN32
        const int result = ::send(l.socket, data + at, size, 0);
#else
        const int result = static_cast<int>(::send(l.socket, data + at, static_cast<std::size_t>(size), MSG_NOSIGNAL));
#endif
        if (result > 0) {
            at += static_cast<std::size_t>(result);
            l.sent += static_cast<std::size_t>(result);
            l.control.beginWait();
            continue;
        }
        const int error = lastError();
        if (result < 0 && !blockedNow(error)) {
            l.reportStop(l.stopped("fechou a conexao (" + errorText(error) + ")"));
            return false;
        }
        waitReady(l.socket, true, 100);
        if (l.pendingError() != 0) {
            l.reportStop(l.stopped("fechou a conexao (" + errorText(l.error) + ")"));
            return false;
        }
        // The kernel's buffer is full: what the printer takes from it is
        // progress too.
        const std::size_t now = l.taken();
        if (now != taken) {
            taken = now;
            l.control.beginWait();
        } else if (l.control.shouldStop()) {
            l.reportStop(l.stopped("parou de receber"));
            return false;
        }
    }
    return true;
}

bool NetworkPrinter::finish()
{
    Link &l = *link;
    if (!isOpen() || l.failed)
        return false;
    WaitScope wait(&l.control);
    l.taken();
    std::size_t left = l.unacknowledged();
    while (left > 0) {
        // A receipt's last bytes are acknowledged within a millisecond on a
        // near printer: a coarse look would add to every print.
        pause(std::chrono::milliseconds(1));
        l.taken();
        if (l.pendingError() != 0) {
            l.reportStop(l.stopped("fechou a conexao (" + errorText(l.error) + ")"));
            return false;
        }
        const std::size_t now = l.unacknowledged();
        if (now != left) {
            left = now;
            l.control.beginWait();
        } else if (l.control.shouldStop()) {
            l.reportStop(l.stopped("parou de receber"));
            return false;
        }
    }
    if (l.pendingError() != 0) {
        l.reportStop(l.stopped("fechou a conexao (" + errorText(l.error) + ")"));
        return false;
    }
    return !l.control.abandoned();
}

std::string NetworkPrinter::ask(const std::string &question, std::size_t answerSize, std::chrono::milliseconds wait)
{
    Link &l = *link;
    std::string answer;
    if (!isOpen() || l.failed)
        return answer;
    char buffer[256];
    // An answer to an earlier question, late, is not this one's.
    while (waitReady(l.socket, false, 0) && ::recv(l.socket, buffer, sizeof buffer, 0) > 0) {
    }
    l.questions += question.size();
    if (!sendAll(question.data(), question.size()))
        return answer;
    const auto end = std::chrono::steady_clock::now() + wait;
    while (answer.size() < answerSize) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitReady(l.socket, false, static_cast<int>(left.count())))
            break;
        const int got = static_cast<int>(::recv(l.socket, buffer, static_cast<int>(std::min(sizeof buffer, answerSize - answer.size())), 0));
        if (got <= 0)
            break;
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    return answer;
}

void NetworkPrinter::close()
{
    if (link->socket != noSocket) {
        closeSocket(link->socket);
        link->socket = noSocket;
    }
}
