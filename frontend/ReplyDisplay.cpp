#include "ReplyDisplay.h"

#include "PanelLook.h"
#include "base/ReplyText.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace kvt {

namespace {
// A controller gone wild may send without line breaks; more than this would
// only slow the label down, and nobody can read it anyway.
constexpr qsizetype maxCharacters = 8192;

// Qt's label offers screen readers no text to read, and their bridges drop
// text-change events of an object without one.
class AccessibleReplies : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit AccessibleReplies(QWidget* display)
        : QAccessibleWidget(display, QAccessible::StaticText)
    {
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return shown();
        return QAccessibleWidget::text(t);
    }

    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return shown().mid(start, end - start); }
    int characterCount() const override { return int(shown().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return {};
    }

private:
    QString shown() const { return static_cast<const QLabel*>(widget())->text(); }
};

QAccessibleInterface* repliesFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String(ReplyDisplay::staticMetaObject.className()))
        return new AccessibleReplies(static_cast<QWidget*>(object));
    return nullptr;
}
} // namespace

ReplyDisplay::ReplyDisplay(int maxPieces, QWidget* parent) : QLabel(parent), m_maxPieces(maxPieces)
{
    static const bool factoryInstalled = (QAccessible::installFactory(repliesFactory), true);
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("lblresponse"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
    // A description, not a name: a fixed name would hide the replies from screen readers.
    setAccessibleDescription(QStringLiteral("Controller replies"));
    look::markAsReplies(this);
}

void ReplyDisplay::appendReceived(const QString& received)
{
    show(keepNewestPieces(text() + received, m_maxPieces).right(maxCharacters), received.size());
}

void ReplyDisplay::appendStatus(const QString& status)
{
    show((text() + status).right(maxCharacters), status.size());
}

void ReplyDisplay::setText(const QString& text)
{
    show(text, -1);
}

ReplyDisplay::Change ReplyDisplay::changeOf(const QString& before, const QString& now,
                                            qsizetype appended)
{
    const qsizetype arrived = appended < 0 ? now.size() : std::min(appended, now.size());
    const qsizetype kept = now.size() - arrived;
    return {before.left(before.size() - kept), kept, now.right(arrived)};
}

void ReplyDisplay::show(const QString& now, qsizetype appended)
{
    const QString before = text();
    QLabel::setText(now);
    if (now == before)
        return;
    const Change change = changeOf(before, now, appended);
    if (!change.removed.isEmpty()) {
        QAccessibleTextRemoveEvent removed(this, 0, change.removed);
        QAccessible::updateAccessibility(&removed);
    }
    if (!change.inserted.isEmpty()) {
        QAccessibleTextInsertEvent inserted(this, int(change.insertedAt), change.inserted);
        QAccessible::updateAccessibility(&inserted);
    }
}

} // namespace kvt
