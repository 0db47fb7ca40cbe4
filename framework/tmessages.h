#pragma once
// Message catalogues. Each window has its own, msgPadrao, filled from lines "key|text"
// (UTF-8; the text is kept byte for byte, trailing and double blanks included). A key missing
// from the window's catalogue is looked up in the standard catalogue msgMensagensPadroes;
// missing there too it reads "[Msg: key]", visible to the operator and to tests, never a crash.

#include "framework/dialogservice.h"
#include "framework/framework_export.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

namespace dieta {

class FRAMEWORK_EXPORT TMessages : public QObject {
public:
    explicit TMessages(QObject* parent = nullptr);
    TMessages(const QStringList& lines, QObject* parent = nullptr);

    // Lines "key|text"; the text is everything after the first "|". Lines without "|" and
    // blank lines are ignored; a repeated key keeps its last text.
    void setLines(const QStringList& lines);
    void addLine(const QString& line);
    // Several lines in one text (separated by '\n'; a '\r' before it is dropped).
    void setText(const QString& text);

    bool contains(const QString& key) const;
    QString Msg(const QString& key) const;

    // Shows the key's text; Confirmation asks "Sim"/"Não" (answers mrYes 6 / mrNo 7), the
    // other kinds show "OK" (mrOk 1).
    int ShowMsg(const QString& key, MsgKind kind = MsgKind::Information) const;
    // Asks with the caller's captions; the first button answers 10, the next 11, ...
    int MsgAlertEx(const QString& text, MsgKind kind, const QStringList& captions) const;

    // The catalogue consulted for keys this one lacks (the standard one by default;
    // nullptr for none).
    void setFallback(const TMessages* fallback) {
        m_fallback = fallback;
        m_standardFallback = false;
    }

    static QString missingText(const QString& key);

private:
    QWidget* parentWindow() const;

    QHash<QString, QString> m_texts;
    const TMessages* m_fallback = nullptr;
    bool m_standardFallback = true;
};

// The framework's standard messages.
FRAMEWORK_EXPORT const TMessages& msgMensagensPadroes();

} // namespace dieta
