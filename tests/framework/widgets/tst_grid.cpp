// The data grid's recipes: column exit veto, per-column editing, the ellipsis lookup, detach
// and re-attach, events and the column helpers.
#include "framework/abortguard.h"
#include "framework/consistegrid.h"
#include "framework/dbcontrols.h"
#include "framework/lookups.h"
#include "framework/paintfreeze.h"
#include "framework/scripteddialogs.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "gridfixture.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

using namespace dieta;
using namespace dieta::test;

class tst_Grid : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void columnsByFieldName();
    void refusedColumnExitKeepsCell();
    void codeSelectionRunsHandlersAndPropagatesAbort();
    void readOnlyTypingNeitherEditsNorJumps();
    void typingEditsAndLeavingTheRowPosts();
    void refusedPostPutsTheViewBack();
    void ellipsisLookupWritesChosenCode();
    void lookupColumnShowsNameEditsCode();
    void detachReattachKeepsWidthsAndCell();
    void clicksTitlesAndKeys();
    void drawHandlerReadsTheDrawnRow();
    void oliveBecomesTransparent();
    void bulkChangeWithControlsDisabled();
    void columnChangesKeepTheEditor();
    void boundControlsFollowTheCursor();
    void rowGridSelectsTheWholeCurrentRow();

private:
    QModelIndex cell(int row, const char* field) const {
        return m_grid->model()->index(row, m_grid->ColumnIndex(QString::fromLatin1(field)));
    }
    void focusCell(int row, const char* field) {
        m_grid->setFocus();
        m_grid->setCurrentIndex(cell(row, field));
    }

    std::unique_ptr<TClientDataSet> m_ds;
    std::unique_ptr<QWidget> m_window;
    TDataSource* m_source = nullptr;
    TDBGrid* m_grid = nullptr;
    QLineEdit* m_other = nullptr;
};

void tst_Grid::init() {
    m_ds = makeInpatients();
    m_window = std::make_unique<QWidget>();
    m_window->resize(700, 300);
    auto* layout = new QVBoxLayout(m_window.get());
    m_other = new QLineEdit(m_window.get());
    m_grid = new TDBGrid(m_window.get());
    layout->addWidget(m_other);
    layout->addWidget(m_grid);
    m_source = new TDataSource(m_window.get());
    m_source->SetDataSet(m_ds.get());
    m_grid->AddColumn("NMPACIENTE", "Paciente", 102).ReadOnly = true;
    m_grid->AddColumn("CDDIETPAD", "Cód. Dieta", 100);
    m_grid->AddColumn("DSSERVINTE", "Observação", 200);
    m_grid->SetDataSource(m_source);
    QVERIFY(showActive(*m_window));
}

void tst_Grid::cleanup() {
    m_window.reset();
    m_ds.reset();
}

void tst_Grid::columnsByFieldName() {
    QCOMPARE(Consiste::IndiceCol(m_grid, "cddietpad"), 1);
    QCOMPARE(Consiste::IndiceCol(m_grid, "CDSERVFILI"), -1);
    // A column added in the middle moves the others: they are still found by name.
    QCOMPARE(Consiste::CriaColuna(m_grid, "CDPACIENTE", 1), 1);
    QCOMPARE(Consiste::IndiceCol(m_grid, "CDDIETPAD"), 2);
    QCOMPARE(m_grid->model()->headerData(1, Qt::Horizontal).toString(),
             QStringLiteral("CDPACIENTE"));
    QCOMPARE(Consiste::CriaColuna(m_grid, "CDPACIENTE", 3), 1); // never twice
    QCOMPARE(Consiste::CriaColuna(m_grid, "DSDIETPAD", 99), 4); // past the end: last
    Consiste::DestroiColuna(m_grid, "CDPACIENTE");
    Consiste::DestroiColuna(m_grid, "CDPACIENTE"); // absent: nothing happens
    QCOMPARE(Consiste::IndiceCol(m_grid, "CDDIETPAD"), 1);
    QCOMPARE(m_grid->columnWidth(1), 100);
    QCOMPARE(m_grid->model()->headerData(1, Qt::Horizontal).toString(),
             QStringLiteral("Cód. Dieta"));
}

