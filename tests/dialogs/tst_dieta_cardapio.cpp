// The diet dialog on the real main screen against the real server: the diet code and the menu
// it builds (empty code, unknown code, the service kind "N" asking without a diet), the service
// of group mode, ticking dishes and quantities, the keys of a served menu, and the window's
// keys while a code is being typed.

#include "dialogs/Cli_zfa13020.h"
#include "framework/lookups.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tradiogroup.h"
#include "platform/wirevalue.h"
#include "server/methodregistry.h"
#include "tests/dialogs/dialogsupport.h"
#include "tests/screen/countingserver.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QRadioButton>

using namespace dieta;
using namespace dieta::test;
using Cli_zfa13020::TfrmDietaContAlimentar;

class tst_DietaCardapio : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyDietLeavesTheMenuClosed();
    void unknownDietKeepsTheFocus();
    void serviceKindNAsksTheMenuWithoutDiet();
    void groupModeValidatesTheService();
    void tickingFlipsChoiceAndQuantity();
    void quantityDietTicksOnLeavingTheQuantity();
    void servedMenuRefusesRowsAndCodeEdits();
    void windowKeysWaitForTheMenu();

private:
    // The list of a service with its first patient marked and the dialog shown.
    void openOn(const QString& service, bool grupo = false);
    void typeDiet(const QString& code);
    QModelIndex cell(int row, const char* field) const;
    void clickCell(int row, const char* field);
    QStringList messages() const { return fx->dialogs().texts(); }

    std::unique_ptr<ScreenFixture> fx;
    MainScreen screen;
    std::unique_ptr<TfrmDietaContAlimentar> dialog;
};

void tst_DietaCardapio::init() {
    fx = std::make_unique<ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
}

void tst_DietaCardapio::cleanup() {
    dialog.reset();
    screen = {};
    fx.reset();
}

void tst_DietaCardapio::openOn(const QString& service, bool grupo) {
    screen = openList(*fx, service, grupo);
    QVERIFY(screen.form);
    QVERIFY(screen.list()->RecordCount() > 0);
    markRow(screen, 0);
    QCOMPARE(screen.marked()->RecordCount(), 1);
    dialog = showDialog<TfrmDietaContAlimentar>(screen);
    fx->dialogs().clear();
}

void tst_DietaCardapio::typeDiet(const QString& code) {
    focusOn(dialog->medDieta);
    dialog->medDieta->setText(code);
    focusOn(dialog->rgpPaciente);
}

QModelIndex tst_DietaCardapio::cell(int row, const char* field) const {
    TDBGrid* grid = dialog->dbgConfesco;
    return grid->model()->index(row, grid->ColumnIndex(QString::fromLatin1(field)));
}

void tst_DietaCardapio::clickCell(int row, const char* field) {
    TDBGrid* grid = dialog->dbgConfesco;
    grid->setFocus();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(cell(row, field)).center());
}

void tst_DietaCardapio::emptyDietLeavesTheMenuClosed() {
    openOn(QStringLiteral("00010"));
    // Service mode: the screen's service, not to be changed, without a name.
    QVERIFY(!dialog->edtCdServico->isEnabled());
    QCOMPARE(dialog->edtCdServico->text(), QStringLiteral("00010"));
    QVERIFY(dialog->edtNmServico->text().isEmpty());

    focusOn(dialog->medDieta);
    QVERIFY(!dialog->cdsConfescoDieta->Active());
    QVERIFY(!dialog->sbtConfirma->isEnabled()); // no confirming while a code is typed
    focusOn(dialog->rgpPaciente);
    QVERIFY(messages().isEmpty());
    QVERIFY(!dialog->cdsConfescoDieta->Active());
    QCOMPARE(dialog->dbgConfesco->model()->rowCount(), 0);
    QVERIFY(dialog->sbtConfirma->isEnabled());

    dialog->sbtConfirma->click();
    QCOMPARE(messages(), QStringList{"Dieta deve ser informada."});
    QCOMPARE(dialog->focusWidget(), dialog->medDieta);
    QVERIFY(dialog->isVisible());
}

