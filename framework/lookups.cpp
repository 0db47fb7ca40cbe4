#include "framework/lookups.h"

#include "framework/abortguard.h"
#include "framework/dialogservice.h"
#include "platform/tadoibquery.h"
#include "platform/tdatasource.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace dieta {

namespace {

struct Title {
    QString caption;
    QString emptyText;
};

Title splitTitle(const QString& title) {
    const qsizetype bar = title.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return {title, QStringLiteral("Não há registros para pesquisar.")};
    return {title.left(bar), title.mid(bar + 1)};
}

TClientDataSet* openedDataSet(TDataSource* source) {
    if (!source || !source->DataSet())
        return nullptr;
    OpenLookupSource(source);
    return source->DataSet();
}

// Shows the empty-list text; false when the list has rows.
bool reportEmpty(TClientDataSet* ds, const Title& title, bool emptyIsError, QWidget* parent) {
    if (ds && !ds->IsEmpty())
        return false;
    if (emptyIsError)
        dialogs().message(MsgKind::Error, title.emptyText, parent);
    return true;
}

QDialogButtonBox* makeButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("btnOk"));
    cancel->setObjectName(QStringLiteral("btnCancelar"));
    // Enter confirms and Esc cancels from anywhere; the buttons never take the focus.
    ok->setDefault(true);
    ok->setFocusPolicy(Qt::NoFocus);
    cancel->setFocusPolicy(Qt::NoFocus);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

bool pick(TDataSource* source, const QString& titleText, bool allFields, bool emptyIsError,
          QWidget* parent, bool searchFirst) {
    const Title title = splitTitle(titleText);
    TClientDataSet* ds = openedDataSet(source);
    if (!ds || reportEmpty(ds, title, emptyIsError, parent))
        return false;
    TPickListDialog dialog(ds, title.caption, false, allFields, parent);
    dialog.chooseRow(std::max(0, ds->CurrentRow()));
    if (searchFirst)
        dialog.focusSearch();
    if (dialogs().execDialog(dialog) != QDialog::Accepted)
        return false;
    const int row = dialog.chosenRow();
    if (row < 0 || row >= ds->ViewCount())
        return false;
    ds->SetRecNo(row + 1);
    return true;
}

} // namespace

void OpenLookupSource(TDataSource* source) {
    TClientDataSet* ds = source ? source->DataSet() : nullptr;
    if (!ds || ds->Active())
        return;
    if (auto* query = dynamic_cast<TADOIBQuery*>(ds))
        query->Open();
    else
        ds->Open();
}

QString JoinCodeList(const QStringList& codes) {
    if (codes.isEmpty())
        return QString();
    return QLatin1Char('_') + codes.join(QLatin1Char('_')) + QLatin1Char('_');
}

QStringList SplitCodeList(const QString& list) {
    if (list == QLatin1String("T"))
        return {};
    QStringList codes = list.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    return codes;
}

bool Pesquisar(TDataSource* source, const QString& title, bool allFields, bool emptyIsError,
               QWidget* parent) {
    return pick(source, title, allFields, emptyIsError, parent, false);
}

bool Pesquisar_Plus(TDataSource* source, const QString& title, bool allFields, bool emptyIsError,
                    QWidget* parent) {
    return pick(source, title, allFields, emptyIsError, parent, true);
}

bool PesquisaLista(TDataSource* source, const QString& keyField, const QString& titleText,
                   bool allAsT, QString& list, QWidget* parent) {
    const Title title = splitTitle(titleText);
    TClientDataSet* ds = openedDataSet(source);
    if (!ds || reportEmpty(ds, title, true, parent))
        return false;
    TField* key = ds->FieldByName(keyField);
    TPickListDialog dialog(ds, title.caption, true, false, parent);
    const bool all = list == QLatin1String("T");
    const QStringList chosen = SplitCodeList(list);
    for (int row = 0; row < ds->ViewCount(); ++row) {
        const QString code = ds->RowValue(row, key).toString();
        dialog.setChecked(row, all || chosen.contains(code));
    }
    if (dialogs().execDialog(dialog) != QDialog::Accepted)
        return false;
    const QList<int> rows = dialog.checkedRows();
    if (allAsT && !rows.isEmpty() && rows.size() == ds->ViewCount()) {
        list = QStringLiteral("T");
        return true;
    }
    QStringList codes;
    for (int row : rows) {
        const QString code = ds->RowValue(row, key).toString();
        if (!codes.contains(code))
            codes << code;
    }
    list = JoinCodeList(codes);
    return true;
}

bool Procura(TClientDataSet* ds, QWidget* parent) {
    if (!ds || !ds->Active() || ds->IsEmpty())
        return false;
    TProcuraDialog dialog(ds, parent);
    if (dialogs().execDialog(dialog) != QDialog::Accepted || dialog.text().isEmpty())
        return false;
    if (ds->Locate(dialog.fieldName(), dialog.text(), loCaseInsensitive | loPartialKey))
        return true;
    dialogs().message(MsgKind::Information, QStringLiteral("Registro não encontrado."), parent);
    return false;
}

