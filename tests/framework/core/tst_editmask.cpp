// Conversion of the host's edit masks to Qt input masks, and empty masked texts.
#include "framework/editmask.h"

#include <QLineEdit>
#include <QTest>

using namespace dieta;

class tst_EditMask : public QObject {
    Q_OBJECT

private slots:
    void converts_data();
    void converts();
    void qtAcceptsConvertedMasks_data() { converts_data(); }
    void qtAcceptsConvertedMasks();
    void timeEditShowsBlanksInDisplayText();
    void emptyMaskedText_data();
    void emptyMaskedText();
};

void tst_EditMask::converts_data() {
    QTest::addColumn<QString>("original");
    QTest::addColumn<QString>("qtMask");
    QTest::addColumn<bool>("keepLiterals");
    QTest::addColumn<QString>("blank");

    QTest::newRow("hours") << "9999:99;1; "
                           << "0000:00" << true << " ";
    QTest::newRow("upper alnum") << ">aaaa;0; "
                                 << ">nnnn" << false << " ";
    QTest::newRow("any char") << "ccccc;0; "
                              << "xxxxx" << false << " ";
    QTest::newRow("branch") << "9999;0; "
                            << "0000" << false << " ";
    QTest::newRow("date") << "!99/99/0000;1;_"
                          << "00/00/9999" << true << "_";
    QTest::newRow("required") << "0A0C;1;_"
                              << "9N9X" << true << "_";
    QTest::newRow("letters") << "lL<ll"
                             << "aA<aa" << true << " ";
    QTest::newRow("sign") << "#99"
                          << "#00" << true << " ";
    QTest::newRow("dish code") << "99.99.999;0;_"
                               << "00.00.000" << false << "_";
    // Literals Qt would read as mask characters are escaped.
    QTest::newRow("literal letters") << "\\A99-H;1; "
                                     << "\\A00-\\H" << true << " ";
    QTest::newRow("escaped nine") << "99\\99;1;*"
                                  << "00\\90" << true << "*";
    QTest::newRow("blank in text") << "99_99"
                                   << "00 00" << true << " ";
    QTest::newRow("no mask") << ""
                             << "" << true << " ";
}

void tst_EditMask::converts() {
    QFETCH(QString, original);
    QFETCH(QString, qtMask);
    QFETCH(bool, keepLiterals);
    QFETCH(QString, blank);
    const EditMask mask = convertMask(original);
    QCOMPARE(mask.qtMask, qtMask);
    QCOMPARE(mask.keepLiterals, keepLiterals);
    QCOMPARE(QString(mask.blank), blank);
}

void tst_EditMask::qtAcceptsConvertedMasks() {
    QFETCH(QString, original);
    const EditMask mask = convertMask(original);
    QLineEdit edit;
    edit.setInputMask(mask.inputMask());
    // Qt gives the blank back only when it is not the default blank.
    QCOMPARE(edit.inputMask(), mask.blank == ' ' ? mask.qtMask : mask.inputMask());
}

void tst_EditMask::timeEditShowsBlanksInDisplayText() {
    QLineEdit edit;
    edit.setInputMask(convertMask("9999:99;1; ").inputMask());
    QCOMPARE(edit.displayText(), QString("    :  "));
    edit.setText("   1:30");
    QCOMPARE(edit.displayText(), QString("   1:30"));
}

void tst_EditMask::emptyMaskedText_data() {
    QTest::addColumn<QString>("original");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("empty");

    QTest::newRow("untouched hours") << "9999:99;1; "
                                     << "    :  " << true;
    QTest::newRow("hours") << "9999:99;1; "
                           << "   0:00" << false;
    QTest::newRow("untouched date") << "!99/99/0000;1;_"
                                    << "__/__/____" << true;
    QTest::newRow("partial date") << "!99/99/0000;1;_"
                                  << "0_/__/____" << false;
    QTest::newRow("empty") << "9999;0; "
                           << "" << true;
    QTest::newRow("letter") << ">aaaa;0; "
                            << "  A " << false;
}

void tst_EditMask::emptyMaskedText() {
    QFETCH(QString, original);
    QFETCH(QString, text);
    QFETCH(bool, empty);
    QCOMPARE(isMaskedTextEmpty(text, convertMask(original)), empty);
}

QTEST_MAIN(tst_EditMask)
#include "tst_editmask.moc"