void tst_DietaCardapio::unknownDietKeepsTheFocus() {
    openOn(QStringLiteral("00010"));
    // 0011 is a formula diet: the lookup never offers kinds "1" and "2".
    for (const char* code : {"77", "11"}) {
        fx->dialogs().clear();
        typeDiet(QString::fromLatin1(code));
        QCOMPARE(messages(), QStringList{"Dieta não cadastrada."});
        QCOMPARE(dialog->focusWidget(), dialog->medDieta);
        QVERIFY(!dialog->sbtConfirma->isEnabled());
        QVERIFY(!dialog->cdsConfescoDieta->Active());
    }
    QCOMPARE(dialog->medDieta->Text(), QStringLiteral("0011"));
    // The lookup offers the service's diets but those two kinds.
    fx->dialogs().answerDialog([](QDialog& list) {
        auto& pick = dynamic_cast<TPickListDialog&>(list);
        QStringList codes;
        for (int row = 0; row < pick.rowCount(); ++row)
            codes << pick.cellText(row, 0);
        if (codes != QStringList{"0001", "0002", "0003", "0004", "0005", "0006", "0007", "0008",
                                 "0009", "0010", "0014"})
            return int(QDialog::Rejected);
        pick.chooseRow(0);
        return int(QDialog::Accepted);
    });
    dialog->btpDieta->click();
    QCOMPARE(dialog->medDieta->Text(), QStringLiteral("0001"));
    QCOMPARE(dialog->edtNmDieta->text(), QStringLiteral("Dieta Geral"));
    focusOn(dialog->rgpPaciente);
    QVERIFY(dialog->cdsConfescoDieta->RecordCount() > 0);
    QVERIFY(dialog->sbtConfirma->isEnabled());
}

void tst_DietaCardapio::serviceKindNAsksTheMenuWithoutDiet() {
    openOn(QStringLiteral("00070"));
    // The real server answers the service's own menu, whatever the diet.
    typeDiet(QStringLiteral("13"));
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
    QVERIFY(dialog->cdsConfescoDieta->RecordCount() > 0);
    const DataPacket servedMenu = dialog->cdsConfescoDieta->Data();

    // What the dialog asks: no diet, the kind passed and kept.
    auto received = std::make_shared<QVariantList>();
    auto answer = std::make_shared<DataPacket>(servedMenu);
    answer->rows = {answer->rows.value(0)};
    CountingServer stub([received, answer](server::MethodRegistry& registry) {
        server::MethodEntry entry = *registry.find(QStringLiteral("GetCardapioDieta"));
        entry.handler = [received, answer](server::CallContext&, QVariantList& args) {
            *received = args;
            args[6] = QStringLiteral("N");
            return server::CallResult::ok(fromPacket(*answer));
        };
        registry.add(entry);
    });
    QVERIFY2(stub.ok(), qPrintable(stub.error()));
    stub.redirect(screen.form->connection());
    typeDiet(QStringLiteral("0013"));
    QCOMPARE(stub.calls(), 1);
    QCOMPARE(received->size(), 7);
    QCOMPARE(received->at(0).toString(), QStringLiteral("0001"));
    QCOMPARE(received->at(1).toString(), QStringLiteral("00070"));
    QCOMPARE(received->at(2).toDate(), ScreenFixture::today());
    QCOMPARE(received->at(3).toString(), QString());
    QCOMPARE(received->at(5).toString(),
             QStringLiteral("Não existe cardápio cadastrado para dieta e dia informado."));
    QCOMPARE(received->at(6).toString(), QStringLiteral("N"));
    QCOMPARE(dialog->cdsConfescoDieta->RecordCount(), 1);
}

