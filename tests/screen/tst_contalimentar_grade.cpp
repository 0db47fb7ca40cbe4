// The inpatient grid on the real screen against a real server: marks kept in step in the
// record, stlCheck and cdsInterAux, one mark per patient code, mark and unmark all, the
// keyboard, the diet column and its check, the navigation popup, and no server call for marks.

#include "framework/consistegrid.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "screen/Cli_zfa13000.h"
#include "tests/screen/contalimentarprobe.h"
#include "tests/screen/countingserver.h"
#include "tests/screen/screenfixture.h"

#include <QAction>
#include <QDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>
#include <optional>

using namespace dieta;
using Cli_zfa13000::TfrmContAlimentar;
using dieta::test::ContAlimentarProbe;

class tst_ContAlimentarGrade : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void markAndUnmarkKeepRecordAndStayInStep();
    void markWhileEditingGoesWithTheEdit();
    void sharedPatientCodeIsMarkedOnce();
    void markAllThenUnmarkAll();
    void cancelledEditKeepsEveryOtherMark();
    void otherTitlesChangeNothing();
    void spaceActsAsClickOrDoubleClick();
    void dietColumnShowsNameAndCodeWhileEdited();
    void leavingDietCellChecksTheCode();
    void popupMovesOnlyToTheEnds();
    void picturesFollowTheValues();
    void markTitlesDrawTheTick();
    void columnsShowTheirWholeContent();
    void marksSendNothingToTheServer();

private:
    Cli_zfa13000::TfrmContAlimentar* loadList();
    QModelIndex cell(int row, const char* field) const;
    void clickCell(int row, const char* field);
    void clickTitle(const char* field);
    void selectCell(int row, const char* field);
    QString value(int row, const char* field) const;
    int rowWhere(const char* field, const QString& wanted) const;
    QStringList markedCodes() const;
    void verifyInStep() const;
    QStringList messages() const { return fx->dialogs().texts(); }

    std::unique_ptr<test::ScreenFixture> fx;
    std::optional<ContAlimentarProbe> form;
};

void tst_ContAlimentarGrade::init() {
    fx = std::make_unique<test::ScreenFixture>();
    QVERIFY2(fx->ok(), qPrintable(fx->error()));
    Cli_zfa13000::TfrmContAlimentar* loaded = loadList();
    QVERIFY(loaded);
    form.emplace(loaded);
    QVERIFY(form->cdsInternacao->Active());
    QVERIFY(form->cdsInternacao->RecordCount() > 3);
    QVERIFY2(messages().isEmpty(), qPrintable(messages().join('\n')));
}

void tst_ContAlimentarGrade::cleanup() {
    form.reset();
    fx.reset();
}

Cli_zfa13000::TfrmContAlimentar* tst_ContAlimentarGrade::loadList() {
    Cli_zfa13000::TfrmContAlimentar* f = fx->openScreen();
    if (!f)
        return nullptr;
    fx->enterPanel(ContAlimentarProbe(f)->medCdServico);
    fx->leavePanel();
    return f;
}

QModelIndex tst_ContAlimentarGrade::cell(int row, const char* field) const {
    return form->dbgPadrao->model()->index(row, Consiste::IndiceCol(form->dbgPadrao, field));
}

void tst_ContAlimentarGrade::clickCell(int row, const char* field) {
    const QModelIndex index = cell(row, field);
    form->dbgPadrao->scrollTo(index);
    QTest::mouseClick(form->dbgPadrao->viewport(), Qt::LeftButton, {},
                      form->dbgPadrao->visualRect(index).center());
}

void tst_ContAlimentarGrade::clickTitle(const char* field) {
    QHeaderView* header = form->dbgPadrao->horizontalHeader();
    const int section = Consiste::IndiceCol(form->dbgPadrao, field);
    form->dbgPadrao->scrollTo(cell(0, field));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(section) + 4, header->height() / 2));
}

void tst_ContAlimentarGrade::selectCell(int row, const char* field) {
    form->cdsInternacao->SetRecNo(row + 1);
    form->dbgPadrao->SetSelectedIndex(Consiste::IndiceCol(form->dbgPadrao, field));
    form->dbgPadrao->setFocus();
    QCoreApplication::processEvents();
}

