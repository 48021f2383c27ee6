// LoopbackHttpServer.h - CLoopbackHttpServer, a scripted HTTP/1.1 server on 127.0.0.1 for tests
// and benchmarks: every request gets the answer that the handler builds for it, and the server
// records what it was asked.
//
// Thread-safety: one thread of the server's own accepts and serves the connections one after
// another; the handler runs on it. Requests() may be called from any thread. POSIX sockets on
// Linux, Windows Sockets on Windows (a program under Wine reaches it on the host's loopback).
// A delayed or split answer is given up as soon as the client hangs up, so that a client that
// has moved on does not hold up the next one. The destructor cuts every wait short and joins
// the thread. Binds to the loopback address only, on a port the system picks.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace YRAPI::test {

struct http_request {
    std::string szTarget;  ///< The request target, for example "/path?query".
    std::string szHead;    ///< The request line and headers, CRLFs kept.
};

struct http_answer {
    int nStatus = 200;                   ///< Sent with the reason "OK" for 200, else "Other";
                                         ///< 0 hangs up without an answer.
    std::vector<std::string> headers;    ///< Extra "Name: value" lines.
    std::string szBody;                  ///< Sent with a Content-Length header.
    std::chrono::milliseconds delay{0};  ///< Waited before anything is sent.
    /// When less than the body's size: the head and the first nFirstPiece bytes of the body go
    /// out, then the rest after pieceGap.
    std::size_t nFirstPiece = std::string::npos;
    std::chrono::milliseconds pieceGap{0};
    /// When byteGap is not zero: nTrickle bytes of the answer (head and body as one text), from
    /// its byte nTrickleFrom on, go out one at a time, byteGap apart; the rest goes out at once
    /// (nFirstPiece is then not used).
    std::size_t nTrickleFrom = 0;
    std::size_t nTrickle = 0;
    std::chrono::milliseconds byteGap{0};
};

class CLoopbackHttpServer {
  public:
    using handler = std::function<http_answer(const http_request&)>;

    /// Listens on 127.0.0.1 on a free port; throws std::runtime_error when it cannot.
    explicit CLoopbackHttpServer(handler answer);
    ~CLoopbackHttpServer();
    CLoopbackHttpServer(const CLoopbackHttpServer&) = delete;
    CLoopbackHttpServer& operator=(const CLoopbackHttpServer&) = delete;

    /// "http://127.0.0.1:<port>" followed by szPath.
    std::string Url(const std::string& szPath) const;

    /// The requests answered so far (or being answered), oldest first.
    std::vector<http_request> Requests() const;

    /// A socket of the platform (an int on POSIX, a SOCKET on Windows); -1 is none.
    using socket_id = std::intptr_t;

  private:
    void Serve(socket_id nSocket);
    /// True once the destructor has begun.
    bool Stopping() const;
    /// Waits up to d for the client to send or hang up, or for the destructor; true when the
    /// time passed without any of these.
    bool Quiet(socket_id nSocket, std::chrono::milliseconds d) const;

    handler answer;
    socket_id nListen = -1;
    int nPort = 0;
    mutable std::mutex mutex;
    bool bStop = false;                  // guarded by mutex
    socket_id nServing = -1;             // guarded by mutex: the connection being served
    std::vector<http_request> requests;  // guarded by mutex
    std::thread acceptor;
};

}  // namespace YRAPI::test
