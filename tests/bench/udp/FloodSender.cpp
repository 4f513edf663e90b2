#include "tests/bench/udp/FloodSender.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <vector>

#include "device/Frames.h"
#include "presenter/CommandBindings.h"
#include "tests/support/simbed/SimControl.h"

namespace lumiq::bench {
namespace {

// The largest UDP payload over IPv4: 65,535 less the IPv4 and UDP headers.
constexpr std::size_t kLargest = 65507;
constexpr int kMadeUpMacs = 1024;

// Draws the datagrams; random bytes are slices of one pool drawn once, so
// that the sender's own work stays small beside the tool's.
class FloodDatagrams {
public:
    enum class Kind { Noise, Short, Reply, HeadedNoise };

    FloodDatagrams(std::string moduleMac, unsigned seed) : moduleMac_(std::move(moduleMac)), random_(seed) {
        pool_.resize(kLargest);
        for (char& byte : pool_)
            byte = static_cast<char>(random_());
        for (int i = 0; i < kMadeUpMacs; ++i) {
            char mac[18];
            std::snprintf(mac, sizeof mac, "0a:%02x:%02x:%02x:%02x:%02x", Byte(), Byte(), Byte(), Byte(),
                          Byte());
            madeUpMacs_.emplace_back(mac);
        }
        // Every query's reply keyword ("+IP", ...), "OK" among them.
        for (std::uint16_t code = 0; code < 100; ++code)
            if (const QueryCommand* query = QueryBySendCode(code))
                keywords_.emplace_back(query->wire().keyword);
        if (keywords_.empty())
            throw std::runtime_error("the command table has no queries");
    }

    Kind next(std::string& datagram) {
        const unsigned roll = Below(100);
        if (roll < 40) {
            datagram.assign(Slice(Below(kLargest + 1)));
            return Kind::Noise;
        }
        if (roll < 50) {
            datagram.assign(Slice(Below(25)));
            if (!datagram.empty() && Below(2) == 0)
                datagram[0] = '<';
            return Kind::Short;
        }
        datagram.assign(Header());
        if (roll < 80) {
            datagram += Payload();
            return Kind::Reply;
        }
        datagram += Slice(Below(kLargest - datagram.size() + 1));
        return Kind::HeadedNoise;
    }

    bool coin() { return Below(2) == 0; }

private:
    unsigned Below(std::size_t bound) { return static_cast<unsigned>(random_() % bound); }
    unsigned Byte() { return Below(256); }

    std::string_view Slice(std::size_t length) {
        return std::string_view(pool_).substr(Below(kLargest - length + 1), length);
    }

    std::string Header() {
        const std::string& mac = coin() ? moduleMac_ : madeUpMacs_[Below(madeUpMacs_.size())];
        return "<" + mac + ">,";
    }

    std::string Payload() {
        const std::string& keyword = keywords_[Below(keywords_.size())];
        if (keyword == "OK")
            return coin() ? "OK\r\n" : "ERROR\r\n";
        std::string value;
        switch (Below(4)) {
        case 0:
            value =
                "10." + std::to_string(Byte()) + "." + std::to_string(Byte()) + "." + std::to_string(Byte());
            break;
        case 1:
            value = std::to_string(Below(10));
            break;
        case 2: // printable text, as a name
            for (unsigned n = Below(16); n > 0; --n)
                value += static_cast<char>(' ' + Below(95));
            break;
        default: // any bytes, as text in no encoding
            value = Slice(Below(16));
            break;
        }
        return keyword + "=" + value + "\r\n";
    }

    std::string moduleMac_;
    std::mt19937 random_;
    std::string pool_;
    std::vector<std::string> madeUpMacs_;
    std::vector<std::string> keywords_;
};

sockaddr_in To(std::uint32_t address) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kModulePort);
    to.sin_addr.s_addr = address;
    return to;
}

} // namespace

FloodSender::FloodSender(int socket, const std::string& hostAddress, std::string moduleMac, unsigned seed)
    : socket_(socket), moduleMac_(std::move(moduleMac)), seed_(seed) {
    if (inet_pton(AF_INET, hostAddress.c_str(), &hostAddress_) != 1)
        throw std::runtime_error("not an address: " + hostAddress);
}

FloodSender::~FloodSender() {
    if (thread_.joinable())
        thread_.join();
}

void FloodSender::start(long count) {
    if (thread_.joinable())
        thread_.join();
    counts_ = {};
    running_ = true;
    thread_ = std::thread([this, count] { send(count); });
}

FloodCounts FloodSender::finish() {
    if (thread_.joinable())
        thread_.join();
    return counts_;
}

void FloodSender::send(long count) {
    FloodDatagrams draw(moduleMac_, seed_++);
    const sockaddr_in unicast = To(hostAddress_);
    const sockaddr_in broadcast = To(INADDR_BROADCAST);
    std::string datagram;
    datagram.reserve(kLargest);
    const double startMs = testbed::MonotonicMs();
    for (long i = 0; i < count; ++i) {
        switch (draw.next(datagram)) {
        case FloodDatagrams::Kind::Noise:
            ++counts_.noise;
            break;
        case FloodDatagrams::Kind::Short:
            ++counts_.shortOnes;
            break;
        case FloodDatagrams::Kind::Reply:
            ++counts_.replies;
            break;
        case FloodDatagrams::Kind::HeadedNoise:
            ++counts_.headedNoise;
            break;
        }
        const bool toAll = draw.coin();
        const sockaddr_in& to = toAll ? broadcast : unicast;
        ++(toAll ? counts_.broadcast : counts_.unicast);
        if (sendto(socket_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to) < 0) {
            ++counts_.refused;
            counts_.lastError = errno;
        } else {
            ++counts_.sent;
            counts_.bytes += static_cast<long long>(datagram.size());
        }
    }
    counts_.seconds = (testbed::MonotonicMs() - startMs) / 1000.0;
    running_ = false;
}

} // namespace lumiq::bench
