// A small HTTP server on 127.0.0.1 for download tests: it answers each
// request with the reply set for its path (404 for anything else).
#pragma once

#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace vtbtest {

class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int Port() const { return port_; }
    std::string Url(const std::string& path) const;

    // status 200 with body; `truncate` closes the connection after that many
    // body bytes although the header announced them all.
    void Serve(const std::string& path, int status, const std::string& body, std::size_t truncate = std::string::npos);

    // How many requests for the path were answered so far.
    int Requests(const std::string& path);

    // A port on 127.0.0.1 where nothing listens.
    static int UnusedPort();

private:
    struct Reply {
        int status;
        std::string body;
        std::size_t truncate;
    };
    void Run();
    void Answer(SOCKET client);

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    std::map<std::string, int> requests_;
    std::thread thread_;
};

}  // namespace vtbtest
