#pragma once

#include <QtGlobal>

// The few socket calls the connection tests make on the loopback address, on POSIX sockets
// or Winsock.
#ifdef Q_OS_WIN
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace orvex::test {

#ifdef Q_OS_WIN
using SocketHandle = SOCKET;
using SocketLength = int;

// Winsock is usable once started, once per process.
inline SocketHandle openTcpSocket()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
    return ::socket(AF_INET, SOCK_STREAM, 0);
}

inline void closeSocket(SocketHandle socket)
{
    ::shutdown(socket, SD_BOTH);
    ::closesocket(socket);
}
#else
using SocketHandle = int;
using SocketLength = socklen_t;

inline SocketHandle openTcpSocket()
{
    return ::socket(AF_INET, SOCK_STREAM, 0);
}

inline void closeSocket(SocketHandle socket)
{
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
}
#endif

} // namespace orvex::test
