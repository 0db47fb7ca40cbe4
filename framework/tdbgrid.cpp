#include "framework/tdbgrid.h"

#include "framework/abortguard.h"
#include "framework/ptbr.h"
#include "framework/tmaskedit.h"
#include "platform/datasetmodel.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"

#include <QAction>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QtMath>

namespace dieta {

namespace {

// The current cell moved from code is selected as the operator's click selects it: the whole
// row in a grid that selects rows.
QItemSelectionModel::SelectionFlags cellSelection(const QAbstractItemView& view) {
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
    if (view.selectionBehavior() == QAbstractItemView::SelectRows)
        flags |= QItemSelectionModel::Rows;
    return flags;
}

} // namespace

// ---------------------------------------------------------------------------------------
// The model: DataSetModel with the grid's titles, alignments and read-only columns. A state
// change that keeps the rows (browse to edit and back) repaints instead of resetting, so an
// open editor and the current cell survive the first keystroke.
class GridModel : public DataSetModel {
public:
    explicit GridModel(TDBGrid* grid) : DataSetModel(grid), m_grid(grid) {
        OnError = [](std::exception_ptr error) {
            runGuarded([&] { std::rethrow_exception(error); });
        };
    }

    void attach(TDataSource* source) {
        if (DataSource())
            disconnect(DataSource(), nullptr, this, nullptr);
        SetDataSource(source);
        m_wasActive = active();
        if (!source)
            return;
        disconnect(source, &TDataSource::stateChanged, this, nullptr);
        connect(source, &TDataSource::stateChanged, this, [this] { stateChanged(); });
    }

    void reset() { SetFieldNames(FieldNames()); }

    QVariant data(const QModelIndex& index, int role) const override {
        const TColumn* column = m_grid->columnOfView(index.column());
        if (column && role == Qt::DisplayRole) {
            if (column->HideText)
                return QString();
            if (!column->DisplayField.isEmpty())
                return lookupText(index.row(), column->DisplayField);
        }
        if (column && role == Qt::TextAlignmentRole && column->Alignment != Qt::Alignment())
            return QVariant::fromValue(column->Alignment);
        return DataSetModel::data(index, role);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        const TColumn* column =
            orientation == Qt::Horizontal ? m_grid->columnOfView(section) : nullptr;
        if (column && !column->TitlePicture.isNull()) {
            if (role == Qt::DisplayRole)
                return QString();
            if (role == Qt::DecorationRole)
                return QIcon(QPixmap::fromImage(column->TitlePicture));
        }
        if (column) {
            if (role == Qt::DisplayRole && !column->Title.isEmpty())
                return column->Title;
            if (role == Qt::FontRole && column->TitleFont)
                return *column->TitleFont;
            if (role == Qt::TextAlignmentRole)
                return QVariant::fromValue(column->TitleAlignment);
        }
        return DataSetModel::headerData(section, orientation, role);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags result = DataSetModel::flags(index);
        const TColumn* column = m_grid->columnOfView(index.column());
        if (column && column->ReadOnly)
            result &= ~Qt::ItemIsEditable;
        return result;
    }

private:
    bool active() const {
        TDataSource* source = DataSource();
        return source && source->DataSet() && source->State() != dsInactive;
    }

    void stateChanged() {
        TClientDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
        const bool nowActive = active();
        const int rows = nowActive && ds ? ds->ViewCount() : 0;
        if (nowActive != m_wasActive || rows != rowCount()) {
            m_wasActive = nowActive;
            reset();
            return;
        }
        if (rows > 0 && columnCount() > 0)
            emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
    }

    QString lookupText(int row, const QString& fieldName) const {
        TClientDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
        TField* field = ds ? ds->FindField(fieldName) : nullptr;
        if (!field || row < 0 || row >= ds->ViewCount())
            return QString();
        QString text;
        try {
            ds->WithRow(row, [&] { text = field->DisplayText(); });
        } catch (...) {
            return QString();
        }
        return text;
    }

