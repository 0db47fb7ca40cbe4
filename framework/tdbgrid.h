#pragma once
// TDBGrid: the data grid on a TDataSource, a QTableView over DataSetModel with the events and
// rules the windows' handlers are written for.
//
// - Columns by field name (title, width, read-only, alignment, ellipsis button, a display
//   field for lookup columns: the name shows, the code is edited). Columns are found by field
//   name (IndiceCol); a column whose field the dataset lacks is not shown.
// - SelectedField is the current column, kept by currentChanged; while OnColExit runs it is
//   still the old column. Qt cannot veto a column change: when OnColExit aborts, the current
//   cell is put back (Tab out of an editor then opens no editor on the next cell).
//   SetSelectedIndex (choosing a column from code) runs exit and enter too and lets the abort
//   reach its caller.
// - Editing: Editing() on, the column and its field writable; the one gate is the override of
//   edit(index, trigger, event). keyboardSearch() does nothing, so a refused key neither edits
//   nor jumps rows. The first keystroke puts the dataset in edit; the model writes the field
//   and never posts; leaving the record posts it (a refused post puts the view back on the
//   dataset's record).
// - Events (std::function members, run through the abort guard): OnDrawColumnCell after the
//   default painting (inside it the dataset reads the drawn row), OnCellClick (on release),
//   OnTitleClick, OnKeyDown before the grid (keys typed in an editor too, and the keystroke
//   that opens an editor, once), OnKeyPress
//   after it for characters (controlevents.h says which keys are characters; Esc is left to
//   the window, which closes on it), OnDblClick, OnColEnter, OnColExit, OnEditButtonClick (the
//   editor's trailing "..." action: the editor is committed and closed first, so a lookup
//   writes its choice to the dataset).
// - Adding rows, while Editing() is on: Insert inserts a row before the current one and Down
//   on the last row (or in an empty grid) appends one, both through the dataset, whose
//   BeforeInsert may refuse (an abort there adds nothing, silently). Down on a new last row
//   that nothing was written to adds no other.
// - DetachDataSource/AttachDataSource around a load: widths and the current cell are kept.

#include "framework/controlevents.h"
#include "framework/framework_export.h"
#include "platform/tdatasource.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QStyle>
#include <QTableView>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace dieta {

class TClientDataSet;
class TDataSource;
class TField;
class GridModel;
class GridDelegate;

enum class TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };

struct FRAMEWORK_EXPORT TColumn {
    QString FieldName;
    QString Title; // empty: the field's label
    int Width = 64;
    bool ReadOnly = false;
    bool Visible = true;
    Qt::Alignment Alignment; // empty: the field's (numbers right)
    Qt::Alignment TitleAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    std::optional<QFont> TitleFont;
    TColumnButtonStyle ButtonStyle = TColumnButtonStyle::cbsAuto;
    // Lookup columns: the field shown instead of FieldName while no editor is open.
    QString DisplayField;
    // Image columns: the field's text is not painted (the draw handler paints the picture).
    bool HideText = false;
    // A title drawn as this picture instead of a text.
    QImage TitlePicture;
};

// Drawing state of a cell, as the draw handler sees it.
struct TGridDrawState {
    bool selected = false; // the current cell (or row with whole-row selection)
    bool focused = false;  // the current cell while the grid has the focus
};

class FRAMEWORK_EXPORT TDBGrid : public QTableView {
    Q_OBJECT
public:
    using CellEvent = std::function<void(TColumn& column)>;
    using DrawEvent = std::function<void(QPainter& painter, const QRect& rect, int columnIndex,
                                         TColumn& column, TField* field, TGridDrawState state)>;

    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    // --- Data
    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TClientDataSet* DataSet() const;
    // Around a load: the view keeps its columns, widths and current cell.
    void DetachDataSource();
    void AttachDataSource();

    // --- Columns (indexes into Columns, whether shown or not)
    TColumn& AddColumn(const QString& fieldName, const QString& title = QString(), int width = 64);
    TColumn& InsertColumn(int position, const QString& fieldName, const QString& title = QString(),
                          int width = 64);
    void RemoveColumn(int index);
    void ClearColumns();
    int ColumnCount() const { return int(m_columns.size()); }
    TColumn& Column(int index) { return *m_columns.at(size_t(index)); }
    int ColumnIndex(QStringView fieldName) const; // -1 when absent
    // Apply changes made to a TColumn's properties (ButtonStyle and ReadOnly count at the next
    // editor without it). Keeps the current cell and an open editor unless fields changed.
    void ColumnsChanged();
    // Pixels that show `chars` characters of the grid's font in a cell, margins included.
    int WidthForChars(double chars) const;

