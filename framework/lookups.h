#pragma once
// The framework's lookups: pick lists over a data source and the record search. Each builds a
// real dialog and shows it through the dialog service (dialogservice.h), so tests answer
// them from a script: the script receives the TPickListDialog or TProcuraDialog and chooses.
//
// A title is "key text|empty-list text": the first part captions the list; when the list is
// empty the second part is shown as an error and nothing is chosen. A closed dataset is
// opened first (a TADOIBQuery runs its SQL), so callers only close it and set parameters.

#include "framework/framework_export.h"

#include <QDialog>
#include <QList>
#include <QString>

class QComboBox;
class QLineEdit;
class QStandardItemModel;
class QTableView;

namespace dieta {

class TClientDataSet;
class TDataSource;

// Single choice: true when a row was chosen, the dataset then on it. `allFields` shows the
// hidden fields too; `emptyIsError` shows the empty-list text (else an empty list just
// answers false).
FRAMEWORK_EXPORT bool Pesquisar(TDataSource* source, const QString& title, bool allFields = false,
                                bool emptyIsError = true, QWidget* parent = nullptr);
// The same list with the search line focused first, for long lists.
FRAMEWORK_EXPORT bool Pesquisar_Plus(TDataSource* source, const QString& title,
                                     bool allFields = false, bool emptyIsError = true,
                                     QWidget* parent = nullptr);

// Multiple choice. `list` comes in as a code list ("_001_014_"), "T" (all) or empty, and its
// codes start checked; on confirmation it is replaced by the codes of the checked rows, each
// with "_" before the first and after every code ("" when none is checked). With
// `allAsT`, checking every row answers "T". False (list unchanged) when cancelled or empty.
FRAMEWORK_EXPORT bool PesquisaLista(TDataSource* source, const QString& keyField,
                                    const QString& title, bool allAsT, QString& list,
                                    QWidget* parent = nullptr);

// Record search: the operator picks a field and types the start of a value; the dataset moves
// to the first matching record (case aside). False when cancelled or nothing matched (then
// "Registro não encontrado." is shown).
FRAMEWORK_EXPORT bool Procura(TClientDataSet* dataSet, QWidget* parent = nullptr);

// "_c1_c2_" for the codes; "" for none.
FRAMEWORK_EXPORT QString JoinCodeList(const QStringList& codes);
// The codes of a list ("T" and "" give none).
FRAMEWORK_EXPORT QStringList SplitCodeList(const QString& list);

// Opens the data source's dataset when closed (a query runs its SQL).
FRAMEWORK_EXPORT void OpenLookupSource(TDataSource* source);

class FRAMEWORK_EXPORT TPickListDialog : public QDialog {
    Q_OBJECT
public:
    TPickListDialog(TClientDataSet* dataSet, const QString& caption, bool multiple, bool allFields,
                    QWidget* parent = nullptr);

    int rowCount() const;
    bool multiple() const { return m_multiple; }
    // Text of a cell as shown (for scripts).
    QString cellText(int row, int column) const;
    // Single choice: the current row; multiple: also toggles nothing.
    void chooseRow(int row);
    int chosenRow() const;
    void setChecked(int row, bool checked);
    bool isChecked(int row) const;
    QList<int> checkedRows() const;
    // Positions on the first row whose any cell starts with the text (case aside).
    bool search(const QString& text);
    void focusSearch();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QTableView* m_view;
    QLineEdit* m_search;
    QStandardItemModel* m_model;
    bool m_multiple;
    bool m_searchFirst = false;
};

class FRAMEWORK_EXPORT TProcuraDialog : public QDialog {
    Q_OBJECT
public:
    TProcuraDialog(TClientDataSet* dataSet, QWidget* parent = nullptr);
    // For scripts: the field (by name) and the start of the value.
    bool setField(const QString& fieldName);
    void setText(const QString& text);
    QString fieldName() const;
    QString text() const;

private:
    QComboBox* m_fields;
    QLineEdit* m_text;
};

} // namespace dieta