    TDBGrid* m_grid;
    bool m_wasActive = false;
};

// ---------------------------------------------------------------------------------------
// The delegate: a masked line edit as the in-place editor (the field's edit mask), the
// ellipsis as its trailing action, keys to the grid's OnKeyDown, painting after the default.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        TField* field = m_grid->m_model->FieldAt(index.column());
        auto* editor = new TMaskEdit(field ? field->EditMask() : QString(), parent);
        editor->setFrame(false);
        if (field && field->DataType() == FieldKind::String && field->Size() > 0 &&
            editor->mask().isEmpty())
            editor->setMaxLength(field->Size());
        const TColumn* column = m_grid->columnOfView(index.column());
        if (column && column->ButtonStyle == TColumnButtonStyle::cbsEllipsis) {
            QAction* ellipsis =
                editor->addAction(m_grid->style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                  QLineEdit::TrailingPosition);
            ellipsis->setObjectName(QStringLiteral("ellipsis"));
            ellipsis->setToolTip(QStringLiteral("Pesquisar"));
            QPointer<TDBGrid> grid = m_grid;
            QObject::connect(ellipsis, &QAction::triggered, m_grid, [grid] {
                if (grid)
                    grid->ellipsisClicked();
            });
        }
        m_grid->editorCreated(editor, index);
        return editor;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        m_grid->editorDestroyed(editor);
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* edit = static_cast<TMaskEdit*>(editor);
        // A repaint of the row must not wipe what the operator is typing.
        const QVariant initial = edit->property("dietaInitialText");
        if (initial.isValid() && edit->Text() != initial.toString())
            return;
        const QString text = editText(index);
        edit->setText(text);
        edit->setProperty("dietaInitialText", edit->Text());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* edit = static_cast<TMaskEdit*>(editor);
        // An editor left unchanged writes nothing: the record stays as it was.
        if (edit->Text() == edit->property("dietaInitialText").toString())
            return;
        TField* field = m_grid->m_model->FieldAt(index.column());
        QVariant value = edit->IsEmpty() ? QString() : edit->Value();
        if (field &&
            (field->DataType() == FieldKind::Float || field->DataType() == FieldKind::Integer)) {
            if (const auto number = ptbr::parseNumber(value.toString()))
                value = *number;
        }
        model->setData(index, value, Qt::EditRole);
        edit->setProperty("dietaInitialText", edit->Text());
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!m_grid->OnDrawColumnCell)
            return;
        TGridDrawState state;
        state.selected = option.state & QStyle::State_Selected;
        state.focused = (option.state & QStyle::State_HasFocus) && m_grid->hasFocus();
        painter->save();
        m_grid->drawCell(*painter, option.rect, index, state);
        painter->restore();
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && object == m_grid->m_editor) {
            if (m_grid->editorKeyDown(static_cast<QKeyEvent*>(event)))
                return true;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    QString editText(const QModelIndex& index) const {
        TClientDataSet* ds = m_grid->DataSet();
        TField* field = m_grid->m_model->FieldAt(index.column());
        if (!ds || !field || index.row() >= ds->ViewCount())
            return QString();
        QString text;
        try {
            ds->WithRow(index.row(), [&] { text = field->Text(); });
        } catch (...) {
        }
        return text;
    }

    TDBGrid* m_grid;
};

// ---------------------------------------------------------------------------------------

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent), m_model(new GridModel(this)), m_delegate(new GridDelegate(this)) {
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked);
    setTabKeyNavigation(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    // A title click is an event of its own: it must not select the column.
    disconnect(horizontalHeader(), &QHeaderView::sectionPressed, this, nullptr);
    disconnect(horizontalHeader(), &QHeaderView::sectionEntered, this, nullptr);

    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { afterReset(); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) { rememberWidth(section, size); });
    connectGuarded(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (OnCellClick && index.isValid())
            if (TColumn* column = columnOfView(index.column()))
                OnCellClick(*column);
    });
    connectGuarded(this, &QAbstractItemView::doubleClicked, this, [this] {
        if (OnDblClick)
            OnDblClick();
    });
    connectGuarded(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (OnTitleClick)
            if (TColumn* column = columnOfView(section))
                OnTitleClick(*column);
    });
}

