// Edits that may hold no value, the masked edit and the busy overlay.
#include "framework/scripteddialogs.h"
#include "framework/showavi.h"
#include "framework/tdateeditplus.h"
#include "framework/tmaskedit.h"
#include "framework/tnumberedit.h"
#include "platform/eabort.h"

#include <QBackingStore>
#include <QImage>
#include <QMainWindow>
#include <QSignalSpy>
#include <QtTest>

using namespace dieta;

class tst_Edits : public QObject {
    Q_OBJECT
private slots:
    void dateEditStartsEmpty();
    void dateEditRoundTripsPtBr();
    void dateEditInvalidDateIsNoDate();
    void dateEditSignalsOnlyRealChanges();
    void dateEditCheckValidDate();
    void dateEditKeyboard();
    void numberEditEmptyIsNotZero();
    void numberEditFormatsAndParses();
    void numberEditRejectsLetters();
    void maskEditKeepsBlanks();
    void showAviNestsAndHides();
    void showAviPaintsOnlyItsBox();
};

void tst_Edits::dateEditStartsEmpty() {
    TDateEditPlus edit;
    QVERIFY(edit.IsEmpty());
    QVERIFY(!edit.GetDate().isValid());
    QCOMPARE(edit.Text(), QStringLiteral("  /  /    "));
    edit.SetDate(QDate(2026, 12, 7));
    QVERIFY(!edit.IsEmpty());
    edit.Clear();
    QVERIFY(edit.IsEmpty());
    edit.SetDate(QDate(2026, 1, 2));
    edit.SetDate(QDate()); // a null date empties it too
    QVERIFY(edit.IsEmpty());
}

void tst_Edits::dateEditRoundTripsPtBr() {
    QLocale::setDefault(QLocale::c());
    TDateEditPlus edit;
    edit.SetDate(QDate(2026, 3, 9));
    QCOMPARE(edit.Text(), QStringLiteral("09/03/2026"));
    QCOMPARE(edit.GetDate(), QDate(2026, 3, 9));
    QVERIFY(edit.IsValidDate());
    QCOMPARE(edit.palette().color(QPalette::Text), QColor(Qt::blue));
}

void tst_Edits::dateEditInvalidDateIsNoDate() {
    TDateEditPlus edit;
    edit.setText(QStringLiteral("31/02/2026"));
    QVERIFY(!edit.IsEmpty());
    QVERIFY(!edit.IsValidDate());
    QVERIFY(!edit.GetDate().isValid());
    QVERIFY(edit.palette().color(QPalette::Text) != QColor(Qt::blue));
    edit.setText(QStringLiteral("12/1"));
    QVERIFY(!edit.IsValidDate());
}

void tst_Edits::dateEditSignalsOnlyRealChanges() {
    TDateEditPlus edit;
    QSignalSpy spy(&edit, &TDateEditPlus::dateChanged);
    edit.SetDate(QDate(2026, 12, 7));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last().at(0).toDate(), QDate(2026, 12, 7));
    edit.SetDate(QDate(2026, 12, 7));
    QCOMPARE(spy.count(), 1);
    edit.Clear();
    QCOMPARE(spy.count(), 2);
    QVERIFY(!spy.last().at(0).toDate().isValid());
}

void tst_Edits::dateEditCheckValidDate() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    TDateEditPlus edit;
    edit.CheckValidDate(); // empty passes
    edit.SetDate(QDate(2026, 2, 28));
    edit.CheckValidDate();
    QCOMPARE(script.asked.size(), 0);
    edit.setText(QStringLiteral("30/02/2026"));
    bool aborted = false;
    try {
        edit.CheckValidDate();
    } catch (const EAbort&) {
        aborted = true;
    }
    QVERIFY(aborted);
    QCOMPARE(script.texts(), QStringList{QStringLiteral("Data inválida.")});
}

void tst_Edits::dateEditKeyboard() {
    QWidget window;
    auto* edit = new TDateEditPlus(&window);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    edit->setCursorPosition(0);
    QTest::keyClicks(edit, QStringLiteral("01122026"));
    QCOMPARE(edit->GetDate(), QDate(2026, 12, 1));
    QTest::keyClick(edit, Qt::Key_Up);
    QCOMPARE(edit->GetDate(), QDate(2026, 12, 2));
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    QCOMPARE(edit->GetDate(), QDate(2026, 11, 30));
}