void tst_DietaCardapio::groupModeValidatesTheService() {
    openOn(QStringLiteral("001"), true);
    QVERIFY(dialog->edtCdServico->isEnabled());
    QVERIFY(dialog->edtCdServico->text().isEmpty());

    focusOn(dialog->edtCdServico);
    focusOn(dialog->medDieta);
    QCOMPARE(messages(), QStringList{"Serviço deve ser informado."});
    QCOMPARE(dialog->focusWidget(), dialog->edtCdServico);
    // A service of another group, and no service at all.
    for (const char* code : {"30", "99"}) {
        fx->dialogs().clear();
        dialog->edtCdServico->setText(QString::fromLatin1(code));
        focusOn(dialog->medDieta);
        QCOMPARE(messages(), QStringList{"Serviço não cadastrado."});
        QCOMPARE(dialog->focusWidget(), dialog->edtCdServico);
    }
    QCOMPARE(dialog->edtCdServico->text(), QStringLiteral("00099"));

    fx->dialogs().clear();
    dialog->edtCdServico->setText(QStringLiteral("10"));
    focusOn(dialog->medDieta);
    QVERIFY(messages().isEmpty());
    QCOMPARE(dialog->edtCdServico->text(), QStringLiteral("00010"));
    QCOMPARE(dialog->edtNmServico->text(), QStringLiteral("Clínica Médica"));
    typeDiet(QStringLiteral("1"));
    QVERIFY(dialog->cdsConfescoDieta->RecordCount() > 0);

    // Another service (chosen in the lookup: only the group's are offered) drops the diet.
    fx->dialogs().answerDialog([](QDialog& list) {
        auto& pick = dynamic_cast<TPickListDialog&>(list);
        QStringList codes;
        for (int row = 0; row < pick.rowCount(); ++row)
            codes << pick.cellText(row, 0);
        if (codes != QStringList{"00010", "00020", "00050"})
            return int(QDialog::Rejected);
        pick.chooseRow(1);
        return int(QDialog::Accepted);
    });
    dialog->btnPesqServico->click();
    QCOMPARE(dialog->edtCdServico->text(), QStringLiteral("00020"));
    QCOMPARE(dialog->edtNmServico->text(), QStringLiteral("Clínica Cirúrgica"));
    QVERIFY(dialog->medDieta->Text().trimmed().isEmpty());
}

void tst_DietaCardapio::tickingFlipsChoiceAndQuantity() {
    openOn(QStringLiteral("00010"));
    typeDiet(QStringLiteral("1"));
    TClientDataSet* menu = dialog->cdsConfescoDieta;
    QVERIFY(menu->RecordCount() > 2);
    QCOMPARE(dialog->medDieta->Text(), QStringLiteral("0001"));
    QCOMPARE(dialog->edtNmDieta->text(), QStringLiteral("Dieta Geral"));
    QVERIFY(dialog->dbgConfesco->isColumnHidden(
        dialog->dbgConfesco->ColumnIndex(QStringLiteral("QTPRATCONF"))));
    QCOMPARE(dialog->rgpPaciente->ItemIndex(), 0);

    const auto row = [menu](int r) {
        return menu->RowValue(r, menu->FieldByName(u"IDESCOCONF")).toString() + u'/' +
               menu->RowValue(r, menu->FieldByName(u"QTPRATCONF")).toString();
    };
    // Whatever the server sent, a click on "N" gives "S" and 1, and back.
    menu->SetRecNo(2);
    menu->Edit();
    menu->FieldByName(u"IDESCOCONF")->SetAsString(QStringLiteral("N"));
    menu->Post();
    clickCell(1, "IDESCOCONF");
    QCOMPARE(row(1), QStringLiteral("S/1"));
    clickCell(1, "IDESCOCONF");
    QCOMPARE(row(1), QStringLiteral("N/0"));
    // The space key acts as the click.
    QTest::keyClick(dialog->dbgConfesco, Qt::Key_Space);
    QCOMPARE(row(1), QStringLiteral("S/1"));
    // A value neither "S" nor "N" becomes "N".
    menu->SetRecNo(3);
    menu->Edit();
    menu->FieldByName(u"IDESCOCONF")->SetAsString(QStringLiteral("X"));
    clickCell(2, "IDESCOCONF");
    QCOMPARE(row(2), QStringLiteral("N/0"));
    // A click elsewhere ticks nothing.
    const QString before = row(0);
    clickCell(0, "DSOBSCONF");
    QCOMPARE(row(0), before);
}

