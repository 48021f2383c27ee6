// LoopbackHttpServer.cpp - the scripted loopback HTTP server.
#include "tests/support/LoopbackHttpServer.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace YRAPI::test {
namespace {

constexpr std::chrono::milliseconds kReadLimit{5000};  // the longest silence in a head

using socket_id = CLoopbackHttpServer::socket_id;

#if defined(_WIN32)
// Windows Sockets has no way to wake a blocking accept or poll from another thread short of
// closing the socket under it; the server wakes its accept by connecting to itself and waits
// for a client in short slices, looking for the destructor's stop between them.
constexpr std::chrono::milliseconds kSlice{20};

// Windows Sockets must be started in each program that uses it; counted, so one per server.
struct CSocketsStarted {
    CSocketsStarted() {
        WSADATA data{};
        bOk = WSAStartup(0x0202, &data) == 0;
    }
    ~CSocketsStarted() {
        if (bOk) WSACleanup();
    }
    bool bOk = false;
};

SOCKET Native(socket_id nSocket) { return static_cast<SOCKET>(nSocket); }
socket_id OpenSocket() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    return s == INVALID_SOCKET ? -1 : static_cast<socket_id>(s);
}
socket_id AcceptOn(socket_id nListen) {
    SOCKET s = accept(Native(nListen), nullptr, nullptr);
    return s == INVALID_SOCKET ? -1 : static_cast<socket_id>(s);
}
void CloseSocket(socket_id nSocket) {
    if (nSocket != -1) closesocket(Native(nSocket));
}
int PollFor(socket_id nSocket, int nMs) {
    WSAPOLLFD fd{Native(nSocket), POLLRDNORM, 0};
    return WSAPoll(&fd, 1, nMs);
}
long Receive(socket_id nSocket, char* pBuffer, std::size_t nSize) {
    return recv(Native(nSocket), pBuffer, static_cast<int>(nSize), 0);
}
// A blocking send returns once everything is sent or the client has gone.
bool Send(socket_id nSocket, const std::string& szData) {
    return send(Native(nSocket), szData.data(), static_cast<int>(szData.size()), 0) ==
           static_cast<int>(szData.size());
}
#else
int Native(socket_id nSocket) { return static_cast<int>(nSocket); }
socket_id OpenSocket() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }
socket_id AcceptOn(socket_id nListen) {
    return accept4(Native(nListen), nullptr, nullptr, SOCK_CLOEXEC);
}
void CloseSocket(socket_id nSocket) {
    if (nSocket != -1) close(Native(nSocket));
}
int PollFor(socket_id nSocket, int nMs) {
    pollfd fd{Native(nSocket), POLLIN, 0};
    return poll(&fd, 1, nMs);
}
long Receive(socket_id nSocket, char* pBuffer, std::size_t nSize) {
    return recv(Native(nSocket), pBuffer, nSize, 0);
}
// A blocking send returns once everything is sent or the client has gone. No SIGPIPE.
bool Send(socket_id nSocket, const std::string& szData) {
    return send(Native(nSocket), szData.data(), szData.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(szData.size());
}
#endif

}  // namespace

CLoopbackHttpServer::CLoopbackHttpServer(handler answer) : answer(std::move(answer)) {
#if defined(_WIN32)
    static CSocketsStarted started;  // for the whole test program
#endif
    nListen = OpenSocket();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof(address);
    if (nListen == -1 ||
        bind(Native(nListen), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(Native(nListen), 64) != 0 ||
        getsockname(Native(nListen), reinterpret_cast<sockaddr*>(&address), &nLength) != 0) {
        CloseSocket(nListen);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    nPort = ntohs(address.sin_port);
    acceptor = std::thread([this] {
        for (;;) {
            socket_id nSocket = AcceptOn(nListen);
            std::unique_lock<std::mutex> lock(mutex);
            if (bStop) {
                CloseSocket(nSocket);
                return;
            }
            if (nSocket == -1) continue;
            nServing = nSocket;
            lock.unlock();
            Serve(nSocket);
            lock.lock();
            nServing = -1;
            CloseSocket(nSocket);
        }
    });
}

CLoopbackHttpServer::~CLoopbackHttpServer() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        bStop = true;
#if !defined(_WIN32)
        // Wakes every wait of the connection being served.
        if (nServing != -1) shutdown(Native(nServing), SHUT_RDWR);
#endif
    }
#if defined(_WIN32)
    // Wakes the acceptor with a connection of our own; it sees the stop and ends. (A connection
    // being served sees the stop within one slice of its waits.)
    socket_id nWake = OpenSocket();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(nPort));
    connect(Native(nWake), reinterpret_cast<sockaddr*>(&address), sizeof(address));
    acceptor.join();
    CloseSocket(nWake);