void tst_Grid::refusedColumnExitKeepsCell() {
    QStringList seen;
    int enters = 0;
    m_grid->OnColExit = [&] {
        seen << m_grid->SelectedField()->FieldName(); // still the column being left
        if (m_grid->SelectedField()->FieldName() == QLatin1String("CDDIETPAD"))
            Abort();
    };
    m_grid->OnColEnter = [&] { ++enters; };
    focusCell(0, "NMPACIENTE");
    QTest::keyClick(m_grid, Qt::Key_Right);
    QCOMPARE(m_grid->SelectedField()->FieldName(), QStringLiteral("CDDIETPAD"));
    QCOMPARE(enters, 1);
    QTest::keyClick(m_grid, Qt::Key_Right); // refused
    QCOMPARE(seen, (QStringList{"NMPACIENTE", "CDDIETPAD"}));
    QCOMPARE(enters, 1);
    QCOMPARE(m_grid->SelectedIndex(), 1);
    QCOMPARE(m_grid->currentIndex(), cell(0, "CDDIETPAD"));
    // A click on another column is refused the same way.
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {},
                      m_grid->visualRect(cell(1, "DSSERVINTE")).center());
    QCOMPARE(m_grid->currentIndex(), cell(0, "CDDIETPAD"));
    QCOMPARE(m_ds->RecNo(), 1);
}

void tst_Grid::codeSelectionRunsHandlersAndPropagatesAbort() {
    int exits = 0;
    bool refuse = false;
    m_grid->OnColExit = [&] {
        ++exits;
        if (refuse)
            Abort();
    };
    focusCell(1, "NMPACIENTE");
    m_grid->SetSelectedIndex(2);
    QCOMPARE(exits, 1);
    QCOMPARE(m_grid->currentIndex(), cell(1, "DSSERVINTE"));
    refuse = true;
    QVERIFY_THROWS_EXCEPTION(EAbort, m_grid->SetSelectedIndex(1));
    QCOMPARE(exits, 2);
    QCOMPARE(m_grid->SelectedIndex(), 2);
    QCOMPARE(m_grid->currentIndex(), cell(1, "DSSERVINTE"));
}

void tst_Grid::readOnlyTypingNeitherEditsNorJumps() {
    m_grid->SetEditing(true);
    focusCell(0, "NMPACIENTE");
    QTest::keyClicks(m_grid, QStringLiteral("Br")); // "Bruno" would be a keyboard search hit
    QCOMPARE(m_grid->currentIndex().row(), 0);
    QCOMPARE(m_ds->RecNo(), 1);
    QCOMPARE(m_ds->State(), dsBrowse);
    QVERIFY(!m_grid->EditorMode());
    // Editing switched off: a writable column refuses the same way.
    m_grid->SetEditing(false);
    focusCell(0, "DSSERVINTE");
    QTest::keyClicks(m_grid, QStringLiteral("x"));
    QVERIFY(!m_grid->EditorMode());
    QCOMPARE(m_ds->State(), dsBrowse);
}

void tst_Grid::typingEditsAndLeavingTheRowPosts() {
    int downs = 0;
    m_grid->OnKeyDown = [&](int& key, Qt::KeyboardModifiers) { downs += key == Qt::Key_Down; };
    m_grid->SetEditing(true);
    focusCell(0, "DSSERVINTE");
    QTest::keyClick(m_grid, Qt::Key_S);
    QVERIFY(m_grid->EditorMode());
    QCOMPARE(QApplication::focusWidget(), m_grid->InplaceEditor());
    QTest::keyClicks(m_grid->InplaceEditor(), QStringLiteral("em sal"));
    QCOMPARE(m_ds->State(), dsEdit); // the first keystroke
    QCOMPARE(qobject_cast<QLineEdit*>(m_grid->InplaceEditor())->text(), QStringLiteral("sem sal"));
    QTest::keyClick(m_grid->InplaceEditor(), Qt::Key_Down); // reaches the grid: next row
    QCOMPARE(downs, 1); // seen once, although the editor passed it on to the grid
    QVERIFY(!m_grid->EditorMode());
    QCOMPARE(m_ds->State(), dsBrowse);
    QCOMPARE(m_ds->RecNo(), 2);
    m_ds->First();
    QCOMPARE(m_ds->FieldByName(u"DSSERVINTE")->AsString(), QStringLiteral("sem sal"));
}

