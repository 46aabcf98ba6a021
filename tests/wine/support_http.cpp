#include "tests/wine/support_http.h"

#include <ws2tcpip.h>

#include <algorithm>

namespace vtbtest {
namespace {

SOCKET BoundSocket(int& port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

struct WinsockStartup {
    WinsockStartup() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

void EnsureWinsock() { static WinsockStartup startup; }

}  // namespace

LocalHttpServer::LocalHttpServer() {
    EnsureWinsock();
    listener_ = BoundSocket(port_);
    if (listener_ == INVALID_SOCKET) return;
    listen(listener_, 8);
    thread_ = std::thread([this] { Run(); });
}

LocalHttpServer::~LocalHttpServer() {
    stop_ = true;
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    if (thread_.joinable()) thread_.join();
}

std::string LocalHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LocalHttpServer::Serve(const std::string& path, int status, const std::string& body, std::size_t truncate) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[path] = Reply{status, body, truncate};
}

int LocalHttpServer::Requests(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_[path];
}

int LocalHttpServer::UnusedPort() {
    EnsureWinsock();
    int port = 0;
    SOCKET s = BoundSocket(port);  // bound but never listening, then freed
    if (s != INVALID_SOCKET) closesocket(s);
    return port;
}

void LocalHttpServer::Run() {
    while (!stop_) {
        fd_set read;
        FD_ZERO(&read);
        FD_SET(listener_, &read);
        timeval wait{0, 100000};
        if (select(0, &read, nullptr, nullptr, &wait) <= 0) continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        Answer(client);
        closesocket(client);
    }
}

void LocalHttpServer::Answer(SOCKET client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);

    Reply reply{404, "not found", std::string::npos};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (auto it = replies_.find(path); it != replies_.end()) reply = it->second;
        ++requests_[path];
    }
    const std::string reason = reply.status == 200 ? "OK" : "Not Found";
    std::string response =
        "HTTP/1.1 " + std::to_string(reply.status) + " " + reason +
        "\r\nContent-Type: application/octet-stream\r\nContent-Length: " + std::to_string(reply.body.size()) +
        "\r\nConnection: close\r\n\r\n";
    response += reply.body.substr(0, std::min(reply.truncate, reply.body.size()));
    send(client, response.data(), static_cast<int>(response.size()), 0);
    shutdown(client, SD_SEND);
}

}  // namespace vtbtest
