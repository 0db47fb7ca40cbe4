#include "framework/tfrmrotigeral.h"

#include "framework/abortguard.h"
#include "framework/activationhook.h"
#include "framework/helpservice.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace dieta {

namespace {

QToolButton* speedButton(QWidget* parent, const QString& name, const QString& hint,
                         QStyle::StandardPixmap icon) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(21, 21);
    if (icon != QStyle::SP_CustomBase)
        button->setIcon(parent->style()->standardIcon(icon));
    return button;
}

} // namespace

bool enterMovesFocus(const QWidget* focus) {
    if (!focus)
        return false;
    for (const QWidget* w = focus; w; w = w->parentWidget())
        if (w->inherits("QAbstractItemView") || w->inherits("QPlainTextEdit") ||
            w->inherits("QTextEdit"))
            return false;
    return qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QComboBox*>(focus) ||
           qobject_cast<const QAbstractButton*>(focus) || focus->inherits("QAbstractSpinBox");
}

TfrmRotiGeral::TfrmRotiGeral(QWidget* parent) : QDialog(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    panMenu = new QFrame(this);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    panMenu->setFrameShape(QFrame::StyledPanel);
    panMenu->setFixedHeight(29);
    m_toolbarLayout = new QHBoxLayout(panMenu);
    m_toolbarLayout->setContentsMargins(2, 2, 2, 2);
    m_toolbarLayout->setSpacing(1);
    sbtConfirma = speedButton(panMenu, QStringLiteral("sbtConfirma"), QStringLiteral("Confirmar"),
                              QStyle::SP_DialogApplyButton);
    sbtAjuda = speedButton(panMenu, QStringLiteral("sbtAjuda"), QStringLiteral("Ajuda"),
                           QStyle::SP_DialogHelpButton);
    sbtFecha = speedButton(panMenu, QStringLiteral("sbtFecha"), QStringLiteral("Fechar"),
                           QStyle::SP_DialogCloseButton);
    m_toolbarLayout->addWidget(sbtConfirma);
    m_toolbarLayout->addWidget(sbtAjuda);
    m_toolbarLayout->addWidget(sbtFecha);
    m_toolbarLayout->addStretch(1);
    lblCodTela = new QLabel(panMenu);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    m_toolbarLayout->addWidget(lblCodTela);
    layout->addWidget(panMenu);

    panClient = new QWidget(this);
    panClient->setObjectName(QStringLiteral("panClient"));
    layout->addWidget(panClient, 1);

    msgPadrao = new TMessages(this);
    msgPadrao->setObjectName(QStringLiteral("msgPadrao"));
    msgMensagensPadroes = &dieta::msgMensagensPadroes();
    msgPadrao->setFallback(msgMensagensPadroes);

    connectGuarded(sbtConfirma, &QToolButton::clicked, this, [this] { sbtConfirmaClick(); });
    connectGuarded(sbtAjuda, &QToolButton::clicked, this, [this] { sbtAjudaClick(); });
    connectGuarded(sbtFecha, &QToolButton::clicked, this, [this] { sbtFechaClick(); });
    m_activation = new ActivationHook(this, [this] { FormActivate(); });
    // The window sees keys before its controls, so FormKeyDown can move or swallow them.
    qApp->installEventFilter(this);
}

TfrmRotiGeral::~TfrmRotiGeral() {
    qApp->removeEventFilter(this);
}

QToolButton* TfrmRotiGeral::AddToolButton(const QString& name, const QString& hint) {
    QToolButton* button = speedButton(panMenu, name, hint, QStyle::SP_CustomBase);
    button->setText(hint.left(1));
    m_toolbarLayout->insertWidget(m_toolbarLayout->indexOf(sbtAjuda), button);
    return button;
}

bool TfrmRotiGeral::eventFilter(QObject* watched, QEvent* event) {
    // Key events reach the focus widget first, then its parents: act on the first only.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        watched == QApplication::focusWidget() && static_cast<QWidget*>(watched)->window() == this)
        return guardedFilter([&] { return previewKey(static_cast<QKeyEvent*>(event)); }, true);
    return QDialog::eventFilter(watched, event);
}

bool TfrmRotiGeral::previewKey(QKeyEvent* event) {
    int key = event->key();
    FormKeyDown(key, event->modifiers());
    return key == 0;
}

void TfrmRotiGeral::FormCreate() {}
void TfrmRotiGeral::FormActivate() {}
void TfrmRotiGeral::FormCloseQuery(bool& canClose) {
    canClose = true;
}
void TfrmRotiGeral::FormClose(TCloseAction& action) {
    action = TCloseAction::caHide;
}

void TfrmRotiGeral::FormKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    QWidget* focus = QApplication::focusWidget();
    const bool plain = !(modifiers & (Qt::ControlModifier | Qt::AltModifier));
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && plain && enterMovesFocus(focus)) {
        focusNextChild();
        key = 0;
    } else if (key == Qt::Key_F1) {
        sbtAjudaClick();
        key = 0;
    }
}

void TfrmRotiGeral::sbtConfirmaClick() {}

void TfrmRotiGeral::sbtAjudaClick() {
    help().showHelp(HelpFile, HelpContext, this);
}

void TfrmRotiGeral::sbtFechaClick() {
    Close();
}

void TfrmRotiGeral::Close() {
    reject();
}

void TfrmRotiGeral::done(int result) {
    if (m_closing)
        return;
    bool canClose = true;
    TCloseAction action = TCloseAction::caHide;
    const GuardOutcome outcome = runGuarded([&] {
        FormCloseQuery(canClose);
        if (canClose)
            FormClose(action);
    });
    if (outcome != GuardOutcome::Completed || !canClose || action == TCloseAction::caNone)
        return;
    m_closing = true;
    QDialog::done(result);
    m_closing = false;
}

} // namespace dieta