void tst_Grid::refusedPostPutsTheViewBack() {
    m_ds->BeforePost = [](TClientDataSet* ds) {
        if (ds->FieldByName(u"DSSERVINTE")->AsString() == QLatin1String("x"))
            Abort();
    };
    m_grid->SetEditing(true);
    focusCell(0, "DSSERVINTE");
    QTest::keyClicks(m_grid, QStringLiteral("x"));
    QTest::keyClick(m_grid->InplaceEditor(), Qt::Key_Return);
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {},
                      m_grid->visualRect(cell(2, "DSSERVINTE")).center());
    QCOMPARE(m_ds->RecNo(), 1);
    QCOMPARE(m_ds->State(), dsEdit);
    QCOMPARE(m_grid->currentIndex(), cell(0, "DSSERVINTE"));
}

void tst_Grid::ellipsisLookupWritesChosenCode() {
    auto diets = makeDiets();
    TDataSource dtsDieta;
    dtsDieta.SetDataSet(diets.get());
    TColumn& diet = m_grid->Column(m_grid->ColumnIndex(u"CDDIETPAD"));
    diet.ButtonStyle = TColumnButtonStyle::cbsEllipsis;
    m_grid->ColumnsChanged();
    m_grid->SetEditing(true);
    m_grid->OnEditButtonClick = [&] {
        if (!Pesquisar(&dtsDieta, QStringLiteral("Dieta|Não há dieta cadastrada."), false, true))
            return;
        if (m_ds->State() == dsBrowse)
            m_ds->Edit();
        m_ds->FieldByName(u"DSDIETPAD")->SetAsString(diets->FieldByName(u"DSDIETPAD")->AsString());
        m_ds->FieldByName(u"CDDIETPAD")->SetAsString(diets->FieldByName(u"CDDIETPAD")->AsString());
    };
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    script.answerDialog([](QDialog& dialog) {
        auto& pick = dynamic_cast<TPickListDialog&>(dialog);
        pick.chooseRow(2);
        return int(QDialog::Accepted);
    });
    focusCell(0, "CDDIETPAD");
    QTest::keyClicks(m_grid, QStringLiteral("9"));
    QVERIFY(m_grid->EditorMode());
    auto* ellipsis = m_grid->InplaceEditor()->findChild<QAction*>(QStringLiteral("ellipsis"));
    QVERIFY(ellipsis);
    ellipsis->trigger();
    QCOMPARE(script.dialogsShown.size(), 1);
    QCOMPARE(m_ds->FieldByName(u"CDDIETPAD")->AsString(), QStringLiteral("0003"));
    QCOMPARE(m_ds->FieldByName(u"DSDIETPAD")->AsString(), QStringLiteral("Pastosa"));
    QVERIFY(!m_grid->EditorMode()); // nothing stale left to commit over the choice
    QTest::keyClick(m_grid, Qt::Key_Down);
    m_ds->First();
    QCOMPARE(m_ds->FieldByName(u"CDDIETPAD")->AsString(), QStringLiteral("0003"));
}

void tst_Grid::lookupColumnShowsNameEditsCode() {
    TColumn& diet = m_grid->Column(m_grid->ColumnIndex(u"CDDIETPAD"));
    diet.DisplayField = QStringLiteral("DSDIETPAD");
    m_grid->ColumnsChanged();
    QCOMPARE(cell(1, "CDDIETPAD").data().toString(), QStringLiteral("Líquida"));
    m_grid->SetEditing(true);
    focusCell(1, "CDDIETPAD");
    QTest::keyClick(m_grid, Qt::Key_F2);
    QVERIFY(m_grid->EditorMode());
    QCOMPARE(qobject_cast<QLineEdit*>(m_grid->InplaceEditor())->text(), QStringLiteral("0002"));
    QCOMPARE(m_ds->State(), dsBrowse); // opened, nothing typed yet
    QTest::keyClick(m_grid->InplaceEditor(), Qt::Key_Escape);
    QCOMPARE(m_ds->State(), dsBrowse);
}

