#include "framework/tanimate.h"

#include "framework/abortguard.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QtMath>

namespace dieta {

namespace {

const QColor kFolder(222, 184, 65);
const QColor kFolderDark(176, 139, 36);
const QColor kSheetLine(120, 140, 190);

} // namespace

TAnimate::TAnimate(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("TAnimate"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_timer->setInterval(FrameIntervalMs);
    connectGuarded(m_timer, &QTimer::timeout, this, [this] { Step(); });
}

void TAnimate::SetCommonAVI(TCommonAVI common) {
    m_common = common;
    update();
}

void TAnimate::SetActive(bool active) {
    m_active = active;
    m_frame = 0;
    if (active) {
        m_timer->start();
        // Painted now: the blocking call that usually follows gives the event loop no chance.
        if (isVisible())
            repaint();
    } else {
        m_timer->stop();
        update();
    }
}

void TAnimate::Step() {
    m_frame = (m_frame + 1) % FrameCount;
    update();
}

QSize TAnimate::sizeHint() const {
    return {272, 60};
}

void TAnimate::drawFolder(QPainter& p, const QRectF& body, bool open) const {
    QPainterPath tab;
    tab.addRoundedRect(QRectF(body.left(), body.top() - 5, body.width() * 0.4, 8), 2, 2);
    p.setPen(QPen(kFolderDark, 1));
    p.setBrush(kFolder.darker(110));
    p.drawPath(tab);
    p.setBrush(kFolder);
    p.drawRoundedRect(body, 2, 2);
    if (open) {
        // The front flap of the folder the sheet leaves stands slightly open.
        QPolygonF flap;
        flap << QPointF(body.left(), body.bottom()) << QPointF(body.right(), body.bottom())
             << QPointF(body.right() + 4, body.top() + body.height() * 0.35)
             << QPointF(body.left() + 4, body.top() + body.height() * 0.35);
        p.setBrush(kFolder.lighter(115));
        p.drawPolygon(flap);
    }
}

void TAnimate::drawSheet(QPainter& p, const QPointF& centre, double angle) const {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF sheet(-8, -10, 16, 20);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    p.setPen(QPen(kSheetLine, 1));
    for (int line = 0; line < 4; ++line) {
        const double y = sheet.top() + 5 + line * 3.5;
        p.drawLine(QPointF(sheet.left() + 3, y), QPointF(sheet.right() - 3, y));
    }
    p.restore();
}

void TAnimate::paintEvent(QPaintEvent*) {
    if (m_common == aviNone)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = width();
    const double h = height();
    const double folderW = qMin(56.0, w * 0.22);
    const double folderH = qMin(34.0, h * 0.55);
    const QRectF from(6, h - folderH - 4, folderW, folderH);
    const QRectF to(w - folderW - 6, h - folderH - 4, folderW, folderH);
    drawFolder(p, from, true);
    drawFolder(p, to, false);

    // The sheet flies from the first folder's mouth to the second's along an arc, turning
    // over once on the way.
    const double t = double(m_frame) / double(FrameCount - 1);
    const QPointF start(from.center().x(), from.top());
    const QPointF end(to.center().x(), to.top());
    const double x = start.x() + (end.x() - start.x()) * t;
    const double lift = qMax(8.0, h - folderH - 16);
    const double y = start.y() + (end.y() - start.y()) * t - lift * 4 * t * (1 - t);
    drawSheet(p, QPointF(x, y), -30 + 60 * t);
}

} // namespace dieta