QString tst_ContAlimentarGrade::value(int row, const char* field) const {
    return form->cdsInternacao
        ->RowValue(row, form->cdsInternacao->FieldByName(QString::fromLatin1(field)))
        .toString();
}

int tst_ContAlimentarGrade::rowWhere(const char* field, const QString& wanted) const {
    for (int row = 0; row < form->cdsInternacao->ViewCount(); ++row)
        if (value(row, field) == wanted)
            return row;
    return -1;
}

QStringList tst_ContAlimentarGrade::markedCodes() const {
    QStringList codes;
    for (int row = 0; row < form->cdsInternacao->ViewCount(); ++row)
        if (value(row, "IDCHECK") == QLatin1String("S"))
            codes << value(row, "CDPACIENTE");
    codes.sort();
    return codes;
}

// The record's marks, stlCheck and cdsInterAux name the same patients, each once.
void tst_ContAlimentarGrade::verifyInStep() const {
    const QStringList marked = markedCodes();
    QStringList listed = *Cli_zfa13000::stlCheck;
    listed.sort();
    QCOMPARE(listed, marked);
    QStringList copies;
    TClientDataSet* aux = form->cdsInterAux;
    for (int row = 0; row < aux->ViewCount(); ++row) {
        QCOMPARE(aux->RowValue(row, aux->FieldByName(u"IDCHECK")).toString(), QStringLiteral("S"));
        copies << aux->RowValue(row, aux->FieldByName(u"CDPACIENTE")).toString();
    }
    copies.sort();
    QCOMPARE(copies, marked);
    QCOMPARE(QSet<QString>(marked.begin(), marked.end()).size(), marked.size());
}

void tst_ContAlimentarGrade::markAndUnmarkKeepRecordAndStayInStep() {
    TClientDataSet* list = form->cdsInternacao;
    const int row = 2;
    clickCell(row, "IDCHECK");
    QCOMPARE(list->RecNo(), row + 1);
    QCOMPARE(value(row, "IDCHECK"), QStringLiteral("S"));
    QCOMPARE(*Cli_zfa13000::stlCheck, QStringList{value(row, "CDPACIENTE")});
    QCOMPARE(form->cdsInterAux->RecordCount(), 1);
    // The copy is the whole record.
    QCOMPARE(form->cdsInterAux->FieldByName(u"NMPACIENTE")->AsString(), value(row, "NMPACIENTE"));
    QCOMPARE(form->cdsInterAux->FieldByName(u"CDLEITO")->AsString(), value(row, "CDLEITO"));
    // A local change: posted, and the toolbar never went into editing.
    QCOMPARE(list->State(), dsBrowse);
    QVERIFY(!form->sbtConfirmar->isEnabled());
    verifyInStep();

    clickCell(row + 1, "IDCHECK");
    QCOMPARE(Cli_zfa13000::stlCheck->size(), 2);
    verifyInStep();

    clickCell(row, "IDCHECK");
    QCOMPARE(list->RecNo(), row + 1);
    QCOMPARE(value(row, "IDCHECK"), QStringLiteral("N"));
    QCOMPARE(*Cli_zfa13000::stlCheck, QStringList{value(row + 1, "CDPACIENTE")});
    verifyInStep();
    // Clicking another column marks nothing.
    clickCell(row, "NMPACIENTE");
    QCOMPARE(Cli_zfa13000::stlCheck->size(), 1);
    QVERIFY(messages().isEmpty());
}

void tst_ContAlimentarGrade::markWhileEditingGoesWithTheEdit() {
    TClientDataSet* list = form->cdsInternacao;
    selectCell(1, "IDCHECK");
    list->Edit();
    list->FieldByName(u"DSSERVINTE")->SetAsString(QStringLiteral("sem sal"));
    clickCell(1, "IDCHECK");
    // Not posted here: the mark goes with the operator's edit.
    QCOMPARE(list->State(), dsEdit);
    QCOMPARE(list->FieldByName(u"IDCHECK")->AsString(), QStringLiteral("S"));
    verifyInStep();
    clickCell(1, "IDCHECK");
    QCOMPARE(list->State(), dsEdit);
    verifyInStep();
    QVERIFY(Cli_zfa13000::stlCheck->isEmpty());
}