// --- TPickListDialog ---

TPickListDialog::TPickListDialog(TClientDataSet* ds, const QString& caption, bool multiple,
                                 bool allFields, QWidget* parent)
    : QDialog(parent), m_view(new QTableView(this)), m_search(new QLineEdit(this)),
      m_model(new QStandardItemModel(this)), m_multiple(multiple) {
    setObjectName(QStringLiteral("TPickListDialog"));
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Pesquisa") : caption);
    resize(480, 360);

    QList<TField*> fields;
    for (TField* field : ds->FieldList())
        if (allFields || field->Visible())
            fields << field;
    QStringList headers;
    for (TField* field : fields)
        headers << field->DisplayLabel();
    m_model->setHorizontalHeaderLabels(headers);
    for (int row = 0; row < ds->ViewCount(); ++row) {
        QList<QStandardItem*> items;
        ds->WithRow(row, [&] {
            for (TField* field : fields) {
                auto* item = new QStandardItem(field->DisplayText());
                item->setEditable(false);
                items << item;
            }
        });
        if (m_multiple && !items.isEmpty()) {
            items.first()->setCheckable(true);
            items.first()->setCheckState(Qt::Unchecked);
        }
        m_model->appendRow(items);
    }

    m_view->setObjectName(QStringLiteral("grdPesquisa"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->resizeColumnsToContents();
    if (!m_multiple)
        connect(m_view, &QAbstractItemView::activated, this, &QDialog::accept);
    else
        connect(m_view, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
            setChecked(index.row(), !isChecked(index.row()));
        });

    m_search->setObjectName(QStringLiteral("edtPesquisa"));
    m_search->setPlaceholderText(QStringLiteral("Localizar"));
    connect(m_search, &QLineEdit::textEdited, this, [this](const QString& text) { search(text); });
    // Up and Down in the search line move through the list.
    m_search->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_search);
    layout->addWidget(m_view, 1);
    if (m_multiple)
        layout->addWidget(new QLabel(QStringLiteral("Espaço marca ou desmarca a linha."), this));
    layout->addWidget(makeButtons(this));
    m_view->setFocus();
    setTabOrder(m_view, m_search);
}

int TPickListDialog::rowCount() const {
    return m_model->rowCount();
}

QString TPickListDialog::cellText(int row, int column) const {
    const QStandardItem* item = m_model->item(row, column);
    return item ? item->text() : QString();
}

void TPickListDialog::chooseRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    m_view->setCurrentIndex(m_model->index(row, 0));
}

int TPickListDialog::chosenRow() const {
    return m_view->currentIndex().isValid() ? m_view->currentIndex().row() : -1;
}

void TPickListDialog::setChecked(int row, bool checked) {
    if (QStandardItem* item = m_model->item(row, 0); item && item->isCheckable())
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

bool TPickListDialog::isChecked(int row) const {
    const QStandardItem* item = m_model->item(row, 0);
    return item && item->checkState() == Qt::Checked;
}

QList<int> TPickListDialog::checkedRows() const {
    QList<int> rows;
    for (int row = 0; row < rowCount(); ++row)
        if (isChecked(row))
            rows << row;
    return rows;
}

bool TPickListDialog::search(const QString& text) {
    if (text.isEmpty())
        return false;
    for (int row = 0; row < rowCount(); ++row)
        for (int column = 0; column < m_model->columnCount(); ++column)
            if (cellText(row, column).startsWith(text, Qt::CaseInsensitive)) {
                chooseRow(row);
                return true;
            }
    return false;
}

void TPickListDialog::focusSearch() {
    m_searchFirst = true;
    m_search->setFocus();
}

void TPickListDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The list (or the search line) has the focus from the start: everything by keyboard.
    (m_searchFirst ? static_cast<QWidget*>(m_search) : m_view)->setFocus();
}

bool TPickListDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
            key == Qt::Key_PageDown) {
            QKeyEvent copy(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(m_view, &copy);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- TProcuraDialog ---

TProcuraDialog::TProcuraDialog(TClientDataSet* ds, QWidget* parent)
    : QDialog(parent), m_fields(new QComboBox(this)), m_text(new QLineEdit(this)) {
    setObjectName(QStringLiteral("TProcuraDialog"));
    setWindowTitle(QStringLiteral("Procurar"));
    for (TField* field : ds->FieldList())
        if (field->Visible())
            m_fields->addItem(field->DisplayLabel(), field->FieldName());
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Campo"), m_fields);
    form->addRow(QStringLiteral("&Valor"), m_text);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(makeButtons(this));
    m_text->setFocus();
}

bool TProcuraDialog::setField(const QString& fieldName) {
    const int index = m_fields->findData(fieldName.toUpper(), Qt::UserRole, Qt::MatchFixedString);
    if (index < 0)
        return false;
    m_fields->setCurrentIndex(index);
    return true;
}

void TProcuraDialog::setText(const QString& text) {
    m_text->setText(text);
}

QString TProcuraDialog::fieldName() const {
    return m_fields->currentData().toString();
}

QString TProcuraDialog::text() const {
    return m_text->text();
}

} // namespace dieta
