#include "framework/dialogservice.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

namespace dieta {

namespace {

DialogService* injected = nullptr;

QMessageBox::Icon iconOf(MsgKind kind) {
    switch (kind) {
    case MsgKind::Error:
        return QMessageBox::Critical;
    case MsgKind::Warning:
        return QMessageBox::Warning;
    case MsgKind::Confirmation:
        return QMessageBox::Question;
    case MsgKind::Information:
        break;
    }
    return QMessageBox::Information;
}

QString titleOf(MsgKind kind) {
    switch (kind) {
    case MsgKind::Error:
        return QStringLiteral("Erro");
    case MsgKind::Warning:
        return QStringLiteral("Aviso");
    case MsgKind::Confirmation:
        return QStringLiteral("Confirmação");
    case MsgKind::Information:
        break;
    }
    return QStringLiteral("Informação");
}

QWidget* ownerFor(QWidget* parent) {
    if (parent)
        return parent->window();
    return QApplication::activeWindow();
}

} // namespace

DialogService::~DialogService() = default;

DialogService& dialogs() {
    static QtDialogService real;
    return injected ? *injected : real;
}

void setDialogService(DialogService* service) {
    injected = service;
}

ScopedDialogService::ScopedDialogService(DialogService& service) : m_previous(injected) {
    injected = &service;
}

ScopedDialogService::~ScopedDialogService() {
    injected = m_previous;
}

int QtDialogService::message(MsgKind kind, const QString& text, QWidget* parent) {
    QMessageBox box(iconOf(kind), titleOf(kind), text, QMessageBox::NoButton, ownerFor(parent));
    if (kind == MsgKind::Confirmation) {
        QPushButton* yes = box.addButton(QStringLiteral("Sim"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("Não"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? mrYes : mrNo;
    }
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return mrOk;
}

int QtDialogService::askButtons(MsgKind kind, const QString& text, const QStringList& captions,
                                QWidget* parent) {
    QMessageBox box(iconOf(kind), titleOf(kind), text, QMessageBox::NoButton, ownerFor(parent));
    QList<QPushButton*> buttons;
    for (const QString& caption : captions)
        buttons << box.addButton(caption, QMessageBox::ActionRole);
    if (!buttons.isEmpty())
        box.setDefaultButton(buttons.first());
    box.exec();
    const int index = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return index < 0 ? mrNone : mrFirstCustom + index;
}

int QtDialogService::execDialog(QDialog& dialog) {
    return dialog.exec();
}

} // namespace dieta