void tst_ContAlimentarGrade::sharedPatientCodeIsMarkedOnce() {
    // A patient and the companion staying with them share the code.
    int first = -1, second = -1;
    for (int a = 0; a < form->cdsInternacao->ViewCount() && second < 0; ++a)
        for (int b = a + 1; b < form->cdsInternacao->ViewCount(); ++b)
            if (value(a, "CDPACIENTE") == value(b, "CDPACIENTE")) {
                first = a;
                second = b;
                break;
            }
    QVERIFY2(second >= 0, "the demo list has a patient with a companion");
    clickCell(first, "IDCHECK");
    clickCell(second, "IDCHECK");
    QCOMPARE(messages(), QStringList{"Paciente já selecionado."});
    QCOMPARE(value(second, "IDCHECK"), QStringLiteral("N"));
    QCOMPARE(value(first, "IDCHECK"), QStringLiteral("S"));
    QCOMPARE(form->cdsInternacao->State(), dsBrowse);
    QVERIFY(!form->sbtConfirmar->isEnabled());
    verifyInStep();

    // Mark all keeps the one mark of the code.
    clickTitle("IDCHECK");
    QCOMPARE(value(first, "IDCHECK"), QStringLiteral("S"));
    QCOMPARE(value(second, "IDCHECK"), QStringLiteral("N"));
    verifyInStep();
}

void tst_ContAlimentarGrade::cancelledEditKeepsEveryOtherMark() {
    int patient = -1, companion = -1;
    for (int row = 0; row < form->cdsInternacao->ViewCount() && companion < 0; ++row)
        if (value(row, "STPACIACOM") == QLatin1String("1")) {
            companion = row;
            patient = rowWhere("CDPACIENTE", value(row, "CDPACIENTE"));
        }
    QVERIFY2(companion >= 0 && patient >= 0, "the demo list has a patient with a companion");
    clickTitle("IDCHECK");
    const qsizetype markedAll = Cli_zfa13000::stlCheck->size();

    // The companion's edit cancelled: the patient's tick and its code stay together.
    form->cdsInternacao->SetRecNo(companion + 1);
    form->sbtAlterar->click();
    fx->dialogs().answer(mrYes);
    form->sbtCancelar->click();
    QCOMPARE(value(patient, "IDCHECK"), QStringLiteral("S"));
    QCOMPARE(Cli_zfa13000::stlCheck->size(), markedAll);
    verifyInStep();

    // A tick taken off in an edit comes back with the cancel, in the marked set too.
    int other = 0;
    while (value(other, "IDCHECK") != QLatin1String("S") || other == patient)
        ++other;
    form->cdsInternacao->SetRecNo(other + 1);
    form->sbtAlterar->click();
    clickCell(other, "IDCHECK");
    QCOMPARE(value(other, "IDCHECK"), QStringLiteral("N"));
    fx->dialogs().answer(mrYes);
    form->sbtCancelar->click();
    QCOMPARE(value(other, "IDCHECK"), QStringLiteral("S"));
    QCOMPARE(Cli_zfa13000::stlCheck->size(), markedAll);
    verifyInStep();
    QCOMPARE(messages(), QStringList(2, QStringLiteral("Cancelar operação?")));
}