void tst_DietaCardapio::quantityDietTicksOnLeavingTheQuantity() {
    openOn(QStringLiteral("00010"));
    typeDiet(QStringLiteral("9"));
    TClientDataSet* menu = dialog->cdsConfescoDieta;
    TDBGrid* grid = dialog->dbgConfesco;
    QVERIFY(menu->RecordCount() > 1);
    QVERIFY(!grid->isColumnHidden(grid->ColumnIndex(QStringLiteral("QTPRATCONF"))));

    const auto typeQuantity = [&](int r, const QString& text) {
        grid->setFocus();
        grid->setCurrentIndex(cell(r, "QTPRATCONF"));
        QTest::keyClicks(grid, text.left(1));
        QVERIFY(grid->EditorMode());
        auto* editor = qobject_cast<QLineEdit*>(grid->InplaceEditor());
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Tab); // leaves the column
    };
    typeQuantity(1, QStringLiteral("2"));
    QCOMPARE(menu->RowValue(1, menu->FieldByName(u"IDESCOCONF")).toString(), QStringLiteral("S"));
    QCOMPARE(menu->RowValue(1, menu->FieldByName(u"QTPRATCONF")).toDouble(), 2.0);
    typeQuantity(1, QStringLiteral("0"));
    QCOMPARE(menu->RowValue(1, menu->FieldByName(u"IDESCOCONF")).toString(), QStringLiteral("N"));

    // The quantity column goes with the diet: hidden again for a menu diet.
    typeDiet(QStringLiteral("1"));
    QVERIFY(grid->isColumnHidden(grid->ColumnIndex(QStringLiteral("QTPRATCONF"))));
}

void tst_DietaCardapio::servedMenuRefusesRowsAndCodeEdits() {
    openOn(QStringLiteral("00010"));
    typeDiet(QStringLiteral("1"));
    TClientDataSet* menu = dialog->cdsConfescoDieta;
    TDBGrid* grid = dialog->dbgConfesco;
    const int count = menu->RecordCount();
    const QStringList dishes = columnValues(menu, "CDPRATO");
    const QStringList types = columnValues(menu, "CDTIPOPRAT");

    // No row by Insert, nor by moving past the last one.
    selectColumn(grid, "DSOBSCONF");
    QVERIFY(grid->Editing());
    QTest::keyClick(grid, Qt::Key_Insert);
    menu->Last();
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(menu->RecordCount(), count);
    QCOMPARE(menu->State(), dsBrowse);

    // Typing, Delete, Backspace, F2 and a double click change no code.
    for (const char* field : {"CDTIPOPRAT", "CDPRATO"}) {
        selectColumn(grid, field);
        QTest::keyClicks(grid, QStringLiteral("91"));
        QTest::keyClick(grid, Qt::Key_Delete);
        QTest::keyClick(grid, Qt::Key_Backspace);
        QTest::keyClick(grid, Qt::Key_F2);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                           grid->visualRect(grid->currentIndex()).center());
        QVERIFY(!grid->EditorMode());
    }
    QCOMPARE(columnValues(menu, "CDPRATO"), dishes);
    QCOMPARE(columnValues(menu, "CDTIPOPRAT"), types);
    QCOMPARE(menu->State(), dsBrowse);

    // The remark is the operator's.
    selectColumn(grid, "DSOBSCONF");
    QTest::keyClicks(grid, QStringLiteral("m"));
    QVERIFY(grid->EditorMode());
    QTest::keyClicks(grid->InplaceEditor(), QStringLiteral("orno"));
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Return); // the delegate commits queued
    QTRY_COMPARE(fieldText(menu, "DSOBSCONF"), QStringLiteral("morno"));
    QCOMPARE(menu->RecordCount(), count);
}

void tst_DietaCardapio::windowKeysWaitForTheMenu() {
    openOn(QStringLiteral("00010"));
    // While a code is typed the menu is closed: Enter does not move on.
    focusOn(dialog->medDieta);
    QTest::keyClicks(dialog->medDieta, QStringLiteral("1"));
    QTest::keyClick(dialog->medDieta, Qt::Key_Return);
    QCOMPARE(dialog->focusWidget(), dialog->medDieta);
    QVERIFY(!dialog->cdsConfescoDieta->Active());
    // With the menu open, Enter moves on again.
    focusOn(dialog->rgpPaciente);
    QVERIFY(dialog->cdsConfescoDieta->Active());
    focusOn(dialog->medDieta);
    dialog->medDieta->setText(QStringLiteral("0001"));
    QTest::keyClick(dialog->medDieta, Qt::Key_Tab);
    QVERIFY(dialog->cdsConfescoDieta->Active());
    QWidget* radio = QApplication::focusWidget();
    QVERIFY(radio && dialog->rgpPaciente->isAncestorOf(radio));
    QTest::keyClick(radio, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dialog->dbgConfesco);
}

QTEST_MAIN(tst_DietaCardapio)
#include "tst_dieta_cardapio.moc"
