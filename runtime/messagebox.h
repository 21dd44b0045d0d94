// The one place through which the core shows a modal message box. The window
// installs the real dialog; tests install a recorder.
#pragma once

#include <functional>
#include <string>

namespace runtime {

using MessageBox = std::function<void(const std::u16string& text, const std::u16string& title)>;

// Installs what shows a message box and returns the one it replaced. Until one
// is installed, messages go to standard error as "title: text".
MessageBox setMessageBox(MessageBox box);

// Shows a modal message box with a single OK button and no icon.
void showMessage(const std::u16string& text, const std::u16string& title);

} // namespace runtime
