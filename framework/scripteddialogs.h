#pragma once
// Test double of the dialog service: answers from a queue and records every question.
// An unscripted question gets the safe answer (OK, No, no button, Rejected) and is counted in
// unscripted(), so that a test can tell a forgotten answer from an intended one.

#include "framework/dialogservice.h"

#include <QList>
#include <deque>
#include <functional>

namespace dieta {

struct AskedMessage {
    MsgKind kind = MsgKind::Information;
    QString text;
    QStringList captions;           // askButtons only
    QWidget* focusAtShow = nullptr; // QApplication::focusWidget() when it was asked
};

class FRAMEWORK_EXPORT ScriptedDialogs : public DialogService {
public:
    using DialogScript = std::function<int(QDialog&)>;

    // Next answer of message() or askButtons() (mrYes, mrNo, mrOk, mrFirstCustom + i, ...).
    void answer(int button);
    // Next modal dialog: the script receives it (not shown) and returns its result; it may
    // fill its controls, call its slots or exec() it for real.
    void answerDialog(DialogScript script);

    int message(MsgKind kind, const QString& text, QWidget* parent = nullptr) override;
    int askButtons(MsgKind kind, const QString& text, const QStringList& captions,
                   QWidget* parent = nullptr) override;
    int execDialog(QDialog& dialog) override;

    QList<AskedMessage> asked; // messages in order
    QStringList dialogsShown;  // objectName (or class name) of each dialog
    int unscripted() const { return m_unscripted; }
    int pendingAnswers() const { return int(m_answers.size() + m_dialogScripts.size()); }
    // Texts of the messages asked, in order.
    QStringList texts() const;
    void clear();

private:
    int nextAnswer(int fallback);

    std::deque<int> m_answers;
    std::deque<DialogScript> m_dialogScripts;
    int m_unscripted = 0;
};

} // namespace dieta
