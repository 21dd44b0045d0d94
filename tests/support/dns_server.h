// A small DNS server for the resolver tests: UDP on 127.0.0.1 port 53, inside
// tests/sandbox.sh only. It answers A and PTR questions from its tables, or
// answers nothing, or SERVFAIL, as the test asks.
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
#include <vector>

namespace testing_support {

class DnsServer {
  public:
    enum class Mode { Answer, Silent, ServFail };

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
        a_[name].push_back(address);
    }
    void addAaaa(const std::string& name) {
        std::lock_guard lock(mutex_);
        aaaaOnly_.push_back(name);
    }
    void addPtr(std::array<std::uint8_t, 4> address, const std::string& name) {
        std::lock_guard lock(mutex_);
        ptr_[address] = name;
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
            const auto out = reply(std::vector<std::uint8_t>(in.begin(), in.begin() + n));
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
            const bool known =
                a_.count(name) || std::count(aaaaOnly_.begin(), aaaaOnly_.end(), name);
            if (type == TypeA && a_.count(name)) {
                for (const auto& a : a_[name])
                    answers.push_back({a.begin(), a.end()});
            } else if (type == TypePtr) {
                bool found = false;
                for (const auto& [address, target] : ptr_) {
                    if (name == reverseName(address)) {
                        answers.push_back(encodeName(target));
                        found = true;
                    }
                }
                if (!found) rcode = 3; // NXDOMAIN
            } else if (!known) {
                rcode = 3;
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

    static std::string reverseName(const std::array<std::uint8_t, 4>& a) {
        return std::to_string(a[3]) + '.' + std::to_string(a[2]) + '.' + std::to_string(a[1]) +
               '.' + std::to_string(a[0]) + ".in-addr.arpa";
    }
    static std::vector<std::uint8_t> encodeName(const std::string& name) {
        std::vector<std::uint8_t> out;
        std::size_t from = 0;
        while (from <= name.size()) {
            const auto dot = std::min(name.find('.', from), name.size());
            out.push_back(static_cast<std::uint8_t>(dot - from));
            out.insert(out.end(), name.begin() + from, name.begin() + dot);
            from = dot + 1;
        }
        out.push_back(0);
        return out;
    }

    int fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<Mode> mode_{Mode::Answer};
    std::atomic<int> questions_{0};
    std::mutex mutex_;
    std::map<std::string, std::vector<std::array<std::uint8_t, 4>>> a_;
    std::vector<std::string> aaaaOnly_;
    std::map<std::array<std::uint8_t, 4>, std::string> ptr_;
};

} // namespace testing_support