void tst_Edits::numberEditEmptyIsNotZero() {
    TNumberEdit edit;
    QVERIFY(edit.IsEmpty());
    QCOMPARE(edit.GetNumber(), 0.0);
    QVERIFY(!edit.Value().has_value());
    edit.SetNumber(0);
    QVERIFY(!edit.IsEmpty());
    QCOMPARE(edit.Value(), std::optional<double>(0.0));
    edit.Clear();
    QVERIFY(edit.IsEmpty());
}

void tst_Edits::numberEditFormatsAndParses() {
    TNumberEdit edit;
    edit.setDecimals(2);
    edit.SetNumber(1234.5);
    QCOMPARE(edit.text(), QStringLiteral("1234,50"));
    QCOMPARE(edit.GetNumber(), 1234.5);
    edit.SetNumber(-3); // negatives refused unless allowed
    QCOMPARE(edit.GetNumber(), 0.0);
    edit.setAllowNegative(true);
    edit.SetNumber(-3);
    QCOMPARE(edit.GetNumber(), -3.0);
}

void tst_Edits::numberEditRejectsLetters() {
    QWidget window;
    auto* edit = new TNumberEdit(&window);
    edit->setDecimals(1);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("1a2.5x"));
    QCOMPARE(edit->text(), QStringLiteral("12,5"));
    QCOMPARE(edit->GetNumber(), 12.5);
}

void tst_Edits::maskEditKeepsBlanks() {
    TMaskEdit edit;
    edit.SetEditMask(QStringLiteral("9999:99;1; "));
    QVERIFY(edit.IsEmpty());
    edit.setText(QStringLiteral("12:30"));
    QCOMPARE(edit.Text(), QStringLiteral("12  :30"));
    QVERIFY(!edit.IsEmpty());
    edit.SetEditMask(QStringLiteral(">aaaa;0; "));
    edit.setText(QStringLiteral("ab1"));
    QCOMPARE(edit.Text().trimmed(), QStringLiteral("AB1"));
    edit.SetEditMask(QString()); // no mask: a plain edit
    edit.setText(QStringLiteral("livre"));
    QCOMPARE(edit.Text(), QStringLiteral("livre"));
}

void tst_Edits::showAviNestsAndHides() {
    QMainWindow main;
    main.resize(600, 400);
    main.show();
    SetShowAviWindow(&main);
    QVERIFY(!ShowAviOverlay());
    {
        ShowAviGuard outer(0);
        QVERIFY(ShowAviOverlay());
        QVERIFY(ShowAviOverlay()->isVisible());
        QCOMPARE(ShowAviOverlay()->parentWidget(), &main);
        try {
            ShowAviGuard inner(1);
            throw EAbort{}; // a failed call still hides its animation
        } catch (const EAbort&) {
        }
        QVERIFY(ShowAviOverlay() && ShowAviOverlay()->isVisible());
    }
    QVERIFY(!ShowAviOverlay());
    DeactiveShowAvi(); // one too many is harmless
    QVERIFY(!ShowAviOverlay());
    SetShowAviWindow(nullptr);
}

namespace {

class PaintCounter : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

} // namespace

// The box is on screen before the blocking call, and the rest of the window (a list just
// replaced beneath it) is not painted with it: that paint waits for the events, once.
void tst_Edits::showAviPaintsOnlyItsBox() {
    QMainWindow main;
    auto* beneath = new PaintCounter;
    main.setCentralWidget(beneath);
    main.resize(600, 400);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTRY_VERIFY(beneath->paints > 0);
    SetShowAviWindow(&main);
    const int before = beneath->paints;
    beneath->update();
    {
        ShowAviGuard busy(6);
        QCOMPARE(beneath->paints, before);
        auto* image = dynamic_cast<QImage*>(main.backingStore()->paintDevice());
        if (image) { // raster platforms: the box's left folder is in the window's pixels
            const QPoint folder =
                ShowAviOverlay()->mapTo(&main, QPoint(20, 25)) * image->devicePixelRatio();
            QCOMPARE(image->pixelColor(folder).rgb(), QColor(222, 184, 65).rgb());
        }
    }
    QTRY_VERIFY(beneath->paints > before);
    SetShowAviWindow(nullptr);
}

QTEST_MAIN(tst_Edits)
#include "tst_edits.moc"
