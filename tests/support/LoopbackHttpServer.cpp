// LoopbackHttpServer.cpp - the scripted loopback HTTP server.
#include "tests/support/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace YRAPI::test {
namespace {

constexpr std::chrono::milliseconds kReadLimit{5000};  // the longest silence in a head

// Waits up to d for the client to send or hang up (or for the destructor to shut the socket
// down); true when the time passed without either.
bool Quiet(int nSocket, std::chrono::milliseconds d) {
    pollfd fd{nSocket, POLLIN, 0};
    return poll(&fd, 1, static_cast<int>(d.count())) == 0;
}

// A blocking send returns once everything is sent or the client has gone. No SIGPIPE.
bool Send(int nSocket, const std::string& szData) {
    return send(nSocket, szData.data(), szData.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(szData.size());
}

}  // namespace

CLoopbackHttpServer::CLoopbackHttpServer(handler answer) : answer(std::move(answer)) {
    nListen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t nLength = sizeof(address);
    if (nListen < 0 || bind(nListen, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(nListen, 64) != 0 ||
        getsockname(nListen, reinterpret_cast<sockaddr*>(&address), &nLength) != 0) {
        close(nListen);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    nPort = ntohs(address.sin_port);
    acceptor = std::thread([this] {
        for (;;) {
            int nSocket = accept4(nListen, nullptr, nullptr, SOCK_CLOEXEC);
            std::unique_lock<std::mutex> lock(mutex);
            if (bStop) {
                if (nSocket >= 0) close(nSocket);
                return;
            }
            if (nSocket < 0) continue;
            nServing = nSocket;
            lock.unlock();
            Serve(nSocket);
            lock.lock();
            nServing = -1;
            close(nSocket);
        }
    });
}

CLoopbackHttpServer::~CLoopbackHttpServer() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        bStop = true;
        // Wakes every wait of the connection being served.
        if (nServing >= 0) shutdown(nServing, SHUT_RDWR);
    }
    shutdown(nListen, SHUT_RDWR);  // wakes the acceptor: accept fails from now on
    acceptor.join();
    close(nListen);
}

std::string CLoopbackHttpServer::Url(const std::string& szPath) const {
    return "http://127.0.0.1:" + std::to_string(nPort) + szPath;
}

std::vector<http_request> CLoopbackHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

void CLoopbackHttpServer::Serve(int nSocket) {
    std::string szHead;
    char buffer[4096];
    while (szHead.find("\r\n\r\n") == std::string::npos) {
        ssize_t nRead = Quiet(nSocket, kReadLimit) ? 0 : recv(nSocket, buffer, sizeof(buffer), 0);
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
    std::string szOut =
        "HTTP/1.1 " + std::to_string(reply.nStatus) + (reply.nStatus == 200 ? " OK" : " Other") +
        "\r\nContent-Length: " + std::to_string(reply.szBody.size()) + "\r\nConnection: close\r\n";
    for (const std::string& szLine : reply.headers) szOut += szLine + "\r\n";
    szOut += "\r\n";
    szOut.append(reply.szBody, 0, reply.nFirstPiece);
    if (Send(nSocket, szOut) && reply.nFirstPiece < reply.szBody.size() &&
        Quiet(nSocket, reply.pieceGap)) {
        Send(nSocket, reply.szBody.substr(reply.nFirstPiece));
    }
}

}  // namespace YRAPI::test
