#pragma once
// Which Qt signal stands for which handler event (OnChange, OnClick, ...), in one place; every
// handler runs through the abort guard.
//   OnChange of an edit      textChanged: also when code sets the text, so handlers that
//                            fill dependent fields run for loaded values too.
//                            (Never editingFinished: Qt fires it on focus loss only when the
//                            text changed.)
//   OnClick of a check box   toggled: also when code checks it.
//   OnClick of a radio button  toggled to checked: also when code checks it.
//   OnClick of a button      clicked.
//   OnChange of a combo box  activated: only the user's choice, never a change from code.
//   OnKeyPress               characters only: Backspace is the character '\b', Enter '\r',
//                            Esc '\x1b'; Delete and the arrows are keys, not characters.
//                            Setting the character to QChar() discards it; another character
//                            replaces it.
//   OnKeyDown                every key (Delete included); setting it to 0 discards it.

#include "framework/framework_export.h"

#include <QObject>
#include <functional>

class QAbstractButton;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QWidget;

namespace dieta {

using EventHandler = std::function<void()>;
using KeyPressHandler = std::function<void(QChar& key)>;
using KeyDownHandler = std::function<void(int& key, Qt::KeyboardModifiers modifiers)>;

FRAMEWORK_EXPORT QMetaObject::Connection onChange(QLineEdit* edit, const QObject* context,
                                                  EventHandler handler);
FRAMEWORK_EXPORT QMetaObject::Connection onChange(QComboBox* combo, const QObject* context,
                                                  EventHandler handler);
// Check box: every toggle; radio button: when it becomes checked; push/tool button: click.
FRAMEWORK_EXPORT QMetaObject::Connection onClick(QAbstractButton* button, const QObject* context,
                                                 EventHandler handler);

// The character a key event stands for (Backspace counts as one, Delete does not), or QChar()
// when it is a key only.
FRAMEWORK_EXPORT QChar keyPressChar(const QKeyEvent& event);

// Installs a key filter on the widget (owned by it). With several filters on one widget the
// last installed runs first (Qt's order), so install OnKeyPress before OnKeyDown to see
// KeyDown first: a key handler may then consume what the key-press handler would see. An abort in
// the handler discards the key.
FRAMEWORK_EXPORT void onKeyPress(QWidget* widget, KeyPressHandler handler);
FRAMEWORK_EXPORT void onKeyDown(QWidget* widget, KeyDownHandler handler);

} // namespace dieta
