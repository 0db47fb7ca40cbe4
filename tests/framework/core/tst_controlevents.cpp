// Which Qt signal stands for which original event, and the character filter.
#include "framework/abortguard.h"
#include "framework/controlevents.h"
#include "framework/scripteddialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QVBoxLayout>

using namespace dieta;

class tst_ControlEvents : public QObject {
    Q_OBJECT

private slots:
    void editChangeFiresAlsoFromCode();
    void comboChangeOnlyOnUserChoice();
    void radioAndCheckClickFireFromCode();
    void keyPressSeesBackspaceAsCharacterAndDeleteAsKey();
    void keyPressDiscardsAndReplaces();
    void keyDownSeesEveryKey();
};

void tst_ControlEvents::editChangeFiresAlsoFromCode() {
    QLineEdit edit;
    int changes = 0;
    onChange(&edit, this, [&] { ++changes; });
    edit.setText("0001");
    QCOMPARE(changes, 1);
    edit.setText("0001"); // same text: no change
    QCOMPARE(changes, 1);
    QTest::keyClicks(&edit, "2");
    QCOMPARE(changes, 2);
}

void tst_ControlEvents::comboChangeOnlyOnUserChoice() {
    QWidget window;
    auto* combo = new QComboBox(&window);
    combo->addItems({"Serviço", "Grupo"});
    int changes = 0;
    onChange(combo, this, [&] { ++changes; });
    combo->setCurrentIndex(1);
    combo->setCurrentIndex(0);
    QCOMPARE(changes, 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentIndex(), 1);
    QCOMPARE(changes, 1);
}

void tst_ControlEvents::radioAndCheckClickFireFromCode() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* patient = new QRadioButton("Paciente");
    auto* companion = new QRadioButton("Acompanhante");
    auto* all = new QCheckBox("Todos");
    layout->addWidget(patient);
    layout->addWidget(companion);
    layout->addWidget(all);
    QStringList clicks;
    onClick(patient, this, [&] { clicks << "patient"; });
    onClick(companion, this, [&] { clicks << "companion"; });
    onClick(all, this, [&] { clicks << "all"; });
    patient->setChecked(true);
    companion->setChecked(true); // unchecks patient: only the checked one clicks
    all->setChecked(true);
    all->setChecked(false);
    QCOMPARE(clicks, QStringList({"patient", "companion", "all", "all"}));
}

void tst_ControlEvents::keyPressSeesBackspaceAsCharacterAndDeleteAsKey() {
    QLineEdit edit;
    QList<QChar> seen;
    onKeyPress(&edit, [&](QChar& key) { seen << key; });
    edit.setText("12");
    edit.setCursorPosition(2);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QString("1"));
    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_Delete);
    QCOMPARE(edit.text(), QString());
    QTest::keyClick(&edit, Qt::Key_Left);
    QCOMPARE(seen, QList<QChar>({QChar('\b')}));
}

void tst_ControlEvents::keyPressDiscardsAndReplaces() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    // The branch-code filter: digits and ASCII letters only, control characters included.
    QLineEdit edit;
    onKeyPress(&edit, [](QChar& key) {
        const bool ascii = key.unicode() < 128;
        if (!(ascii && key.isLetterOrNumber()))
            key = QChar();
    });
    QTest::keyClicks(&edit, "a1-b 2");
    QKeyEvent cedilla(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("ç"));
    QCoreApplication::sendEvent(&edit, &cedilla);
    QCOMPARE(edit.text(), QString("a1b2"));
    QTest::keyClick(&edit, Qt::Key_Backspace); // discarded as a character
    QCOMPARE(edit.text(), QString("a1b2"));

    QLineEdit upper;
    onKeyPress(&upper, [](QChar& key) { key = key.toUpper(); });
    QTest::keyClicks(&upper, "ab1");
    QCOMPARE(upper.text(), QString("AB1"));

    QLineEdit aborting;
    onKeyPress(&aborting, [](QChar& key) {
        if (key == 'x')
            Abort();
    });
    QTest::keyClicks(&aborting, "axb");
    QCOMPARE(aborting.text(), QString("ab"));
    QVERIFY(script.asked.isEmpty());
}

void tst_ControlEvents::keyDownSeesEveryKey() {
    QLineEdit edit;
    QList<int> keys;
    onKeyDown(&edit, [&](int& key, Qt::KeyboardModifiers) {
        keys << key;
        if (key == Qt::Key_Delete)
            key = 0;
    });
    edit.setText("ab");
    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_Delete);
    QCOMPARE(edit.text(), QString("ab"));
    QTest::keyClick(&edit, Qt::Key_C);
    QCOMPARE(keys, QList<int>({Qt::Key_Delete, Qt::Key_C}));
    QCOMPARE(edit.text(), QString("cab"));
}

QTEST_MAIN(tst_ControlEvents)
#include "tst_controlevents.moc"
