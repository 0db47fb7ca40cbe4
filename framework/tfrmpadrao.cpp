#include "framework/tfrmpadrao.h"

#include "framework/abortguard.h"
#include "framework/toolbartwin.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTabWidget>

namespace dieta {

TfrmPadrao::TfrmPadrao(QWidget* parent) : QWidget(parent) {
    tshFolhaDados = new QWidget;
    tshFolhaDados->setObjectName(QStringLiteral("tshFolhaDados"));
    buildPadrao(this, tshFolhaDados, QStringLiteral("Folha de Dados"));
    tshFormulario = new QWidget;
    tshFormulario->setObjectName(QStringLiteral("tshFormulario"));
    pgcPadrao->addTab(tshFormulario, QStringLiteral("Formulário"));

    mnuFolhaDados = mnuExibir->addAction(QStringLiteral("&Folha de Dados"));
    mnuFolhaDados->setObjectName(QStringLiteral("mnuFolhaDados"));
    mnuFormulario = mnuExibir->addAction(QStringLiteral("F&ormulário"));
    mnuFormulario->setObjectName(QStringLiteral("mnuFormulario"));
    followPage(tshFolhaDados, mnuFolhaDados);
    followPage(tshFormulario, mnuFormulario);
    connectGuarded(mnuFolhaDados, &QAction::triggered, this, [this] { mnuFolhaDadosClick(); });
    connectGuarded(mnuFormulario, &QAction::triggered, this, [this] { mnuFormularioClick(); });
}

TfrmPadrao::~TfrmPadrao() = default;

void TfrmPadrao::followPage(QWidget* page, QAction* item) {
    QPointer<QTabWidget> pages = pgcPadrao;
    ToolbarTwin::follow(page, [pages, page](bool enabled) {
        if (pages)
            pages->setTabEnabled(pages->indexOf(page), enabled);
    });
    ToolbarTwin::follow(page, [item](bool enabled) { item->setEnabled(enabled); });
}

void TfrmPadrao::showPageIfEnabled(QWidget* page) {
    if (ToolbarTwin::ownEnabled(page))
        pgcPadrao->setCurrentWidget(page);
}

void TfrmPadrao::mnuFolhaDadosClick() {
    showPageIfEnabled(tshFolhaDados);
}

void TfrmPadrao::mnuFormularioClick() {
    showPageIfEnabled(tshFormulario);
}

QMdiSubWindow* TfrmPadrao::subWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void TfrmPadrao::watchFrame() {
    QMdiSubWindow* frame = subWindow();
    if (frame == m_frame.data())
        return;
    if (m_frame)
        m_frame->removeEventFilter(this);
    m_frame = frame;
    if (m_frame)
        m_frame->installEventFilter(this);
}

void TfrmPadrao::Close() {
    watchFrame();
    if (m_frame)
        m_frame->close();
    else
        close();
}

bool TfrmPadrao::eventFilter(QObject* watched, QEvent* event) {
    // The frame's close asks the form first: remember that the frame is on its way out.
    if (watched == m_frame.data() && event->type() == QEvent::Close)
        m_frameClosing = true;
    return QWidget::eventFilter(watched, event);
}

void TfrmPadrao::closeEvent(QCloseEvent* event) {
    watchFrame();
    if (m_closed) {
        event->accept();
        return;
    }
    TCloseAction action = TCloseAction::caHide;
    const bool accepted = runCloseHandlers(action);
    const bool viaFrame = m_frameClosing;
    m_frameClosing = false;
    if (!accepted) {
        event->ignore();
        return;
    }
    if (action == TCloseAction::caMinimize) {
        event->ignore();
        (m_frame ? m_frame.data() : this)->showMinimized();
        return;
    }
    if (action == TCloseAction::caHide) {
        // The frame would release itself on close: hide it instead.
        if (m_frame) {
            event->ignore();
            m_frame->hide();
        } else {
            event->accept();
        }
        return;
    }
    // caFree
    m_closed = true;
    event->accept();
    if (!m_frame) {
        setAttribute(Qt::WA_DeleteOnClose);
        return;
    }
    m_frame->setAttribute(Qt::WA_DeleteOnClose);
    if (!viaFrame) {
        // Closed directly (close() on the form): take the frame along.
        QPointer<QWidget> frame = m_frame;
        QMetaObject::invokeMethod(
            frame,
            [frame] {
                if (frame)
                    frame->close();
            },
            Qt::QueuedConnection);
    }
}

} // namespace dieta
