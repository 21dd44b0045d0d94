#include "window/accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>

namespace window {

namespace {

// A window whose children are the shown ones that it does not leave out.
class ShownChildren : public QAccessibleWidget {
  public:
    ShownChildren(QWidget* window, QAccessible::Role role) : QAccessibleWidget(window, role) {}
    int childCount() const override { return static_cast<int>(shown().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = shown();
        if (index < 0 || index >= children.size()) return nullptr;
        return QAccessible::queryAccessibleInterface(children.at(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? static_cast<int>(shown().indexOf(child->object())) : -1;
    }

  protected:
    virtual bool leftOut(const QWidget* child) const = 0;

  private:
    QList<QWidget*> shown() const {
        QList<QWidget*> children;
        for (QWidget* w : widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!w->isWindow() && !w->isHidden() && !leftOut(w)) children.append(w);
        return children;
    }
};

// The form: a frame named by its title, without the separator line.
class AccessibleForm final : public ShownChildren {
  public:
    explicit AccessibleForm(QWidget* form) : ShownChildren(form, QAccessible::Window) {}

  private:
    bool leftOut(const QWidget* child) const override {
        return child->objectName() == QLatin1String("Line1");
    }
};

// A coded message: an alert named by its title (the code) and described by
// its text, with its button. The text is not a child of its own as well:
// some screen readers (Orca 43) would read it twice, others (Orca 51) read
// only the description.
class AccessibleMessage final : public ShownChildren {
  public:
    explicit AccessibleMessage(QMessageBox* box) : ShownChildren(box, QAccessible::AlertMessage) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Description ? box()->text() : ShownChildren::text(t);
    }

  private:
    QMessageBox* box() const { return static_cast<QMessageBox*>(widget()); }
    bool leftOut(const QWidget* child) const override {
        const auto* label = qobject_cast<const QLabel*>(child);
        return label && label->text() == box()->text();
    }
};

// A one-line field: its text, caret and selection, editable. Named by its
// label (the label's buddy), as Qt's own line edit is.
class AccessibleField final : public QAccessibleWidget,
                              public QAccessibleTextInterface,
                              public QAccessibleEditableTextInterface {
  public:
    explicit AccessibleField(QLineEdit* field)
        : QAccessibleWidget(field, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = !field()->isReadOnly();
        state.readOnly = field()->isReadOnly();
        state.selectableText = true;
        return state;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? field()->text() : QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (t == QAccessible::Value) field()->setText(text);
    }

    // Text: offsets count UTF-16 units, as QString does.
    int characterCount() const override { return static_cast<int>(field()->text().size()); }
    QString text(int start, int end) const override {
        const auto [from, to] = range(start, end);
        return field()->text().mid(from, to - from);
    }
    // One run over the whole text: the field shows all of it in one font and colour.
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return QString();
    }
    int cursorPosition() const override { return field()->cursorPosition(); }
    void setCursorPosition(int position) override { field()->setCursorPosition(position); }
    int selectionCount() const override { return field()->hasSelectedText() ? 1 : 0; }
    void selection(int index, int* start, int* end) const override {
        const bool one = index == 0 && field()->hasSelectedText();
        *start = one ? field()->selectionStart() : 0;
        *end = one ? field()->selectionEnd() : 0;
    }
    void setSelection(int index, int start, int end) override {
        if (index != 0) return;
        const auto [from, to] = range(start, end);
        field()->setSelection(from, to - from);
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override {
        if (index == 0) field()->deselect();
    }
    QRect characterRect(int offset) const override {
        const QString text = field()->text();
        if (offset < 0 || offset >= text.size()) return {};
        // Measured from the caret, which Qt places with the field's scrolling.
        const QFontMetrics metrics(field()->font());
        const QRect caret = field()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int x = caret.x() + metrics.horizontalAdvance(text.left(offset)) -
                      metrics.horizontalAdvance(text.left(field()->cursorPosition()));
        const QRect local(x, caret.y(), metrics.horizontalAdvance(text.at(offset)), caret.height());
        return QRect(field()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return field()->cursorPositionAt(field()->mapFromGlobal(point));
    }
    void scrollToSubstring(int start, int end) override {
        field()->setCursorPosition(end);
        field()->setCursorPosition(start);
    }

    // Editable text.
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void replaceText(int start, int end, const QString& text) override {
        const auto [from, to] = range(start, end);
        field()->setText(field()->text().replace(from, to - from, text));
    }

  private:
    QLineEdit* field() const { return static_cast<QLineEdit*>(widget()); }
    // [start, end) within the text; an end of -1 is the text's end.
    std::pair<int, int> range(int start, int end) const {
        const int count = characterCount();
        const int to = end < 0 ? count : std::min(end, count);
        return {std::clamp(start, 0, to), to};
    }
};

// What is told to assistive tools. Tab into a field selects its text while
// the field takes the focus, and Qt tells the selection before the focus: a
// screen reader would read the field twice, once for each. Leaving a field
// drops its selection, told after the focus has moved on. So a field's
// selection is told only while it holds the focus that was told, and the
// focus tells the selection with it.
QPointer<QObject> toldFocus;
QAccessible::UpdateHandler qtHandler = nullptr;

void tellTools(QAccessibleEvent* event) {
    QObject* object = event->object();
    if (event->type() == QAccessible::Focus) toldFocus = object;
    if (event->type() == QAccessible::TextSelectionChanged && qobject_cast<QLineEdit*>(object) &&
        (object != toldFocus || object != QApplication::focusWidget()))
        return;
    // On through Qt's own way (there is no other to call): this one is out of
    // the way while it runs.
    QAccessible::installUpdateHandler(qtHandler);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(tellTools);
}

QAccessibleInterface* windowInterfaces(const QString& className, QObject* object) {
    if (className == QLatin1String("frmMail") && object->isWidgetType())
        return new AccessibleForm(static_cast<QWidget*>(object));
    // hostip's message boxes are its coded messages (window/messagebox.cpp).
    if (className == QLatin1String("QMessageBox"))
        return new AccessibleMessage(static_cast<QMessageBox*>(object));
    // The form's fields, whose interface may be asked for while they are made.
    if (className == QLatin1String("QLineEdit") && object->parent() &&
        object->parent()->inherits("frmMail"))
        return new AccessibleField(static_cast<QLineEdit*>(object));
    return nullptr;
}

} // namespace

void installAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(windowInterfaces);
        qtHandler = QAccessible::installUpdateHandler(tellTools);
        return true;
    }();
    (void)installed;
}

} // namespace window
