#pragma once
// The two ways the tools reach a module, as small interfaces: a UDP socket
// and a serial port. The socket and port components implement them (links/);
// tests implement them with fakes.

#include <cstdint>
#include <string>

namespace lumiq {

// The UDP socket. Send failures are the socket's own business: they are not
// reported here, the reply simply never comes.
class UdpLink {
public:
    virtual ~UdpLink() = default;
    virtual bool active() const = 0;
    virtual void setActive(bool active) = 0;
    virtual void sendTo(std::uint32_t address, std::uint16_t port, const std::string& bytes) = 0;
    // One datagram from `source` (network order) through the adapter
    // `ifindex`. A link that cannot pick its adapter sends as sendTo does.
    virtual void sendFrom(std::uint32_t address, std::uint16_t port, const std::string& bytes,
                          std::uint32_t source, unsigned ifindex) {
        (void)source;
        (void)ifindex;
        sendTo(address, port, bytes);
    }
};

// The serial port. Every operation may throw (a std::exception carrying the
// port's failure text), which ends the calling handler.
class SerialLink {
public:
    virtual ~SerialLink() = default;
    virtual int writeStr(const std::string& bytes) = 0;
    virtual std::string readStr(int maxCount) = 0; // returns at once with what is queued
    virtual bool connected() const = 0;
    virtual void open() = 0;
    virtual void close() = 0;
    virtual std::string portName() const = 0;
    virtual int baudRateOrdinal() const = 0; // 0 custom, 1 = 110 ... 15 = 256000
    virtual void showSetupDialog() = 0;      // modal; OK applies, Cancel keeps
};

} // namespace lumiq
