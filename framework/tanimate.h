#pragma once
// TAnimate: a small animation that plays while a long task runs, drawn with QPainter in the
// style of the busy animation (showavi.h). Only the standard file-copy animation exists: a
// sheet of paper leaves one folder in an arc and lands in the other.
//
// Server calls are synchronous and block the event loop, so the animation cannot advance
// during a call: SetActive(true) paints its current frame at once (repaint), and the frames
// move on whenever the event loop runs (a question box asked while copying, for instance).
//
//   anmCop->SetActive(true);   // before the call
//   ...                         // the blocking call
//   anmCop->SetActive(false);  // after it, also when it failed

#include "framework/framework_export.h"

#include <QWidget>

class QTimer;

namespace dieta {

class FRAMEWORK_EXPORT TAnimate : public QWidget {
    Q_OBJECT
public:
    enum TCommonAVI { aviNone, aviCopyFiles };

    static constexpr int FrameCount = 16;
    static constexpr int FrameIntervalMs = 70;

    explicit TAnimate(QWidget* parent = nullptr);

    TCommonAVI CommonAVI() const { return m_common; }
    void SetCommonAVI(TCommonAVI common);

    bool Active() const { return m_active; }
    // true: starts from the first frame and paints it now; false: stops on the first frame.
    void SetActive(bool active);
    // The frame shown, 0 .. FrameCount - 1.
    int CurrentFrame() const { return m_frame; }
    // Moves to the next frame (the timer's step; also for tests and for pictures).
    void Step();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawFolder(class QPainter& p, const QRectF& body, bool open) const;
    void drawSheet(class QPainter& p, const QPointF& centre, double angle) const;

    QTimer* m_timer;
    TCommonAVI m_common = aviCopyFiles;
    bool m_active = false;
    int m_frame = 0;
};

} // namespace dieta
