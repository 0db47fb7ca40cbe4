#include "framework/tmessages.h"

#include <QWidget>

namespace dieta {

TMessages::TMessages(QObject* parent) : QObject(parent) {}

TMessages::TMessages(const QStringList& lines, QObject* parent) : TMessages(parent) {
    setLines(lines);
}

void TMessages::setLines(const QStringList& lines) {
    m_texts.clear();
    for (const QString& line : lines)
        addLine(line);
}

void TMessages::addLine(const QString& line) {
    const qsizetype bar = line.indexOf(QLatin1Char('|'));
    if (bar <= 0)
        return;
    // The key tolerates blanks around it; the text is kept exactly as written.
    const QString key = line.left(bar).trimmed();
    if (!key.isEmpty())
        m_texts.insert(key, line.mid(bar + 1));
}

void TMessages::setText(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    setLines(lines);
}

bool TMessages::contains(const QString& key) const {
    return m_texts.contains(key);
}

QString TMessages::missingText(const QString& key) {
    return QStringLiteral("[Msg: %1]").arg(key);
}

QString TMessages::Msg(const QString& key) const {
    const auto found = m_texts.constFind(key);
    if (found != m_texts.constEnd())
        return *found;
    const TMessages* fallback = m_standardFallback ? &msgMensagensPadroes() : m_fallback;
    if (fallback && fallback != this)
        return fallback->Msg(key);
    return missingText(key);
}

QWidget* TMessages::parentWindow() const {
    for (QObject* o = parent(); o; o = o->parent()) {
        if (auto* widget = qobject_cast<QWidget*>(o))
            return widget;
    }
    return nullptr;
}

int TMessages::ShowMsg(const QString& key, MsgKind kind) const {
    return dialogs().message(kind, Msg(key), parentWindow());
}

int TMessages::MsgAlertEx(const QString& text, MsgKind kind, const QStringList& captions) const {
    return dialogs().askButtons(kind, text, captions, parentWindow());
}

const TMessages& msgMensagensPadroes() {
    static TMessages* standard = [] {
        auto* messages = new TMessages;
        messages->setFallback(nullptr);
        messages->setObjectName(QStringLiteral("msgMensagensPadroes"));
        messages->setLines({
            QStringLiteral("Sim|Sim"),
            QStringLiteral("Nao|Não"),
            QStringLiteral("Conf|Confirma operação?"),
            QStringLiteral("Filial_Inv|Filial não cadastrada."),
            QStringLiteral("Modulo_Indisp|Módulo não disponível: %1."),
            QStringLiteral("Erro_Inesp|Erro inesperado."),
        });
        return messages;
    }();
    return *standard;
}

} // namespace dieta