#else
    shutdown(Native(nListen), SHUT_RDWR);  // wakes the acceptor: accept fails from now on
    acceptor.join();
#endif
    CloseSocket(nListen);
}

std::string CLoopbackHttpServer::Url(const std::string& szPath) const {
    return "http://127.0.0.1:" + std::to_string(nPort) + szPath;
}

std::vector<http_request> CLoopbackHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

bool CLoopbackHttpServer::Stopping() const {
    std::lock_guard<std::mutex> lock(mutex);
    return bStop;
}

bool CLoopbackHttpServer::Quiet(socket_id nSocket, std::chrono::milliseconds d) const {
#if defined(_WIN32)
    auto deadline = std::chrono::steady_clock::now() + d;
    for (;;) {
        if (Stopping()) return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return true;
        if (PollFor(nSocket, static_cast<int>(std::min(left, kSlice).count())) != 0) return false;
    }
#else
    return PollFor(nSocket, static_cast<int>(d.count())) == 0;
#endif
}

void CLoopbackHttpServer::Serve(socket_id nSocket) {
    std::string szHead;
    char buffer[4096];
    while (szHead.find("\r\n\r\n") == std::string::npos) {
        long nRead =
            Quiet(nSocket, kReadLimit) || Stopping() ? 0 : Receive(nSocket, buffer, sizeof(buffer));
        if (nRead <= 0) return;
        szHead.append(buffer, static_cast<std::size_t>(nRead));
    }
    http_request request;
    request.szHead = szHead.substr(0, szHead.find("\r\n\r\n") + 4);
    std::string szMethod;
    std::istringstream(request.szHead) >> szMethod >> request.szTarget;
    {
        std::lock_guard<std::mutex> lock(mutex);
        requests.push_back(request);
    }

    http_answer reply = answer(request);
    if (reply.delay.count() > 0 && !Quiet(nSocket, reply.delay)) return;
    if (reply.nStatus == 0) return;  // hang up
    std::string szOut =
        "HTTP/1.1 " + std::to_string(reply.nStatus) + (reply.nStatus == 200 ? " OK" : " Other") +
        "\r\nContent-Length: " + std::to_string(reply.szBody.size()) + "\r\nConnection: close\r\n";
    for (const std::string& szLine : reply.headers) szOut += szLine + "\r\n";
    szOut += "\r\n";
    if (reply.byteGap.count() > 0) {
        std::size_t nFrom = std::min(reply.nTrickleFrom, szOut.size() + reply.szBody.size());
        szOut += reply.szBody;
        std::size_t nTo = std::min(nFrom + reply.nTrickle, szOut.size());
        if (!Send(nSocket, szOut.substr(0, nFrom))) return;
        for (std::size_t i = nFrom; i < nTo; ++i) {
            if (i > nFrom && !Quiet(nSocket, reply.byteGap)) return;
            if (!Send(nSocket, szOut.substr(i, 1))) return;
        }
        if (nTo < szOut.size() && Quiet(nSocket, reply.byteGap)) Send(nSocket, szOut.substr(nTo));
        return;
    }
    szOut.append(reply.szBody, 0, reply.nFirstPiece);
    if (Send(nSocket, szOut) && reply.nFirstPiece < reply.szBody.size() &&
        Quiet(nSocket, reply.pieceGap)) {
        Send(nSocket, reply.szBody.substr(reply.nFirstPiece));
    }
}

}  // namespace YRAPI::test
