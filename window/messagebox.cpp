#include "window/messagebox.h"

#include "window/inputhold.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

namespace window {

namespace {
QPointer<QWidget> parent; // of the command running, if any; GUI thread only
} // namespace

MessageParent::MessageParent(QWidget* window) : outer_(parent) {
    parent = window;
}

MessageParent::~MessageParent() {
    parent = outer_;
}

void showMessageBox(const std::u16string& text, const std::u16string& title) {
    // A command given up while it waited (its window closed) has nothing more to say.
    if (InputHold::givenUp()) return;
    // Input given while the lookup waited was given blind: it goes, unseen.
    InputHold::dropForMessage();
    QWidget* over = parent ? parent.data() : QApplication::activeWindow();
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdU16String(title),
                    QString::fromStdU16String(text), QMessageBox::Ok, over);
    if (over) box.setFont(over->font());
    box.setObjectName(QStringLiteral("codedMessage"));
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    // A message raised inside a lookup would otherwise inherit its wait cursor.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QGuiApplication::restoreOverrideCursor();
}

} // namespace window
