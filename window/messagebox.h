// The modal message box the core shows through runtime::setMessageBox.
#pragma once

#include <string>

namespace window {

// A modal QMessageBox: no icon, one OK button, `title` as its title.
void showMessageBox(const std::u16string& text, const std::u16string& title);

} // namespace window