void tst_Grid::detachReattachKeepsWidthsAndCell() {
    m_grid->setColumnWidth(2, 333);
    QCOMPARE(m_grid->Column(2).Width, 333);
    focusCell(2, "DSSERVINTE");
    QCOMPARE(m_ds->RecNo(), 3);
    int scrolls = 0;
    m_ds->AfterScroll = [&](TClientDataSet*) { ++scrolls; };
    m_grid->DetachDataSource();
    QCOMPARE(m_grid->model()->rowCount(), 0);
    // A load while detached: the grid hears nothing.
    m_ds->EmptyDataSet();
    addRow(*m_ds, {"P7", "Davi", "0001", "Branda", ""});
    addRow(*m_ds, {"P8", "Eva", "", "", ""});
    addRow(*m_ds, {"P9", "Fábio", "", "", ""});
    addRow(*m_ds, {"P10", "Gil", "", "", ""});
    m_ds->SetRecNo(3);
    m_grid->AttachDataSource();
    QCOMPARE(m_grid->model()->rowCount(), 4);
    QCOMPARE(m_grid->columnWidth(2), 333);
    QCOMPARE(m_grid->columnWidth(0), 102);
    QCOMPARE(m_grid->currentIndex(), cell(2, "DSSERVINTE"));
    QCOMPARE(m_grid->SelectedIndex(), 2);
    m_ds->AfterScroll = nullptr;
}

void tst_Grid::clicksTitlesAndKeys() {
    QStringList events;
    m_grid->OnCellClick = [&](TColumn& c) { events << "cell:" + c.FieldName; };
    m_grid->OnTitleClick = [&](TColumn& c) { events << "title:" + c.FieldName; };
    m_grid->OnDblClick = [&] { events << "dbl"; };
    m_grid->OnKeyDown = [&](int& key, Qt::KeyboardModifiers) {
        events << QStringLiteral("key:%1").arg(key);
        if (key == Qt::Key_Down)
            key = 0; // consumed: the grid does not move
    };
    focusCell(0, "CDDIETPAD");
    const QPoint title(m_grid->horizontalHeader()->sectionViewportPosition(2) + 5, 5);
    QTest::mouseClick(m_grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, title);
    QCOMPARE(m_grid->currentIndex(), cell(0, "CDDIETPAD")); // a title click selects nothing
    QTest::keyClick(m_grid, Qt::Key_Down);
    QCOMPARE(m_ds->RecNo(), 1);
    const QPoint p = m_grid->visualRect(cell(1, "NMPACIENTE")).center();
    QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, p);
    QCOMPARE(m_ds->RecNo(), 2);
    QCOMPARE(events, (QStringList{"title:DSSERVINTE", QStringLiteral("key:%1").arg(Qt::Key_Down),
                                  "cell:NMPACIENTE", "dbl"}));
}

void tst_Grid::drawHandlerReadsTheDrawnRow() {
    QStringList drawn;
    m_grid->Column(0).HideText = true;
    m_grid->ColumnsChanged();
    m_grid->OnDrawColumnCell = [&](QPainter&, const QRect&, int, TColumn& column, TField* field,
                                   TGridDrawState) {
        if (column.FieldName == QLatin1String("NMPACIENTE"))
            drawn << field->DataSet()->FieldByName(u"CDPACIENTE")->AsString();
    };
    QCOMPARE(cell(0, "NMPACIENTE").data().toString(), QString());
    m_grid->grab();
    drawn.removeDuplicates();
    drawn.sort();
    QCOMPARE(drawn, (QStringList{"P1", "P2", "P3"}));
    QCOMPARE(m_ds->RecNo(), 1); // drawing never moves the cursor
}

void tst_Grid::oliveBecomesTransparent() {
    QImage picture(4, 2, QImage::Format_RGB32);
    picture.fill(qRgb(128, 128, 0));
    picture.setPixel(1, 1, qRgb(0, 0, 0));
    const QImage converted = TDBGrid::TransparentOlive(picture);
    QCOMPARE(converted.format(), QImage::Format_ARGB32);
    QCOMPARE(qAlpha(converted.pixel(0, 0)), 0);
    QCOMPARE(converted.pixel(1, 1), qRgb(0, 0, 0));
    QCOMPARE(TDBGrid::TransparentOlive(picture).cacheKey(), converted.cacheKey()); // once
}