TDBGrid::~TDBGrid() {
    // Handlers may point into a form being destroyed.
    OnDrawColumnCell = nullptr;
    OnColExit = nullptr;
    OnColEnter = nullptr;
}

// --- Data ---

TDataSource* TDBGrid::DataSource() const {
    return m_source;
}

TClientDataSet* TDBGrid::DataSet() const {
    TDataSource* source = m_detached ? m_detached.data() : m_source.data();
    return source ? source->DataSet() : nullptr;
}

void TDBGrid::SetDataSource(TDataSource* source) {
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_detached = nullptr;
    if (source)
        connect(source, &TDataSource::scrolled, this, [this] { followDataSetCursor(); });
    m_model->attach(source);
}

void TDBGrid::DetachDataSource() {
    if (!m_source)
        return;
    if (m_editor)
        CommitEditor();
    m_detached = m_source;
    disconnect(m_source, nullptr, this, nullptr);
    m_source = nullptr;
    m_model->attach(nullptr);
}

void TDBGrid::AttachDataSource() {
    if (!m_detached)
        return;
    TDataSource* source = m_detached;
    SetDataSource(source);
}

// --- Columns ---

TColumn& TDBGrid::AddColumn(const QString& fieldName, const QString& title, int width) {
    return InsertColumn(ColumnCount(), fieldName, title, width);
}

TColumn& TDBGrid::InsertColumn(int position, const QString& fieldName, const QString& title,
                               int width) {
    if (m_defaultColumns) {
        m_columns.clear();
        m_defaultColumns = false;
    }
    auto column = std::make_unique<TColumn>();
    column->FieldName = fieldName;
    column->Title = title;
    column->Width = width;
    position = std::clamp(position, 0, ColumnCount());
    TColumn& added = *column;
    m_columns.insert(m_columns.begin() + position, std::move(column));
    if (m_selectedColumn >= position)
        ++m_selectedColumn;
    ColumnsChanged();
    return added;
}

void TDBGrid::RemoveColumn(int index) {
    if (index < 0 || index >= ColumnCount())
        return;
    if (m_editor)
        CommitEditor();
    m_columns.erase(m_columns.begin() + index);
    if (m_selectedColumn == index)
        m_selectedColumn = ColumnCount() > 0 ? std::min(index, ColumnCount() - 1) : -1;
    else if (m_selectedColumn > index)
        --m_selectedColumn;
    ColumnsChanged();
}

void TDBGrid::ClearColumns() {
    m_columns.clear();
    m_selectedColumn = -1;
    m_defaultColumns = false;
    ColumnsChanged();
}

