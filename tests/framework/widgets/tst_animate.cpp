// The copy animation: it plays only while active, paints its frame at once when started (a
// blocking call follows), and its frames really move the sheet.
#include "framework/tanimate.h"

#include <QImage>
#include <QTimer>
#include <QtTest>

using namespace dieta;

class tst_Animate : public QObject {
    Q_OBJECT
private slots:
    void playsOnlyWhileActive();
    void framesMoveTheSheet();
};

void tst_Animate::playsOnlyWhileActive() {
    TAnimate animation;
    animation.resize(animation.sizeHint());
    animation.show();
    QVERIFY(QTest::qWaitForWindowExposed(&animation));
    QVERIFY(!animation.Active());
    // Nothing moves the frames while inactive: no timer runs.
    auto* timer = animation.findChild<QTimer*>();
    QVERIFY(timer);
    QVERIFY(!timer->isActive());
    QCOMPARE(animation.CurrentFrame(), 0);

    animation.SetActive(true);
    QVERIFY(animation.Active());
    QCOMPARE(animation.CurrentFrame(), 0);
    QVERIFY(QTest::qWaitFor([&] { return animation.CurrentFrame() > 1; }, 2000));

    animation.SetActive(false);
    QCOMPARE(animation.CurrentFrame(), 0);
    QVERIFY(!timer->isActive());

    // The frames go round.
    for (int i = 0; i < TAnimate::FrameCount; ++i)
        animation.Step();
    QCOMPARE(animation.CurrentFrame(), 0);
}

void tst_Animate::framesMoveTheSheet() {
    TAnimate animation;
    animation.resize(animation.sizeHint());
    const QImage first = animation.grab().toImage();
    for (int i = 0; i < TAnimate::FrameCount / 2; ++i)
        animation.Step();
    const QImage middle = animation.grab().toImage();
    QVERIFY(first != middle);

    // Without an animation nothing is drawn over the background.
    animation.SetCommonAVI(TAnimate::aviNone);
    QImage blank(animation.size(), QImage::Format_ARGB32);
    blank.fill(animation.palette().color(QPalette::Window));
    QCOMPARE(animation.grab().toImage().convertToFormat(QImage::Format_ARGB32), blank);
}

QTEST_MAIN(tst_Animate)
#include "tst_animate.moc"
