#include "tools/printer_sim/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace printersim {
namespace {

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

}  // namespace

uint16_t FreeUdpPort() {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in a = Loopback(0);
    socklen_t len = sizeof a;
    bool ok = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
              getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0;
    close(fd);
    return ok ? ntohs(a.sin_port) : 0;
}

bool SendRaw(uint16_t port, const std::string& bytes) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in a = Loopback(port);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
              send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    close(fd);
    return ok;
}

}  // namespace printersim
