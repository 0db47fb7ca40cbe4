#include "framework/scripteddialogs.h"

#include <QApplication>
#include <QDialog>

namespace dieta {

void ScriptedDialogs::answer(int button) {
    m_answers.push_back(button);
}

void ScriptedDialogs::answerDialog(DialogScript script) {
    m_dialogScripts.push_back(std::move(script));
}

int ScriptedDialogs::nextAnswer(int fallback) {
    if (m_answers.empty()) {
        ++m_unscripted;
        return fallback;
    }
    const int button = m_answers.front();
    m_answers.pop_front();
    return button;
}

int ScriptedDialogs::message(MsgKind kind, const QString& text, QWidget*) {
    asked << AskedMessage{kind, text, {}, QApplication::focusWidget()};
    return nextAnswer(kind == MsgKind::Confirmation ? mrNo : mrOk);
}

int ScriptedDialogs::askButtons(MsgKind kind, const QString& text, const QStringList& captions,
                                QWidget*) {
    asked << AskedMessage{kind, text, captions, QApplication::focusWidget()};
    return nextAnswer(mrNone);
}

int ScriptedDialogs::execDialog(QDialog& dialog) {
    dialogsShown << (dialog.objectName().isEmpty()
                         ? QString::fromLatin1(dialog.metaObject()->className())
                         : dialog.objectName());
    if (m_dialogScripts.empty()) {
        ++m_unscripted;
        return QDialog::Rejected;
    }
    DialogScript script = std::move(m_dialogScripts.front());
    m_dialogScripts.pop_front();
    return script(dialog);
}

QStringList ScriptedDialogs::texts() const {
    QStringList result;
    for (const AskedMessage& message : asked)
        result << message.text;
    return result;
}

void ScriptedDialogs::clear() {
    asked.clear();
    dialogsShown.clear();
    m_answers.clear();
    m_dialogScripts.clear();
    m_unscripted = 0;
}

} // namespace dieta
