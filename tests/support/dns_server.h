// A small DNS responder for what no real server does: UDP on 127.0.0.1 port 53,
// inside tests/sandbox.sh only. It answers A and PTR questions from its table,
// or nothing at all, or SERVFAIL, or bytes that are no DNS message, or an
// answer with the wrong ID, as the test asks. Real answers come from dnsmasq
// (tests/dnsmasq.sh).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testing_support {

class DnsServer {
  public:
    enum class Mode { Answer, Silent, ServFail, Garbage, WrongId };

    DnsServer() {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(53);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1:53");
        thread_ = std::thread([this] { serve(); });
    }
    ~DnsServer() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    DnsServer(const DnsServer&) = delete;
    DnsServer& operator=(const DnsServer&) = delete;

    void setMode(Mode mode) { mode_ = mode; }
    // Lower-case names, without the final dot.
    void addA(const std::string& name, std::array<std::uint8_t, 4> address) {
        std::lock_guard lock(mutex_);
        records_[name].push_back({TypeA, {address.begin(), address.end()}});
    }
    // `target` is taken byte for byte, whatever its bytes are.
    void addPtr(const std::string& name, const std::string& target) {
        std::vector<std::uint8_t> wire;
        for (std::size_t start = 0, dot; start <= target.size(); start = dot + 1) {
            dot = std::min(target.find('.', start), target.size());
            wire.push_back(static_cast<std::uint8_t>(dot - start));
            wire.insert(wire.end(), target.begin() + start, target.begin() + dot);
        }
        wire.push_back(0);
        std::lock_guard lock(mutex_);
        records_[name].push_back({TypePtr, wire});
    }
    int questions() const { return questions_; }

  private:
    static constexpr std::uint16_t TypeA = 1, TypePtr = 12;

    void serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            std::array<std::uint8_t, 512> in{};
            sockaddr_in from{};
            socklen_t fromLen = sizeof from;
            const auto n = recvfrom(fd_, in.data(), in.size(), 0,
                                    reinterpret_cast<sockaddr*>(&from), &fromLen);
            if (n < 12) continue;
            ++questions_;
            if (mode_ == Mode::Silent) continue;
            auto out = reply(std::vector<std::uint8_t>(in.begin(), in.begin() + n));
            if (mode_ == Mode::Garbage) out.assign(7, 0xA5);
            if (mode_ == Mode::WrongId) out[1] ^= 0x5A;
            if (!out.empty())
                sendto(fd_, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
        }
    }

    std::vector<std::uint8_t> reply(const std::vector<std::uint8_t>& q) {
        // The question: labels, type, class.
        std::size_t i = 12;
        std::string name;
        while (i < q.size() && q[i] != 0) {
            const std::size_t len = q[i++];
            if (i + len > q.size()) return {};
            if (!name.empty()) name += '.';
            for (std::size_t k = 0; k < len; ++k)
                name += static_cast<char>(std::tolower(q[i + k]));
            i += len;
        }
        if (i + 5 > q.size()) return {};
        const std::uint16_t type = static_cast<std::uint16_t>(q[i + 1] << 8 | q[i + 2]);
        const std::size_t questionEnd = i + 5;

        std::vector<std::vector<std::uint8_t>> answers;
        int rcode = mode_ == Mode::ServFail ? 2 : 0;
        if (rcode == 0) {
            std::lock_guard lock(mutex_);
            const auto found = records_.find(name);
            if (found == records_.end()) {
                rcode = 3; // NXDOMAIN
            } else {
                for (const auto& [recordType, rdata] : found->second)
                    if (recordType == type) answers.push_back(rdata);
            }
        }

        std::vector<std::uint8_t> out(q.begin(), q.begin() + questionEnd);
        out[2] = static_cast<std::uint8_t>(0x80 | (q[2] & 0x01)); // response; RD echoed
        out[3] = static_cast<std::uint8_t>(0x80 | rcode);         // recursion available
        out[4] = 0, out[5] = 1;
        out[6] = 0, out[7] = static_cast<std::uint8_t>(answers.size());
        out[8] = out[9] = out[10] = out[11] = 0;
        for (const auto& rdata : answers) {
            const std::uint8_t record[] = {0xC0,
                                           12,
                                           0,
                                           static_cast<std::uint8_t>(type),
                                           0,
                                           1,
                                           0,
                                           0,
                                           0,
                                           60,
                                           static_cast<std::uint8_t>(rdata.size() >> 8),
                                           static_cast<std::uint8_t>(rdata.size())};
            out.insert(out.end(), std::begin(record), std::end(record));
            out.insert(out.end(), rdata.begin(), rdata.end());
        }
        return out;
    }

    int fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<Mode> mode_{Mode::Answer};
    std::atomic<int> questions_{0};
    std::mutex mutex_;
    std::map<std::string, std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>>>
        records_;
};

} // namespace testing_support