void tst_ContAlimentarGrade::markAllThenUnmarkAll() {
    TClientDataSet* list = form->cdsInternacao;
    clickCell(3, "IDCHECK");
    list->SetRecNo(5);
    QCOMPARE(value(0, "IDCHECKTODOS"), QStringLiteral("S"));

    clickTitle("IDCHECK");
    QSet<QString> codes;
    for (int row = 0; row < list->ViewCount(); ++row) {
        codes.insert(value(row, "CDPACIENTE"));
        QCOMPARE(value(row, "IDCHECKTODOS"), QStringLiteral("N"));
    }
    QCOMPARE(Cli_zfa13000::stlCheck->size(), codes.size());
    verifyInStep();
    QCOMPARE(list->RecNo(), 1);
    QCOMPARE(list->State(), dsBrowse);
    QVERIFY(!list->ControlsDisabled());
    QVERIFY(form->updatesEnabled());
    QVERIFY(!form->sbtConfirmar->isEnabled());

    clickTitle("IDCHECK");
    QVERIFY(markedCodes().isEmpty());
    QVERIFY(Cli_zfa13000::stlCheck->isEmpty());
    QCOMPARE(form->cdsInterAux->RecordCount(), 0);
    for (int row = 0; row < list->ViewCount(); ++row)
        QCOMPARE(value(row, "IDCHECKTODOS"), QStringLiteral("S"));
    QVERIFY(messages().isEmpty());
}

void tst_ContAlimentarGrade::otherTitlesChangeNothing() {
    clickCell(1, "IDCHECK");
    TClientDataSet* list = form->cdsInternacao;
    auto snapshot = [&] {
        QStringList rows;
        for (int row = 0; row < list->ViewCount(); ++row)
            rows << value(row, "CDLEITO") + value(row, "CDPACIENTE") + value(row, "IDCHECK") +
                        value(row, "IDCHECKTODOS");
        return rows;
    };
    const QStringList before = snapshot();
    for (const char* field : {"NMPACIENTE", "CDLEITO", "CDDIETPAD", "IDRESTSERIN", "DSSERVINTE"})
        clickTitle(field);
    QCOMPARE(snapshot(), before);
    verifyInStep();
}

void tst_ContAlimentarGrade::spaceActsAsClickOrDoubleClick() {
    selectCell(2, "IDCHECK");
    QTest::keyClick(form->dbgPadrao, Qt::Key_Space);
    QCOMPARE(value(2, "IDCHECK"), QStringLiteral("S"));
    verifyInStep();
    QTest::keyClick(form->dbgPadrao, Qt::Key_Space);
    QCOMPARE(value(2, "IDCHECK"), QStringLiteral("N"));
    verifyInStep();

    int shown = 0;
    auto answer = [&] {
        fx->dialogs().answerDialog([&](QDialog& dialog) {
            shown += dialog.objectName() == QLatin1String("frmVisuRestInto");
            return int(QDialog::Rejected);
        });
    };
    const int restricted = rowWhere("IDRESTSERIN", QStringLiteral("1"));
    QVERIFY(restricted >= 0);
    answer();
    selectCell(restricted, "IDRESTSERIN");
    QTest::keyClick(form->dbgPadrao, Qt::Key_Space);
    QCOMPARE(shown, 1);

    // Without restrictions, or on another column, Space and the double click open nothing.
    const int free = rowWhere("IDRESTSERIN", QStringLiteral("0"));
    QVERIFY(free >= 0);
    selectCell(free, "IDRESTSERIN");
    QTest::keyClick(form->dbgPadrao, Qt::Key_Space);
    form->dbgPadraoDblClick();
    selectCell(restricted, "NMPACIENTE");
    form->dbgPadraoDblClick();
    QCOMPARE(shown, 1);
    QCOMPARE(fx->dialogs().pendingAnswers(), 0);
    QVERIFY(messages().isEmpty());
}