void tst_Grid::bulkChangeWithControlsDisabled() {
    // The mark-all recipe: painting frozen, controls disabled, every record edited and posted.
    focusCell(1, "DSSERVINTE");
    int resets = 0;
    connect(m_grid->model(), &QAbstractItemModel::modelReset, this, [&] { ++resets; });
    {
        PaintFreeze freeze(m_window.get());
        QVERIFY(!m_window->updatesEnabled());
        m_ds->DisableControls();
        m_ds->First();
        while (!m_ds->Eof()) {
            m_ds->Edit();
            m_ds->FieldByName(u"DSSERVINTE")->SetAsString("marcado");
            m_ds->Post();
            m_ds->Next();
        }
        m_ds->First();
        m_ds->EnableControls();
    }
    QVERIFY(m_window->updatesEnabled());
    QCOMPARE(resets, 1); // one redraw at the end
    QCOMPARE(cell(2, "DSSERVINTE").data().toString(), QStringLiteral("marcado"));
    QCOMPARE(m_grid->currentIndex(), cell(0, "DSSERVINTE"));
}

void tst_Grid::columnChangesKeepTheEditor() {
    m_grid->SetEditing(true);
    focusCell(0, "DSSERVINTE");
    QTest::keyClick(m_grid, Qt::Key_A);
    QVERIFY(m_grid->EditorMode());
    m_grid->Column(0).Title = QStringLiteral("Nome");
    m_grid->ColumnsChanged();
    QVERIFY(m_grid->EditorMode());
    QCOMPARE(m_grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Nome"));
    m_grid->SetEditing(false); // switching editing off commits the open editor
    QVERIFY(!m_grid->EditorMode());
    QCOMPARE(m_ds->FieldByName(u"DSSERVINTE")->AsString(), QStringLiteral("a"));
    QCOMPARE(m_ds->State(), dsEdit);
}

void tst_Grid::boundControlsFollowTheCursor() {
    auto* text = new TDBText(m_window.get());
    auto* edit = new TDBEdit(m_window.get());
    auto* navigator = new TDBNavigator(m_window.get());
    text->SetDataSource(m_source);
    text->SetDataField("NMPACIENTE");
    edit->SetDataSource(m_source);
    edit->SetDataField("DSSERVINTE");
    navigator->SetDataSource(m_source);
    QCOMPARE(text->text(), QStringLiteral("Ana"));
    QVERIFY(!navigator->nbPrior->isEnabled());
    navigator->nbLast->click();
    QCOMPARE(text->text(), QStringLiteral("Carla"));
    QCOMPARE(m_grid->currentIndex().row(), 2);
    QVERIFY(!navigator->nbNext->isEnabled() && navigator->nbFirst->isEnabled());
    QCOMPARE(navigator->nbNext->focusPolicy(), Qt::NoFocus);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("jejum"));
    QCOMPARE(m_ds->State(), dsEdit);
    QCOMPARE(m_ds->FieldByName(u"DSSERVINTE")->AsString(), QStringLiteral("jejum"));
    QVERIFY(!navigator->nbFirst->isEnabled()); // no moving while editing
    m_ds->Post();
    m_ds->First();
    QCOMPARE(edit->text(), QString());
    QCOMPARE(text->text(), QStringLiteral("Ana"));
}

// A grid that selects rows shows the whole current row selected, whether the operator clicked
// it, the dataset moved, or a column was chosen from code.
void tst_Grid::rowGridSelectsTheWholeCurrentRow() {
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    QItemSelectionModel* selection = m_grid->selectionModel();
    m_ds->SetRecNo(2);
    QCoreApplication::processEvents();
    QVERIFY(selection->isRowSelected(1, {}));
    QVERIFY(!selection->isRowSelected(0, {}));
    m_grid->SetSelectedIndex(Consiste::IndiceCol(m_grid, "DSSERVINTE"));
    QVERIFY(selection->isRowSelected(1, {}));
    m_ds->First();
    QCoreApplication::processEvents();
    QVERIFY(selection->isRowSelected(0, {}));
    QVERIFY(!selection->isRowSelected(1, {}));
}

QTEST_MAIN(tst_Grid)
#include "tst_grid.moc"
