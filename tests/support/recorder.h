// Test helpers: a message-box recorder and a fake resolver behind the socket layer.
#pragma once

#include "lookup/wsock32.h"
#include "runtime/messagebox.h"

#include <functional>
#include <map>
#include <memory>
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

// Answers from tables and counts what it was asked.
class FakeResolver : public wsock32::Resolver {
  public:
    int startupError = 0;
    int notFoundError = 11001;
    std::map<std::string, wsock32::HostRecord> names;
    std::map<wsock32::Address, wsock32::HostRecord> addresses;
    std::vector<std::string> askedNames;
    std::vector<wsock32::Address> askedAddresses;
    std::function<void()> duringLookup; // runs inside every lookup, if set

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
        if (duringLookup) duringLookup();
        const auto it = table.find(key);
        if (it == table.end()) return {std::nullopt, notFoundError};
        return {it->second, 0};
    }
};

// Puts a fake behind the socket layer, started, for the life of the object.
class FakeNetwork {
  public:
    FakeNetwork() {
        auto owned = std::make_unique<FakeResolver>();
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
