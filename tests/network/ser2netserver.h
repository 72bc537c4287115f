#pragma once
// Debian's ser2net run in front of a pseudo-terminal, on 127.0.0.1 only:
// a real serial device server for the tests of the network ports. Raw
// gives a plain TCP accepter, Rfc2217 a Telnet one with the COM port
// option. The server runs in the foreground as a child of the test and is
// ended (or killed, to drop the connection) by its process id.
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

extern char **environ;

namespace marbolt::testing {

class Ser2net {
public:
    enum class Accepter { Raw, Rfc2217 };

    // nullptr when ser2net cannot be started; why says what failed.
    // noCharDelay: the server passes what the line brings at once instead
    // of gathering it for up to 20 character times (its default).
    // port: the TCP port to listen on (0: a free one), for a server started
    // again where its predecessor was.
    static std::unique_ptr<Ser2net> start(const std::string &device, Accepter accepter, std::string *why,
                                          bool noCharDelay = false, int port = 0)
    {
        std::unique_ptr<Ser2net> server(new Ser2net);
        server->accepter_ = accepter;
        server->port_ = port > 0 ? port : freePort();
        char folder[] = "/tmp/marbolt-ser2net-XXXXXX";
        if (!::mkdtemp(folder)) {
            *why = "no folder for the configuration";
            return nullptr;
        }
        server->folder_ = folder;
        const std::string config = server->folder_ + "/ser2net.yaml";
        std::ofstream out(config);
        out << "connection: &marbolt\n"
            << "  accepter: " << (accepter == Accepter::Rfc2217 ? "telnet(rfc2217),tcp," : "tcp,")
            << "127.0.0.1," << server->port_ << "\n"
            << "  connector: serialdev," << device << ",115200n81,local\n"
            << "  options:\n"
            << "    kickolduser: true\n";
        if (noCharDelay)
            out << "    chardelay: false\n";
        out.close();
        const std::string log = server->folder_ + "/ser2net.log";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const char *program = "/usr/sbin/ser2net";
        std::string c = config;
        char *argv[] = {const_cast<char *>("ser2net"), const_cast<char *>("-n"), const_cast<char *>("-d"),
                        const_cast<char *>("-c"), c.data(), nullptr};
        const int r = ::posix_spawn(&server->pid_, program, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (r != 0) {
            *why = "ser2net could not be started (is the package installed?): " + std::string(std::strerror(r));
            server->pid_ = -1;
            return nullptr;
        }
        if (!server->waitUntilListening(std::chrono::seconds(5))) {
            *why = "ser2net did not listen on port " + std::to_string(server->port_);
            return nullptr;
        }
        return server;
    }

    ~Ser2net()
    {
        stop(SIGTERM);
        if (!folder_.empty())
            std::system(("rm -rf '" + folder_ + "'").c_str());
    }

    int port() const { return port_; }
    // The port name the program is given.
    std::string url() const
    {
        return std::string(accepter_ == Accepter::Rfc2217 ? "rfc2217://" : "tcp://") + "127.0.0.1:"
             + std::to_string(port_);
    }
    // Ends the server at once, as a server that loses power.
    void kill() { stop(SIGKILL); }

private:
    Ser2net() = default;

    static int freePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        socklen_t length = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length);
        ::close(fd);
        return ntohs(a.sin_port);
    }

    bool waitUntilListening(std::chrono::milliseconds timeout)
    {
        // Looks at the kernel's listening sockets instead of connecting:
        // a probe connection would take the server's one user.
        const auto end = std::chrono::steady_clock::now() + timeout;
        char hexPort[8];
        std::snprintf(hexPort, sizeof hexPort, ":%04X", port_);
        while (std::chrono::steady_clock::now() < end) {
            std::ifstream tcp("/proc/net/tcp");
            std::string line;
            while (std::getline(tcp, line))
                if (line.find(std::string("0100007F") + hexPort + " 00000000:0000 0A") != std::string::npos)
                    return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void stop(int signal)
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    Accepter accepter_ = Accepter::Raw;
    int port_ = 0;
    pid_t pid_ = -1;
    std::string folder_;
};

}  // namespace marbolt::testing
