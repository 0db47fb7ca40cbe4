// The data grid's characters and new rows: OnKeyPress seeing each character once, in the grid
// and in its editor, discarding or replacing it; Insert and Down past the last row adding a
// row through the dataset's BeforeInsert; Tab out of an editor whose column refuses to be left.

#include "framework/abortguard.h"
#include "framework/tdbgrid.h"
#include "gridfixture.h"

#include <QLineEdit>
#include <QVBoxLayout>

using namespace dieta;
using namespace dieta::test;

class tst_GridRows : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void charactersDiscardedInGridAndEditor();
    void charactersReplacedAndSeenOnce();
    void insertKeyInsertsThroughBeforeInsert();
    void downPastTheLastRowAppends();
    void emptyGridAndOpenEditorAppendToo();
    void tabOutOfARefusedColumnOpensNoEditor();

private:
    QModelIndex cell(int row, const char* field) const {
        return m_grid->model()->index(row, m_grid->ColumnIndex(QString::fromLatin1(field)));
    }
    void focusCell(int row, const char* field) {
        m_grid->setFocus();
        m_grid->setCurrentIndex(cell(row, field));
    }
    QLineEdit* editor() const { return qobject_cast<QLineEdit*>(m_grid->InplaceEditor()); }

    std::unique_ptr<TClientDataSet> m_ds;
    std::unique_ptr<QWidget> m_window;
    TDBGrid* m_grid = nullptr;
};

void tst_GridRows::init() {
    m_ds = makeInpatients();
    m_window = std::make_unique<QWidget>();
    m_window->resize(600, 300);
    auto* layout = new QVBoxLayout(m_window.get());
    m_grid = new TDBGrid(m_window.get());
    layout->addWidget(m_grid);
    auto* source = new TDataSource(m_window.get());
    source->SetDataSet(m_ds.get());
    m_grid->AddColumn("NMPACIENTE", "Paciente", 102).ReadOnly = true;
    m_grid->AddColumn("CDDIETPAD", "Cód. Dieta", 100);
    m_grid->AddColumn("DSSERVINTE", "Observação", 200);
    m_grid->SetDataSource(source);
    m_grid->SetEditing(true);
    QVERIFY(showActive(*m_window));
}

void tst_GridRows::cleanup() {
    m_window.reset();
    m_ds.reset();
}

void tst_GridRows::charactersDiscardedInGridAndEditor() {
    QString seen;
    m_grid->OnKeyPress = [&](QChar& key) {
        seen += key;
        if (key.isDigit() || key == QLatin1Char('\b'))
            key = QChar();
        else if (key == QLatin1Char('!'))
            Abort(); // an abort discards as well
    };
    focusCell(0, "DSSERVINTE");
    // Discarded in the grid: no editor, no edit.
    QTest::keyClick(m_grid, Qt::Key_7);
    QVERIFY(!m_grid->EditorMode());
    QCOMPARE(m_ds->State(), dsBrowse);
    // Kept: the editor opens with it; inside it digits and Backspace are discarded too.
    QTest::keyClicks(m_grid, QStringLiteral("a"));
    QVERIFY(m_grid->EditorMode());
    QTest::keyClicks(editor(), QStringLiteral("1b!"));
    QTest::keyClick(editor(), Qt::Key_Backspace);
    QCOMPARE(editor()->text(), QStringLiteral("ab"));
    // Delete is a key, not a character: it reaches the editor.
    QTest::keyClick(editor(), Qt::Key_Home);
    QTest::keyClick(editor(), Qt::Key_Delete);
    QCOMPARE(editor()->text(), QStringLiteral("b"));
    // Esc stays the window's: not a character of the grid.
    QTest::keyClick(editor(), Qt::Key_Escape);
    QVERIFY(!m_grid->EditorMode());
    QCOMPARE(seen, QStringLiteral("7a1b!\b"));
}

void tst_GridRows::charactersReplacedAndSeenOnce() {
    int downs = 0;
    int presses = 0;
    m_grid->OnKeyDown = [&](int&, Qt::KeyboardModifiers) { ++downs; };
    m_grid->OnKeyPress = [&](QChar& key) {
        ++presses;
        key = key.toUpper();
    };
    focusCell(1, "DSSERVINTE");
    QTest::keyClicks(m_grid, QStringLiteral("s"));
    QTest::keyClicks(editor(), QStringLiteral("al"));
    QCOMPARE(editor()->text(), QStringLiteral("SAL"));
    // The keystroke that opened the editor went through the handlers once.
    QCOMPARE(downs, 3);
    QCOMPARE(presses, 3);
    QTest::keyClick(editor(), Qt::Key_Return); // the delegate commits queued
    QTRY_COMPARE(m_ds->FieldByName(u"DSSERVINTE")->AsString(), QStringLiteral("SAL"));
}