void tst_ContAlimentarGrade::dietColumnShowsNameAndCodeWhileEdited() {
    const int withDiet = [&] {
        for (int row = 0; row < form->cdsInternacao->ViewCount(); ++row)
            if (!value(row, "CDDIETPAD").isEmpty())
                return row;
        return -1;
    }();
    const int withoutDiet = rowWhere("CDDIETPAD", QString());
    QVERIFY(withDiet >= 0);
    QVERIFY(withoutDiet >= 0);
    QCOMPARE(cell(withDiet, "CDDIETPAD").data().toString(), value(withDiet, "DSDIETPAD"));
    QVERIFY(value(withDiet, "DSDIETPAD") != value(withDiet, "CDDIETPAD"));
    QCOMPARE(cell(withoutDiet, "CDDIETPAD").data().toString(), QString());

    selectCell(withDiet, "CDDIETPAD");
    QVERIFY(form->dbgPadrao->Editing());
    form->dbgPadrao->edit(form->dbgPadrao->currentIndex());
    auto* editor = qobject_cast<QLineEdit*>(form->dbgPadrao->InplaceEditor());
    QVERIFY(editor);
    QCOMPARE(editor->text().trimmed(), value(withDiet, "CDDIETPAD"));

    // A record without a diet is never edited in the grid.
    QTest::keyClick(editor, Qt::Key_Escape);
    selectCell(withoutDiet, "CDDIETPAD");
    QVERIFY(!form->dbgPadrao->Editing());
    selectCell(withoutDiet, "DSSERVINTE");
    QVERIFY(!form->dbgPadrao->Editing());
}

void tst_ContAlimentarGrade::leavingDietCellChecksTheCode() {
    const int row = [&] {
        for (int r = 0; r < form->cdsInternacao->ViewCount(); ++r)
            if (!value(r, "CDDIETPAD").isEmpty() && value(r, "IDFORMDIET") != QLatin1String("1"))
                return r;
        return -1;
    }();
    QVERIFY(row >= 0);
    const int dietColumn = Consiste::IndiceCol(form->dbgPadrao, "CDDIETPAD");
    auto typeInDiet = [&](const QString& text) {
        if (form->cdsInternacao->State() == dsBrowse)
            selectCell(row, "CDDIETPAD");
        form->dbgPadrao->edit(form->dbgPadrao->currentIndex());
        auto* editor = qobject_cast<QLineEdit*>(form->dbgPadrao->InplaceEditor());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Delete);
        if (!text.isEmpty())
            QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Tab);
    };

    typeInDiet(QStringLiteral("ZZ9"));
    QCOMPARE(messages(), QStringList{"Dieta não cadastrada."});
    QCOMPARE(form->dbgPadrao->SelectedIndex(), dietColumn);
    QCOMPARE(form->cdsInternacao->State(), dsEdit);
    QCOMPARE(form->cdsInternacao->FieldByName(u"CDDIETPAD")->AsString(), QStringLiteral("0ZZ9"));

    // Still on the diet cell of the record in edit: cleared, it is accepted.
    typeInDiet(QString());
    QCOMPARE(messages().size(), 1);
    QVERIFY(form->dbgPadrao->SelectedIndex() != dietColumn);
    QCOMPARE(form->cdsInternacao->FieldByName(u"CDDIETPAD")->AsString(), QString());
}

void tst_ContAlimentarGrade::popupMovesOnlyToTheEnds() {
    TClientDataSet* list = form->cdsInternacao;
    list->SetRecNo(3);
    form->Anterior1->trigger();
    QCOMPARE(list->RecNo(), 3);
    form->Proximo1->trigger();
    QCOMPARE(list->RecNo(), 3);
    form->Ultimo1->trigger();
    QCOMPARE(list->RecNo(), list->RecordCount());
    form->Primeiro1->trigger();
    QCOMPARE(list->RecNo(), 1);
    // Not while the record is being edited.
    list->SetRecNo(2);
    list->Edit();
    form->Ultimo1->trigger();
    QCOMPARE(list->RecNo(), 2);
    list->Cancel();
}

void tst_ContAlimentarGrade::markTitlesDrawTheTick() {
    const std::pair<TDBGrid*, const char*> titles[] = {{form->dbgPadrao, "IDCHECK"},
                                                       {form->dbgDieta, "IDESCOCONF"}};
    for (const auto& [grid, name] : titles) {
        const int section = Consiste::IndiceCol(grid, name);
        QVERIFY2(section >= 0, name);
        QAbstractItemModel* model = grid->model();
        QCOMPARE(model->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString(), QString());
        QVERIFY2(
            !model->headerData(section, Qt::Horizontal, Qt::DecorationRole).value<QIcon>().isNull(),
            name);
    }
}