    // --- Selection
    int SelectedIndex() const { return m_selectedColumn; }
    // Runs the exit and enter handlers; an abort in them puts the cell back and propagates.
    void SetSelectedIndex(int index);
    TField* SelectedField() const;
    TColumn* SelectedColumn();

    // --- Editing
    bool Editing() const { return m_editing; }
    // Switching it off commits and closes an open editor.
    void SetEditing(bool editing);
    bool EditorMode() const { return m_editor != nullptr; }
    QWidget* InplaceEditor() const { return m_editor; }
    // Commits the open editor's text to the field and closes it.
    void CommitEditor();

    // --- Drawing helpers for draw handlers
    // The picture converted once to ARGB32 with its qRgb(128,128,0) pixels transparent.
    static QImage TransparentOlive(const QImage& picture);
    // Draws the picture at rect's left + offset and top, clipped to the cell.
    static void DrawPicture(QPainter& painter, const QRect& rect, const QImage& picture,
                            int offset);
    // The 16 x 16 box of flag cells on a clOlive background: empty, or with a tick of the
    // given colour (black for a choice, green for an option).
    static QImage CheckBoxPicture(bool ticked, const QColor& tick = Qt::black);
    // Writes a text 3 pixels right and below the cell's corner, over the cell's background.
    void DrawCellText(QPainter& painter, const QRect& rect, const QString& text,
                      TGridDrawState state) const;

    // --- Events
    DrawEvent OnDrawColumnCell;
    CellEvent OnCellClick;
    CellEvent OnTitleClick;
    KeyDownHandler OnKeyDown;
    // Setting the character to QChar() discards it; another character replaces it.
    KeyPressHandler OnKeyPress;
    EventHandler OnDblClick;
    EventHandler OnColEnter;
    EventHandler OnColExit;
    EventHandler OnEditButtonClick;

    using QTableView::edit;
    void keyboardSearch(const QString&) override {}

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class GridModel;
    friend class GridDelegate;

    int viewColumnOf(int columnIndex) const;
    int columnIndexOfView(int viewColumn) const;
    TColumn* columnOfView(int viewColumn) const;
    void applyColumns();
    void afterReset();
    void followDataSetCursor();
    void restoreCell(int row, int columnIndex);
    bool moveDataSetTo(int row);
    bool runColumnChange(int newColumnIndex);
    bool allowsEditing(const QModelIndex& index) const;
    void editorCreated(QWidget* editor, const QModelIndex& index);
    void editorDestroyed(QWidget* editor);
    void ellipsisClicked();
    bool editorKeyDown(QKeyEvent* event);
    bool runKeyDown(QKeyEvent* event);
    enum class Typed { Kept, Discarded, Replaced };
    Typed runKeyPress(const QKeyEvent& event, QChar& typed);
    bool addRowByKey(const QKeyEvent& event);
    void baseKeyPress(QKeyEvent* event);
    void drawCell(QPainter& painter, const QRect& rect, const QModelIndex& index,
                  TGridDrawState state);
    void rememberWidth(int viewColumn, int newSize);

    std::vector<std::unique_ptr<TColumn>> m_columns;
    bool m_defaultColumns = true; // no column defined: every visible field
    GridModel* m_model;
    GridDelegate* m_delegate;
    QPointer<TDataSource> m_source;
    QPointer<TDataSource> m_detached;
    int m_selectedColumn = -1;
    bool m_editing = false;
    QPointer<QWidget> m_editor;
    QPersistentModelIndex m_editorIndex;
    QEvent* m_editorKeyEvent = nullptr; // seen by the handlers inside the editor
    QEvent* m_gridKeyEvent = nullptr;   // seen by the grid's handlers, forwarded to an editor
    bool m_resending = false;           // a replaced character on its way to the editor
    bool m_settingCell = false;         // our own setCurrentIndex: no handlers
    bool m_inColumnChange = false;
    bool m_applying = false;
    std::exception_ptr m_codeSelectError;
    bool m_codeSelect = false;
};

// Detaches the grid from its data source for a scope (a load) and attaches it again at the
// end, also when the load fails.
class FRAMEWORK_EXPORT TDBGridDetach {
public:
    explicit TDBGridDetach(TDBGrid* grid) : m_grid(grid) { m_grid->DetachDataSource(); }
    ~TDBGridDetach() {
        if (m_grid)
            m_grid->AttachDataSource();
    }
    TDBGridDetach(const TDBGridDetach&) = delete;
    TDBGridDetach& operator=(const TDBGridDetach&) = delete;

private:
    QPointer<TDBGrid> m_grid;
};

} // namespace dieta
