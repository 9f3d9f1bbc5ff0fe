// Mouse and keys for a compositor without input devices, through its VNC server (RFB 3.8, no
// authentication): a headless seat has no pointer until a VNC client brings one.
//   vnc_input PORT ACTION...
// ACTION is move:X,Y (the output's pixels), down, up (the left button), key:KEYSYM (hexadecimal,
// pressed and released) or hold:KEYSYM and release:KEYSYM for modifiers. Every read gives up after 5 s; exit status 1 on any failure.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

class Connection {
public:
    explicit Connection(int port) : socket_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        if (socket_ < 0)
            throw std::runtime_error("no socket");
        const timeval limit{5, 0};
        ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(socket_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            ::close(socket_);
            throw std::runtime_error("cannot connect to the VNC server");
        }
    }
    ~Connection() { ::close(socket_); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    std::vector<uint8_t> read(size_t count)
    {
        std::vector<uint8_t> bytes(count);
        for (size_t got = 0; got < count;) {
            const ssize_t n = ::recv(socket_, bytes.data() + got, count - got, 0);
            if (n <= 0)
                throw std::runtime_error("the VNC server stopped answering");
            got += static_cast<size_t>(n);
        }
        return bytes;
    }

    uint32_t read32()
    {
        const auto b = read(4);
        return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
    }

    void write(const std::vector<uint8_t> &bytes)
    {
        if (::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("cannot write to the VNC server");
    }

private:
    int socket_;
};

// Version, security "None", shared session; the server's description is read and dropped.
void handshake(Connection &vnc)
{
    vnc.read(12);
    const std::string version = "RFB 003.008\n";
    vnc.write({version.begin(), version.end()});
    const auto count = vnc.read(1)[0];
    const auto types = vnc.read(count);
    if (count == 0 || std::find(types.begin(), types.end(), 1) == types.end())
        throw std::runtime_error("the VNC server wants a password");
    vnc.write({1});
    if (vnc.read32() != 0)
        throw std::runtime_error("the VNC server refused the connection");
    vnc.write({1});
    vnc.read(2 + 2 + 16);
    const uint32_t nameLength = vnc.read32();
    if (nameLength > 4096)
        throw std::runtime_error("the VNC server's name is too long");
    vnc.read(nameLength);
}

std::vector<uint8_t> pointer(uint8_t buttons, int x, int y)
{
    return {5, buttons, uint8_t(x >> 8), uint8_t(x), uint8_t(y >> 8), uint8_t(y)};
}

std::vector<uint8_t> key(bool down, uint32_t keysym)
{
    return {4, uint8_t(down), 0, 0, uint8_t(keysym >> 24), uint8_t(keysym >> 16), uint8_t(keysym >> 8), uint8_t(keysym)};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: vnc_input PORT move:X,Y|down|up|key:KEYSYM|hold:KEYSYM|release:KEYSYM...\n");
        return 2;
    }
    try {
        Connection vnc(std::atoi(argv[1]));
        handshake(vnc);
        uint8_t buttons = 0;
        int x = 0, y = 0;
        for (int i = 2; i < argc; ++i) {
            const std::string action = argv[i];
            if (std::sscanf(argv[i], "move:%d,%d", &x, &y) == 2) {
                vnc.write(pointer(buttons, x, y));
            } else if (action == "down" || action == "up") {
                buttons = action == "down" ? 1 : 0;
                vnc.write(pointer(buttons, x, y));
            } else if (const auto colon = action.find(':'); colon != std::string::npos) {
                const auto kind = action.substr(0, colon);
                const auto keysym = static_cast<uint32_t>(std::strtoul(action.c_str() + colon + 1, nullptr, 16));
                if (kind != "key" && kind != "hold" && kind != "release")
                    throw std::runtime_error("unknown action " + action);
                if (kind != "release")
                    vnc.write(key(true, keysym));
                if (kind != "hold")
                    vnc.write(key(false, keysym));
            } else {
                throw std::runtime_error("unknown action " + action);
            }
            // The compositor takes each event in its own turn, as from a hand.
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "vnc_input: %s\n", error.what());
        return 1;
    }
    return 0;
}