int TDBGrid::ColumnIndex(QStringView fieldName) const {
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (QStringView(m_columns[i]->FieldName).compare(fieldName, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

void TDBGrid::ColumnsChanged() {
    QStringList names;
    if (!m_defaultColumns)
        for (const auto& column : m_columns)
            names << column->FieldName;
    if (!m_defaultColumns && names.isEmpty())
        names << QStringLiteral("\x01none"); // no column at all, not every field
    if (names != m_model->FieldNames()) {
        m_model->SetFieldNames(names); // the reset reapplies everything
        return;
    }
    // Same fields: titles, widths and flags change in place; an open editor stays.
    applyColumns();
    if (m_model->columnCount() > 0) {
        emit m_model->headerDataChanged(Qt::Horizontal, 0, m_model->columnCount() - 1);
        if (m_model->rowCount() > 0)
            emit m_model->dataChanged(
                m_model->index(0, 0),
                m_model->index(m_model->rowCount() - 1, m_model->columnCount() - 1));
    }
}

int TDBGrid::columnIndexOfView(int viewColumn) const {
    TField* field = m_model->FieldAt(viewColumn);
    return field ? ColumnIndex(field->FieldName()) : -1;
}

TColumn* TDBGrid::columnOfView(int viewColumn) const {
    const int index = columnIndexOfView(viewColumn);
    return index >= 0 ? m_columns[size_t(index)].get() : nullptr;
}

int TDBGrid::viewColumnOf(int columnIndex) const {
    if (columnIndex < 0 || columnIndex >= ColumnCount())
        return -1;
    return m_model->ColumnOf(m_columns[size_t(columnIndex)]->FieldName);
}

void TDBGrid::applyColumns() {
    m_applying = true;
    if (m_defaultColumns) {
        // Every visible field: make columns of them so that the column API works alike.
        std::vector<std::unique_ptr<TColumn>> columns;
        for (int c = 0; c < m_model->columnCount(); ++c) {
            TField* field = m_model->FieldAt(c);
            auto old = std::find_if(m_columns.begin(), m_columns.end(), [&](const auto& existing) {
                return existing &&
                       existing->FieldName.compare(field->FieldName(), Qt::CaseInsensitive) == 0;
            });
            if (old != m_columns.end()) {
                columns.push_back(std::move(*old));
                continue;
            }
            auto column = std::make_unique<TColumn>();
            column->FieldName = field->FieldName();
            column->Width =
                std::clamp(field->DisplayWidth(), 4, 40) * fontMetrics().averageCharWidth() + 8;
            columns.push_back(std::move(column));
        }
        m_columns = std::move(columns);
    }
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const int view = viewColumnOf(int(i));
        if (view < 0)
            continue;
        setColumnHidden(view, !m_columns[i]->Visible);
        setColumnWidth(view, m_columns[i]->Width);
    }
    m_applying = false;
}

void TDBGrid::rememberWidth(int viewColumn, int newSize) {
    if (m_applying || newSize <= 0)
        return;
    if (TColumn* column = columnOfView(viewColumn))
        column->Width = newSize;
}

void TDBGrid::afterReset() {
    applyColumns();
    if (m_selectedColumn < 0 || m_selectedColumn >= ColumnCount())
        m_selectedColumn = ColumnCount() > 0 ? 0 : -1;
    TClientDataSet* ds = DataSet();
    restoreCell(ds && m_source ? ds->CurrentRow() : -1, m_selectedColumn);
}

// --- Selection ---

TField* TDBGrid::SelectedField() const {
    const int view = viewColumnOf(m_selectedColumn);
    return view >= 0 ? m_model->FieldAt(view) : nullptr;
}

TColumn* TDBGrid::SelectedColumn() {
    return m_selectedColumn >= 0 && m_selectedColumn < ColumnCount()
               ? m_columns[size_t(m_selectedColumn)].get()
               : nullptr;
}

void TDBGrid::restoreCell(int row, int columnIndex) {
    const int view = viewColumnOf(columnIndex);
    const QModelIndex target = row >= 0 && view >= 0 ? m_model->index(row, view) : QModelIndex();
    if (target == currentIndex())
        return;
    const bool was = m_settingCell;
    m_settingCell = true;
    if (target.isValid())
        selectionModel()->setCurrentIndex(target, cellSelection(*this));
    else
        selectionModel()->clearCurrentIndex();
    m_settingCell = was;
}

void TDBGrid::SetSelectedIndex(int index) {
    if (index < 0 || index >= ColumnCount() || index == m_selectedColumn)
        return;
    const int view = viewColumnOf(index);
    TClientDataSet* ds = DataSet();
    const int row = ds ? ds->CurrentRow() : -1;
    if (view < 0 || row < 0 || !m_source) {
        // Nothing shown: the column is taken without a cell to move to.
        m_codeSelect = true;
        m_codeSelectError = nullptr;
        runColumnChange(index);
        m_codeSelect = false;
        if (m_codeSelectError)
            std::rethrow_exception(std::exchange(m_codeSelectError, nullptr));
        return;
    }
    m_codeSelect = true;
    m_codeSelectError = nullptr;
    selectionModel()->setCurrentIndex(m_model->index(row, view), cellSelection(*this));
    m_codeSelect = false;
    if (m_codeSelectError)
        std::rethrow_exception(std::exchange(m_codeSelectError, nullptr));
}

// Runs one handler: through the guard for the operator's moves, or keeping the failure for
// SetSelectedIndex to rethrow.
static bool runHandler(bool keep, std::exception_ptr& kept, const EventHandler& handler) {
    if (!handler)
        return true;
    if (!keep)
        return runGuarded(handler) == GuardOutcome::Completed;
    try {
        handler();
        return true;
    } catch (...) {
        kept = std::current_exception();
        return false;
    }
}

bool TDBGrid::runColumnChange(int newColumnIndex) {
    m_inColumnChange = true;
    const bool left = runHandler(m_codeSelect, m_codeSelectError, OnColExit);
    if (left) {
        m_selectedColumn = newColumnIndex;
        runHandler(m_codeSelect, m_codeSelectError, OnColEnter);
    }
    m_inColumnChange = false;
    return left;
}

bool TDBGrid::moveDataSetTo(int row) {
    TClientDataSet* ds = DataSet();
    if (!ds || !ds->Active() || row == ds->CurrentRow())
        return true;
    const bool was = m_settingCell;
    m_settingCell = true; // the scroll notification must not move the view again
    const bool moved = runGuarded([&] { ds->SetRecNo(row + 1); }) == GuardOutcome::Completed;
    m_settingCell = was;
    return moved;
}

void TDBGrid::followDataSetCursor() {
    if (m_settingCell)
        return;
    TClientDataSet* ds = DataSet();
    if (!ds)
        return;
    if (m_editor && currentIndex().row() != ds->CurrentRow())
        closeEditor(m_editor, QAbstractItemDelegate::NoHint);
    restoreCell(ds->CurrentRow(), m_selectedColumn);
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (m_settingCell || !current.isValid()) {
        QTableView::currentChanged(current, previous);
        return;
    }
    if (m_inColumnChange) {
        // A column handler chose a cell itself: taken without handlers.
        m_selectedColumn = columnIndexOfView(current.column());
        QTableView::currentChanged(current, previous);
        return;
    }
    // The editor's text reaches the field before any handler reads it.
    if (m_editor)
        CommitEditor();
    const int newColumn = columnIndexOfView(current.column());
    TClientDataSet* ds = DataSet();
    const int oldRow = ds ? ds->CurrentRow() : previous.row();
    if (newColumn != m_selectedColumn && m_selectedColumn >= 0) {
        if (!runColumnChange(newColumn)) {
            restoreCell(oldRow, m_selectedColumn);
            return;
        }
    } else {
        m_selectedColumn = newColumn;
    }
    if (!moveDataSetTo(current.row())) {
        restoreCell(ds ? ds->CurrentRow() : previous.row(), m_selectedColumn);
        return;
    }
    QTableView::currentChanged(current, previous);
}

int TDBGrid::WidthForChars(double chars) const {
    const QFontMetricsF metrics(font());
    // Digits are often wider than the average character: codes and ages are digits.
    const qreal perChar =
        qMax(metrics.averageCharWidth(), metrics.horizontalAdvance(QLatin1Char('0')));
    return qCeil(chars * perChar) + 8;
}

// --- Editing ---

void TDBGrid::SetEditing(bool editing) {
    if (m_editing == editing)
        return;
    m_editing = editing;
    if (!editing && m_editor)
        CommitEditor();
}

void TDBGrid::CommitEditor() {
    QPointer<QWidget> editor = m_editor;
    if (!editor)
        return;
    commitData(editor);
    if (editor)
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (hint != QAbstractItemDelegate::EditNextItem &&
        hint != QAbstractItemDelegate::EditPreviousItem) {
        QTableView::closeEditor(editor, hint);
        return;
    }
    // Tab in the editor: the next cell opens its editor only when the move was taken (a
    // column exit handler may refuse it and keep the cell).
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    const QModelIndex next = moveCursor(
        hint == QAbstractItemDelegate::EditNextItem ? MoveNext : MovePrevious, Qt::NoModifier);
    if (!next.isValid())
        return;
    selectionModel()->setCurrentIndex(next, cellSelection(*this));
    if (currentIndex() == next && (model()->flags(next) & Qt::ItemIsEditable))
        edit(next);
}

bool TDBGrid::allowsEditing(const QModelIndex& index) const {
    if (!m_editing || !index.isValid() || !m_source)
        return false;
    if (!(m_model->flags(index) & Qt::ItemIsEditable))
        return false;
    TClientDataSet* ds = DataSet();
    return ds && ds->Active() && ds->ViewCount() > 0;
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger == QAbstractItemView::NoEditTriggers || !index.isValid())
        return QTableView::edit(index, trigger, event);
    if (m_editor && m_editorIndex == index)
        return QTableView::edit(index, trigger, event);
    if (!allowsEditing(index))
        return false;
    if (trigger == QAbstractItemView::AnyKeyPressed) {
        // The first keystroke puts the record in edit: the toolbar switches to editing then.
        TClientDataSet* ds = DataSet();
        bool ok = runGuarded([&] {
                      if (ds->CurrentRow() != index.row())
                          ds->SetRecNo(index.row() + 1);
                      if (ds->State() == dsBrowse)
                          ds->Edit();
                  }) == GuardOutcome::Completed;
        if (!ok)
            return false;
    }
    return QTableView::edit(index, trigger, event);
}

void TDBGrid::editorCreated(QWidget* editor, const QModelIndex& index) {
    m_editor = editor;
    m_editorIndex = index;
}

void TDBGrid::editorDestroyed(QWidget* editor) {
    if (m_editor == editor) {
        m_editor = nullptr;
        m_editorIndex = QPersistentModelIndex();
        m_editorKeyEvent = nullptr;
    }
}

void TDBGrid::ellipsisClicked() {
    // The typed text first reaches the field; the editor is closed so that nothing stale is
    // committed over what the handler writes to the dataset.
    CommitEditor();
    runGuarded([this] {
        if (OnEditButtonClick)
            OnEditButtonClick();
    });
}

// --- Keys ---

bool TDBGrid::runKeyDown(QKeyEvent* event) {
    if (!OnKeyDown)
        return false;
    int key = event->key();
    const bool completed =
        runGuarded([&] { OnKeyDown(key, event->modifiers()); }) == GuardOutcome::Completed;
    return !completed || key == 0;
}

TDBGrid::Typed TDBGrid::runKeyPress(const QKeyEvent& event, QChar& typed) {
    typed = keyPressChar(event);
    // Esc stays the window's: a dialog closes on it wherever the focus is.
    if (!OnKeyPress || typed.isNull() || typed == QChar(0x1b))
        return Typed::Kept;
    const QChar original = typed;
    if (runGuarded([&] { OnKeyPress(typed); }) != GuardOutcome::Completed || typed.isNull())
        return Typed::Discarded;
    return typed == original ? Typed::Kept : Typed::Replaced;
}

bool TDBGrid::editorKeyDown(QKeyEvent* event) {
    // A key the grid's own handlers saw and then passed to the editor it opened, or a
    // replacement on its way, is not seen twice.
    if (event == m_gridKeyEvent || m_resending)
        return false;
    m_editorKeyEvent = event;
    if (runKeyDown(event))
        return true;
    QChar typed;
    switch (runKeyPress(*event, typed)) {
    case Typed::Kept:
        return false;
    case Typed::Discarded:
        return true;
    case Typed::Replaced:
        break;
    }
    QKeyEvent replaced(QEvent::KeyPress, 0, event->modifiers(), QString(typed));
    m_resending = true;
    QCoreApplication::sendEvent(m_editor, &replaced);
    m_resending = false;
    return true;
}

bool TDBGrid::addRowByKey(const QKeyEvent& event) {
    const int key = event.key();
    if ((key != Qt::Key_Insert && key != Qt::Key_Down) ||
        (event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    TClientDataSet* ds = DataSet();
    if (!m_editing || !m_source || !ds || !ds->Active())
        return false;
    const int last = ds->ViewCount() - 1;
    if (key == Qt::Key_Down && ds->CurrentRow() < last)
        return false;
    // The typed text reaches the record before it is posted on the way to the new row.
    if (m_editor)
        CommitEditor();
    if (key == Qt::Key_Down && ds->State() == dsInsert && !ds->Modified())
        return true;
    runGuarded([&] {
        if (key == Qt::Key_Insert)
            ds->Insert();
        else
            ds->Append();
    });
    return true;
}

void TDBGrid::baseKeyPress(QKeyEvent* event) {
    QEvent* const outer = m_gridKeyEvent;
    m_gridKeyEvent = event;
    QTableView::keyPressEvent(event);
    m_gridKeyEvent = outer;
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    if (event == m_editorKeyEvent) {
        // Already seen by the handlers inside the editor, which passed it on.
        m_editorKeyEvent = nullptr;
        if (addRowByKey(*event))
            event->accept();
        else
            QTableView::keyPressEvent(event);
        return;
    }
    if (runKeyDown(event) || addRowByKey(*event)) {
        event->accept();
        return;
    }
    QChar typed;
    switch (runKeyPress(*event, typed)) {
    case Typed::Kept:
        baseKeyPress(event);
        return;
    case Typed::Discarded:
        event->accept();
        return;
    case Typed::Replaced:
        break;
    }
    QKeyEvent replaced(QEvent::KeyPress, 0, event->modifiers(), QString(typed));
    baseKeyPress(&replaced);
    event->setAccepted(replaced.isAccepted());
}

// --- Drawing ---

void TDBGrid::drawCell(QPainter& painter, const QRect& rect, const QModelIndex& index,
                       TGridDrawState state) {
    TColumn* column = columnOfView(index.column());
    TClientDataSet* ds = DataSet();
    if (!column || !ds || index.row() >= ds->ViewCount())
        return;
    TField* field = m_model->FieldAt(index.column());
    const int columnIndex = columnIndexOfView(index.column());
    runGuarded([&] {
        ds->WithRow(index.row(),
                    [&] { OnDrawColumnCell(painter, rect, columnIndex, *column, field, state); });
    });
}

QImage TDBGrid::TransparentOlive(const QImage& picture) {
    static QHash<qint64, QImage> converted;
    const auto found = converted.constFind(picture.cacheKey());
    if (found != converted.constEnd())
        return *found;
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb olive = qRgb(128, 128, 0);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] | 0xff000000u) == olive)
                line[x] = qRgba(0, 0, 0, 0);
    }
    if (converted.size() > 64)
        converted.clear();
    converted.insert(picture.cacheKey(), image);
    return image;
}

