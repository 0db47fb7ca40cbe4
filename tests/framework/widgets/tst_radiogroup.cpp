// The radio group: items in columns, the chosen item by index from code and by the operator,
// OnClick once per change, no item chosen, and the group's state passed to its buttons.

#include "framework/tradiogroup.h"
#include "gridfixture.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace dieta;
using namespace dieta::test;

class tst_RadioGroup : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void itemsInColumns();
    void chosenFromCodeAndByClick();
    void noneChosenAndDisabled();

private:
    std::unique_ptr<QWidget> m_window;
    QLineEdit* m_edit = nullptr;
    TRadioGroup* m_group = nullptr;
    int m_clicks = 0;
};

void tst_RadioGroup::init() {
    m_window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(m_window.get());
    m_edit = new QLineEdit(m_window.get());
    m_group = new TRadioGroup(m_window.get());
    layout->addWidget(m_edit);
    layout->addWidget(m_group);
    m_group->SetItems({QStringLiteral("Paciente"), QStringLiteral("Acompanhante  ")});
    m_group->SetColumns(2);
    m_clicks = 0;
    m_group->OnClick = [this] { ++m_clicks; };
    QVERIFY(showActive(*m_window));
}

void tst_RadioGroup::cleanup() {
    m_window.reset();
}

void tst_RadioGroup::itemsInColumns() {
    QCOMPARE(m_group->Count(), 2);
    QCOMPARE(m_group->Items(), (QStringList{"Paciente", "Acompanhante  "})); // blanks kept
    QCOMPARE(m_group->ItemIndex(), -1);
    // Two columns: side by side.
    QCOMPARE(m_group->Button(0)->y(), m_group->Button(1)->y());
    QVERIFY(m_group->Button(0)->x() < m_group->Button(1)->x());
    m_group->SetColumns(1);
    QApplication::processEvents();
    QVERIFY(m_group->Button(0)->y() < m_group->Button(1)->y());
    QVERIFY(!m_group->Button(2));
}

void tst_RadioGroup::chosenFromCodeAndByClick() {
    m_group->SetItemIndex(0);
    QCOMPARE(m_group->ItemIndex(), 0);
    QVERIFY(m_group->Button(0)->isChecked());
    QCOMPARE(m_clicks, 1);
    m_group->SetItemIndex(0); // the same item: no change, no event
    QCOMPARE(m_clicks, 1);
    QTest::mouseClick(m_group->Button(1), Qt::LeftButton);
    QCOMPARE(m_group->ItemIndex(), 1);
    QVERIFY(!m_group->Button(0)->isChecked());
    QCOMPARE(m_clicks, 2);
    // The focus given to the group goes to the chosen item.
    m_edit->setFocus();
    m_group->setFocus();
    QCOMPARE(QApplication::focusWidget(), m_group->Button(1));
    // Arrow keys choose within the group.
    QTest::keyClick(m_group->Button(1), Qt::Key_Left);
    QCOMPARE(m_group->ItemIndex(), 0);
    QCOMPARE(m_clicks, 3);
}

void tst_RadioGroup::noneChosenAndDisabled() {
    m_group->SetItemIndex(1);
    m_group->SetItemIndex(-1);
    QCOMPARE(m_group->ItemIndex(), -1);
    QVERIFY(!m_group->Button(0)->isChecked() && !m_group->Button(1)->isChecked());
    QCOMPARE(m_clicks, 2);
    m_group->SetItemIndex(7); // outside the items: none
    QCOMPARE(m_group->ItemIndex(), -1);
    m_group->setEnabled(false);
    QVERIFY(!m_group->Button(0)->isEnabled());
    QTest::mouseClick(m_group->Button(0), Qt::LeftButton);
    QCOMPARE(m_group->ItemIndex(), -1);
    m_group->setEnabled(true);
    m_group->SetItemIndex(0);
    QCOMPARE(m_group->ItemIndex(), 0);
    // New items: none chosen, the old buttons gone.
    m_group->SetItems({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    QCOMPARE(m_group->ItemIndex(), -1);
    QCOMPARE(m_group->findChildren<QRadioButton*>().size(), 3);
}

QTEST_MAIN(tst_RadioGroup)
#include "tst_radiogroup.moc"
