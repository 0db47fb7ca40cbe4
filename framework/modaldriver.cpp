#include "framework/modaldriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QWidget>

namespace dieta {

ModalDriver::ModalDriver(QObject* parent) : QObject(parent) {
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
}

void ModalDriver::then(Action action) {
    m_actions.push_back(std::move(action));
    m_timer.start();
}

void ModalDriver::thenPress(const QString& caption) {
    then([caption](QWidget& modal) {
        if (!pressButton(modal, caption))
            qWarning("ModalDriver: no button \"%s\"", qPrintable(caption));
    });
}

void ModalDriver::thenReject() {
    then([](QWidget& modal) {
        if (auto* dialog = qobject_cast<QDialog*>(&modal))
            dialog->reject();
        else
            modal.close();
    });
}

bool ModalDriver::pressButton(QWidget& modal, const QString& caption) {
    const auto buttons = modal.findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons) {
        if (button->text().remove(QLatin1Char('&')) == caption && button->isVisible()) {
            button->click();
            return true;
        }
    }
    return false;
}

void ModalDriver::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == m_lastHandled || m_actions.empty())
        return;
    if (!modal->isVisible())
        return;
    m_lastHandled = modal;
    Action action = std::move(m_actions.front());
    m_actions.erase(m_actions.begin());
    if (m_actions.empty())
        m_timer.stop();
    auto* box = qobject_cast<QMessageBox*>(modal);
    seenTexts << (box ? box->text() : modal->windowTitle());
    ++m_handled;
    action(*modal);
}

} // namespace dieta
