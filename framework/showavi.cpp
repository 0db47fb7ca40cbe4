#include "framework/showavi.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>
#include <vector>

namespace dieta {

namespace {

// A framed box in the middle of the covered window: a strip of pages being carried from one
// folder to another, the operator's usual sign of a long task, and the kind's caption.
class BusyOverlay : public QWidget {
public:
    explicit BusyOverlay(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("ShowAviOverlay"));
        setAttribute(Qt::WA_TransparentForMouseEvents, false);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::WaitCursor);
        // The box paints every pixel of itself: painting it now repaints only the box, not the
        // window beneath it.
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        resize(280, 90);
    }
    void setCaption(const QString& caption) { m_caption = caption; }
    QString caption() const { return m_caption; }
    void place() {
        if (QWidget* host = parentWidget())
            move((host->width() - width()) / 2, (host->height() - height()) / 2);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect box = rect().adjusted(0, 0, -1, -1);
        p.fillRect(box, palette().color(QPalette::Window));
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(box);
        const QColor folder(222, 184, 65);
        p.fillRect(QRect(14, 20, 36, 26), folder);
        p.fillRect(QRect(box.width() - 50, 20, 36, 26), folder);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRect(70 + i * 50, 14 - (i == 1 ? 6 : 0), 14, 18));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(0, 52, box.width(), 30), Qt::AlignCenter, m_caption);
    }

private:
    QString m_caption;
};

QPointer<QWidget> g_window;
QPointer<BusyOverlay> g_overlay;
std::vector<int> g_kinds;

QWidget* coveredWindow() {
    if (g_window)
        return g_window;
    if (QWidget* active = QApplication::activeWindow())
        return active->window();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->isHidden() && w->windowType() != Qt::Popup &&
            w->windowType() != Qt::ToolTip)
            return w;
    return nullptr;
}

void showTop() {
    QWidget* window = coveredWindow();
    if (!window)
        return; // nothing to cover: the call still runs
    if (!g_overlay || g_overlay->parentWidget() != window) {
        delete g_overlay;
        g_overlay = new BusyOverlay(window);
    }
    g_overlay->setCaption(ShowAviCaption(g_kinds.back()));
    g_overlay->place();
    g_overlay->show();
    g_overlay->raise();
    // Painted now, the box alone: the blocking call that follows gives the event loop no chance.
    g_overlay->repaint(g_overlay->rect());
}

} // namespace

QString ShowAviCaption(int kind) {
    switch (kind) {
    case 0:
        return QStringLiteral("Conectando ao servidor...");
    case 1:
        return QStringLiteral("Processando...");
    case 6:
        return QStringLiteral("Carregando...");
    default:
        return QStringLiteral("Aguarde...");
    }
}

void ActiveShowAvi(int kind) {
    g_kinds.push_back(kind);
    showTop();
}

void DeactiveShowAvi() {
    if (g_kinds.empty())
        return;
    g_kinds.pop_back();
    if (!g_kinds.empty()) {
        showTop();
        return;
    }
    if (g_overlay) {
        g_overlay->hide();
        g_overlay->deleteLater();
        g_overlay = nullptr;
    }
}

void SetShowAviWindow(QWidget* window) {
    g_window = window;
}

QWidget* ShowAviOverlay() {
    return g_overlay;
}

} // namespace dieta
