#include "framework/controlevents.h"

#include "framework/abortguard.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

namespace dieta {

QMetaObject::Connection onChange(QLineEdit* edit, const QObject* context, EventHandler handler) {
    return connectGuarded(edit, &QLineEdit::textChanged, context, std::move(handler));
}

QMetaObject::Connection onChange(QComboBox* combo, const QObject* context, EventHandler handler) {
    return connectGuarded(combo, &QComboBox::activated, context, std::move(handler));
}

QMetaObject::Connection onClick(QAbstractButton* button, const QObject* context,
                                EventHandler handler) {
    if (qobject_cast<QRadioButton*>(button)) {
        return connectGuarded(button, &QAbstractButton::toggled, context,
                              [handler = std::move(handler)](bool checked) {
                                  if (checked)
                                      handler();
                              });
    }
    if (qobject_cast<QCheckBox*>(button))
        return connectGuarded(button, &QAbstractButton::toggled, context, std::move(handler));
    return connectGuarded(button, &QAbstractButton::clicked, context, std::move(handler));
}

QChar keyPressChar(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Backspace:
        return QLatin1Char('\b');
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QLatin1Char('\r');
    case Qt::Key_Escape:
        return QChar(0x1b);
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return {};
    default:
        break;
    }
    const QString text = event.text();
    if (text.isEmpty() || text.at(0).unicode() == 0x7f)
        return {};
    return text.at(0);
}

namespace {

// A replaced character is sent again as a key event of its own; while that happens the
// filter lets it through.
bool resending = false;

bool filterKeyPress(QObject* watched, QEvent* event, const KeyPressHandler& handler) {
    if (event->type() != QEvent::KeyPress || resending)
        return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    const QChar original = keyPressChar(*keyEvent);
    if (original.isNull())
        return false;
    QChar key = original;
    handler(key);
    if (key == original)
        return false;
    if (key.isNull())
        return true;
    QKeyEvent replaced(QEvent::KeyPress, 0, keyEvent->modifiers(), QString(key));
    resending = true;
    QCoreApplication::sendEvent(watched, &replaced);
    resending = false;
    return true;
}

} // namespace

void onKeyPress(QWidget* widget, KeyPressHandler handler) {
    installGuardedFilter(widget, [handler = std::move(handler)](QObject* watched, QEvent* event) {
        // An abort from the handler discards the character too (the filter answers false
        // only when the handler completed and kept it).
        bool handled = true;
        const GuardOutcome outcome =
            runGuarded([&] { handled = filterKeyPress(watched, event, handler); });
        if (outcome != GuardOutcome::Completed) {
            resending = false;
            return event->type() == QEvent::KeyPress;
        }
        return handled;
    });
}

void onKeyDown(QWidget* widget, KeyDownHandler handler) {
    installGuardedFilter(widget, [handler = std::move(handler)](QObject*, QEvent* event) {
        if (event->type() != QEvent::KeyPress || resending)
            return false;
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        int key = keyEvent->key();
        handler(key, keyEvent->modifiers());
        return key == 0;
    });
}

} // namespace dieta