void tst_GridRows::insertKeyInsertsThroughBeforeInsert() {
    bool refuse = true;
    int asked = 0;
    m_ds->BeforeInsert = [&](TClientDataSet*) {
        ++asked;
        if (refuse)
            Abort();
    };
    focusCell(1, "CDDIETPAD");
    QTest::keyClick(m_grid, Qt::Key_Insert);
    QCOMPARE(asked, 1);
    QCOMPARE(m_ds->ViewCount(), 3);
    QCOMPARE(m_ds->State(), dsBrowse);
    // Without editing the grid adds nothing and asks nothing.
    refuse = false;
    m_grid->SetEditing(false);
    QTest::keyClick(m_grid, Qt::Key_Insert);
    QCOMPARE(asked, 1);
    m_grid->SetEditing(true);
    QTest::keyClick(m_grid, Qt::Key_Insert);
    QCOMPARE(asked, 2);
    QCOMPARE(m_ds->State(), dsInsert);
    QCOMPARE(m_ds->ViewCount(), 4);
    // Before the row it was on, which the view follows.
    QCOMPARE(m_ds->CurrentRow(), 1);
    QCOMPARE(m_grid->currentIndex(), cell(1, "CDDIETPAD"));
    QCOMPARE(m_ds->RowValue(2, m_ds->FieldByName(u"CDPACIENTE")).toString(), QStringLiteral("P2"));
}

void tst_GridRows::downPastTheLastRowAppends() {
    int asked = 0;
    m_ds->BeforeInsert = [&](TClientDataSet*) { ++asked; };
    focusCell(1, "CDDIETPAD");
    QTest::keyClick(m_grid, Qt::Key_Down); // not the last row: it only moves
    QCOMPARE(m_ds->CurrentRow(), 2);
    QCOMPARE(asked, 0);
    QTest::keyClick(m_grid, Qt::Key_Down);
    QCOMPARE(asked, 1);
    QCOMPARE(m_ds->State(), dsInsert);
    QCOMPARE(m_ds->CurrentRow(), 3);
    QCOMPARE(m_grid->currentIndex(), cell(3, "CDDIETPAD"));
    // A new row nothing was written to: Down adds no other.
    QTest::keyClick(m_grid, Qt::Key_Down);
    QCOMPARE(asked, 1);
    QCOMPARE(m_ds->ViewCount(), 4);
    // Written to: posted, and the next one added.
    QTest::keyClicks(m_grid, QStringLiteral("0"));
    QTest::keyClicks(editor(), QStringLiteral("009"));
    QTest::keyClick(editor(), Qt::Key_Down);
    QCOMPARE(asked, 2);
    QCOMPARE(m_ds->RecordCount(), 4);
    QCOMPARE(m_ds->RowValue(3, m_ds->FieldByName(u"CDDIETPAD")).toString(), QStringLiteral("0009"));
    QCOMPARE(m_ds->CurrentRow(), 4);
    // Up from the untouched new row drops it.
    QTest::keyClick(m_grid, Qt::Key_Up);
    QCOMPARE(m_ds->State(), dsBrowse);
    QCOMPARE(m_ds->ViewCount(), 4);
    // With editing off, Down on the last row stays there.
    m_grid->SetEditing(false);
    m_ds->Last();
    QTest::keyClick(m_grid, Qt::Key_Down);
    QCOMPARE(asked, 2);
}

void tst_GridRows::emptyGridAndOpenEditorAppendToo() {
    m_ds->EmptyDataSet();
    m_grid->setFocus();
    QTest::keyClick(m_grid, Qt::Key_Down);
    QCOMPARE(m_ds->State(), dsInsert);
    QCOMPARE(m_ds->ViewCount(), 1);
    // A post refused on the way to the next row keeps the row and adds none.
    m_ds->BeforePost = [](TClientDataSet* ds) {
        if (ds->FieldByName(u"CDDIETPAD")->AsString().isEmpty())
            Abort();
    };
    m_grid->SetSelectedIndex(m_grid->ColumnIndex(u"DSSERVINTE"));
    QTest::keyClicks(m_grid, QStringLiteral("x"));
    QTest::keyClick(editor(), Qt::Key_Down);
    QCOMPARE(m_ds->ViewCount(), 1);
    QCOMPARE(m_ds->State(), dsInsert);
    QCOMPARE(m_ds->FieldByName(u"DSSERVINTE")->AsString(), QStringLiteral("x"));
}

void tst_GridRows::tabOutOfARefusedColumnOpensNoEditor() {
    m_grid->OnColExit = [this] {
        if (m_grid->SelectedField()->FieldName() == QLatin1String("CDDIETPAD") &&
            m_ds->FieldByName(u"CDDIETPAD")->AsString() == QLatin1String("9"))
            Abort();
    };
    focusCell(0, "CDDIETPAD");
    QTest::keyClick(m_grid, Qt::Key_F2);
    editor()->selectAll();
    QTest::keyClicks(editor(), QStringLiteral("9"));
    QTest::keyClick(editor(), Qt::Key_Tab);
    QCOMPARE(m_grid->currentIndex(), cell(0, "CDDIETPAD"));
    QVERIFY(!m_grid->EditorMode());
    // Taken: the next cell opens its editor, as before.
    QTest::keyClicks(m_grid, QStringLiteral("1"));
    QTest::keyClick(editor(), Qt::Key_Tab);
    QCOMPARE(m_grid->currentIndex(), cell(0, "DSSERVINTE"));
    QVERIFY(m_grid->EditorMode());
}

QTEST_MAIN(tst_GridRows)
#include "tst_gridrows.moc"
