#include "framework/showavi.h"

#include <QApplication>
#include <QBackingStore>
#include <QPainter>
#include <QWidget>
#include <QWindow>
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
        // The box paints every pixel of itself.
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

    // Paints the box into the window's backing store and shows that rectangle alone, before
    // the blocking call that follows gives the event loop no chance. repaint() would not do:
    // Qt paints everything dirty in the window with it, such as a list just replaced beneath
    // the box, which then paints again once the call is over. False when the window cannot
    // be painted now (not exposed yet): the box then paints with the window.
    bool paintNow() {
        QWidget* host = window();
        QBackingStore* store = host->backingStore();
        QWindow* handle = host->windowHandle();
        const QRect area(mapTo(host, QPoint()), size());
        if (!store || !handle || !handle->isExposed() ||
            !QRect(QPoint(), store->size()).contains(area))
            return false;
        const QRegion region(area);
        store->beginPaint(region);
        {
            QPainter p(store->paintDevice());
            p.translate(area.topLeft());
            paintBox(p);
        }
        store->endPaint();
        store->flush(region, handle);
        return true;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintBox(p);
    }

private:
    void paintBox(QPainter& p) const {
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
    if (!g_overlay->paintNow())
        g_overlay->update();
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
