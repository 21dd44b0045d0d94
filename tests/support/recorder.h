// Test helpers: a message-box recorder and a fake resolver behind the socket layer.
#pragma once

#include "lookup/wsock32.h"
#include "runtime/messagebox.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct Message {
    std::u16string title;
    std::u16string text;
    bool operator==(const Message&) const = default;
};

// The coded messages, as the user must see them.
inline const Message CantResolve{u"9001", u"Can't resolve hst"};
inline const Message InvalidAddress{u"9002", u"Invalid IP address"};
inline const Message HostNotFound{u"9003", u"Host name Not found"};

// Records every message box shown while it lives.
class MessageRecorder {
  public:
    MessageRecorder()
        : previous_(runtime::setMessageBox(
              [this](const std::u16string& text, const std::u16string& title) {
                  messages.push_back({title, text});
              })) {}
    ~MessageRecorder() { runtime::setMessageBox(std::move(previous_)); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<Message> messages;

  private:
    runtime::MessageBox previous_;
};

// Holds lookups back while closed, as a resolver that waits for a silent
// server would. Lookups may run on another thread than the test's.
class Gate {
  public:
    void close() {
        set([&] { closed_ = true; });
    }
    void open() {
        set([&] { closed_ = false; });
    }
    // Blocks the caller until `n` lookups have come to the gate, or have left it.
    void awaitEntered(int n) {
        await([&] { return entered_ >= n; });
    }
    void awaitLeft(int n) {
        await([&] { return left_ >= n; });
    }
    int entered() {
        std::lock_guard lock(mutex_);
        return entered_;
    }
    // Called by each lookup.
    void pass() {
        std::unique_lock lock(mutex_);
        ++entered_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return !closed_; });
        ++left_;
        changed_.notify_all();
    }

  private:
    template <class F> void set(F f) {
        std::lock_guard lock(mutex_);
        f();
        changed_.notify_all();
    }
    template <class F> void await(F until) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, until);
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    bool closed_ = false;
    int entered_ = 0, left_ = 0;
};

// Answers from tables and counts what it was asked.
class FakeResolver : public wsock32::Resolver {
  public:
    int startupError = 0;
    int notFoundError = 11001;
    bool throws = false; // each lookup throws std::bad_alloc
    std::map<std::string, wsock32::HostRecord> names;
    std::map<wsock32::Address, wsock32::HostRecord> addresses;
    std::vector<std::string> askedNames;
    std::vector<wsock32::Address> askedAddresses;
    Gate gate;

    int startup() override { return startupError; }
    wsock32::Answer byName(const std::string& name) override {
        askedNames.push_back(name);
        return answer(names, name);
    }
    wsock32::Answer byAddress(const wsock32::Address& address) override {
        askedAddresses.push_back(address);
        return answer(addresses, address);
    }

  private:
    template <class Table, class Key> wsock32::Answer answer(const Table& table, const Key& key) {
        gate.pass();
        if (throws) throw std::bad_alloc();
        const auto it = table.find(key);
        if (it == table.end()) return {std::nullopt, notFoundError};
        return {it->second, 0};
    }
};

// Puts a fake behind the socket layer, started, for the life of the object.
class FakeNetwork {
  public:
    FakeNetwork() {
        auto owned = std::make_shared<FakeResolver>();
        fake = owned.get();
        wsock32::setResolver(std::move(owned));
    }
    ~FakeNetwork() {
        while (wsock32::WSACleanup() == 0) {
        }
        wsock32::setResolver(nullptr);
    }
    FakeNetwork(const FakeNetwork&) = delete;
    FakeNetwork& operator=(const FakeNetwork&) = delete;

    void start() {
        wsock32::WSADATA data{};
        wsock32::WSAStartup(0x0101, data);
    }

    FakeResolver* fake;
};

} // namespace testing_support