void TDBGrid::DrawPicture(QPainter& painter, const QRect& rect, const QImage& picture, int offset) {
    const QImage image = TransparentOlive(picture);
    const QRect target(rect.left() + offset, rect.top(), image.width(),
                       std::min(rect.height(), image.height()));
    painter.save();
    painter.setClipRect(rect);
    painter.drawImage(target, image, QRect(0, 0, target.width(), target.height()));
    painter.restore();
}

QImage TDBGrid::CheckBoxPicture(bool ticked, const QColor& tick) {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 0));
    QPainter p(&img);
    p.fillRect(2, 2, 12, 12, Qt::white);
    p.setPen(QColor(64, 64, 64));
    p.drawLine(2, 2, 13, 2);
    p.drawLine(2, 2, 2, 13);
    p.setPen(QColor(192, 192, 192));
    p.drawLine(13, 3, 13, 13);
    p.drawLine(3, 13, 13, 13);
    if (ticked) {
        p.setPen(QPen(tick, 2));
        p.drawLine(4, 8, 7, 11);
        p.drawLine(7, 11, 12, 4);
    }
    return img;
}

void TDBGrid::DrawCellText(QPainter& painter, const QRect& rect, const QString& text,
                           TGridDrawState state) const {
    const QPalette& pal = palette();
    painter.save();
    painter.setClipRect(rect);
    painter.fillRect(rect,
                     state.selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base));
    painter.setPen(state.selected ? pal.color(QPalette::HighlightedText)
                                  : pal.color(QPalette::Text));
    painter.setFont(font());
    painter.drawText(rect.adjusted(3, 3, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
    painter.restore();
}

} // namespace dieta
