#include "runtime/messagebox.h"

#include "runtime/text.h"

#include <cstdio>
#include <utility>

namespace runtime {

namespace {
MessageBox& installed() {
    static MessageBox box;
    return box;
}
} // namespace

MessageBox setMessageBox(MessageBox box) {
    return std::exchange(installed(), std::move(box));
}

void showMessage(const std::u16string& text, const std::u16string& title) {
    if (installed()) {
        installed()(text, title);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", toUtf8Lossy(title).c_str(), toUtf8Lossy(text).c_str());
}

} // namespace runtime
