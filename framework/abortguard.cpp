#include "framework/abortguard.h"

#include "framework/dialogservice.h"

#include <QEvent>
#include <exception>
#include <new>

namespace dieta {

void Abort() {
    throw EAbort{};
}

namespace {

// The text of the exception in flight (call inside a catch block); empty for an abort.
QString currentExceptionText() {
    QString text;
    try {
        throw;
    } catch (const EAbort&) {
        return {};
    } catch (const std::bad_alloc&) {
        text = QStringLiteral("Memória insuficiente para concluir a operação.");
    } catch (const std::exception& e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
        text = QStringLiteral("Erro inesperado.");
    }
    if (text.trimmed().isEmpty())
        text = QStringLiteral("Erro inesperado.");
    return text;
}

void showError(const QString& text) {
    try {
        dialogs().message(MsgKind::Error, text);
    } catch (...) {
        // The report itself failed (a box that cannot open): nothing more can be shown.
        qCritical("%s", qPrintable(text));
    }
}

} // namespace

void reportCurrentException() {
    const QString text = currentExceptionText();
    if (!text.isEmpty())
        showError(text);
}

GuardOutcome runGuarded(const std::function<void()>& handler) {
    QString error;
    try {
        handler();
        return GuardOutcome::Completed;
    } catch (const EAbort&) {
        return GuardOutcome::Aborted;
    } catch (...) {
        error = currentExceptionText();
    }
    // Shown after the exception is gone: the box runs an event loop of its own.
    showError(error);
    return GuardOutcome::Failed;
}

GuardedEventFilter::GuardedEventFilter(QObject* watched, Filter filter)
    : QObject(watched), m_filter(std::move(filter)) {}

bool GuardedEventFilter::eventFilter(QObject* watched, QEvent* event) {
    return guardedFilter([&] { return m_filter(watched, event); });
}

GuardedEventFilter* installGuardedFilter(QObject* watched, GuardedEventFilter::Filter filter) {
    auto* guard = new GuardedEventFilter(watched, std::move(filter));
    watched->installEventFilter(guard);
    return guard;
}

} // namespace dieta