void tst_ContAlimentarGrade::columnsShowTheirWholeContent() {
    TDBGrid* grid = form->dbgPadrao;
    const QFontMetrics cells(grid->font());
    const QFontMetrics titles(grid->horizontalHeader()->font());
    for (int section = 0; section < grid->ColumnCount(); ++section) {
        const TColumn& column = grid->Column(section);
        QVERIFY2(titles.horizontalAdvance(column.Title) + 8 <= grid->columnWidth(section),
                 qPrintable(column.Title));
    }
    // The short values are shown whole on every row.
    for (const char* name : {"Idade", "CDLEITO", "STPACIACOM"}) {
        const int section = Consiste::IndiceCol(grid, name);
        for (int row = 0; row < form->cdsInternacao->ViewCount(); ++row) {
            const QString text = grid->model()->index(row, section).data().toString();
            QVERIFY2(cells.horizontalAdvance(text) + 6 <= grid->columnWidth(section),
                     qPrintable(QStringLiteral("%1: %2").arg(name, text)));
        }
    }
}

void tst_ContAlimentarGrade::marksSendNothingToTheServer() {
    test::CountingServer counting;
    QVERIFY2(counting.ok(), qPrintable(counting.error()));
    counting.redirect(form->netDietaOral);

    clickCell(1, "IDCHECK");
    clickCell(1, "IDCHECK");
    selectCell(2, "IDCHECK");
    QTest::keyClick(form->dbgPadrao, Qt::Key_Space);
    clickTitle("IDCHECK");
    clickTitle("IDCHECK");
    clickTitle("IDCHECK");
    QCOMPARE(counting.calls(), 0);
    QVERIFY(!Cli_zfa13000::stlCheck->isEmpty());
    QVERIFY(messages().isEmpty());

    // The counter sees a call when there is one.
    form->netDietaOral->call(QStringLiteral("GetDiagnost"));
    QCOMPARE(counting.calls(), 1);
}

// The cell shows the picture of its value, with the picture's olive background gone.
void tst_ContAlimentarGrade::picturesFollowTheValues() {
    const int marked = 1;
    clickCell(marked, "IDCHECK");
    clickCell(marked, "NMPACIENTE");
    auto colours = [&](int row, const char* field) {
        form->dbgPadrao->scrollTo(cell(row, field));
        const QImage shot = form->dbgPadrao->viewport()->grab().toImage();
        const QRect rect = form->dbgPadrao->visualRect(cell(row, field));
        QSet<QRgb> seen;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                seen.insert(shot.pixel(x, y) | 0xff000000u);
        return seen;
    };
    const QRgb black = qRgb(0, 0, 0), red = qRgb(230, 0, 0), green = qRgb(0, 200, 0),
               olive = qRgb(128, 128, 0);
    QVERIFY(colours(marked, "IDCHECK").contains(black)); // the tick
    QVERIFY(!colours(marked + 1, "IDCHECK").contains(black));
    QVERIFY(!colours(marked, "IDCHECK").contains(olive));

    const int restricted = [&] {
        for (int row = 0; row < form->cdsInternacao->ViewCount(); ++row)
            if (value(row, "IDRESTSERIN") == "1" && value(row, "STPACIACOM") == "0")
                return row;
        return -1;
    }();
    const int free = [&] {
        for (int row = 0; row < form->cdsInternacao->ViewCount(); ++row)
            if (value(row, "IDRESTSERIN") == "0" && value(row, "STPACIACOM") == "0")
                return row;
        return -1;
    }();
    const int companion = rowWhere("STPACIACOM", QStringLiteral("1"));
    QVERIFY(restricted >= 0 && free >= 0 && companion >= 0);
    QVERIFY(colours(restricted, "IDRESTSERIN").contains(red));
    QVERIFY(!colours(restricted, "IDRESTSERIN").contains(olive));
    QVERIFY(colours(free, "IDRESTSERIN").contains(green));
    const QSet<QRgb> companionCell = colours(companion, "IDRESTSERIN");
    QVERIFY(!companionCell.contains(red) && !companionCell.contains(green));
}

QTEST_MAIN(tst_ContAlimentarGrade)
#include "tst_contalimentar_grade.moc"
