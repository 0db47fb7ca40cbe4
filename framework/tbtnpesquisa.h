#pragma once
// TBtnPesquisa: the lookup button beside a code edit. On click it raises BeforePesq (the
// handler closes the query and sets its parameters; an abort there stops the lookup), opens
// its data source's query itself, shows the pick list, and after a choice copies the code
// field of the chosen row into its associated edit and raises AfterPesq. An empty list shows
// the title's empty-list text. It never takes the focus, so the edit keeps it.
//
//   btnFilial->SetTitle("Filial|Não há filial cadastrada.");
//   btnFilial->SetDataSource(dtsFilial);
//   btnFilial->SetEdit(medCdFilial);
//   btnFilial->BeforePesq = [this] { btnFilialBeforePesq(); };

#include "framework/controlevents.h"
#include "framework/framework_export.h"
#include "platform/tdatasource.h"

#include <QPointer>
#include <QToolButton>

class QLineEdit;

namespace dieta {

class TDataSource;

class FRAMEWORK_EXPORT TBtnPesquisa : public QToolButton {
    Q_OBJECT
public:
    explicit TBtnPesquisa(QWidget* parent = nullptr);

    // "key text|empty-list text"; a title without "|" has the standard empty text.
    void SetTitle(const QString& title) { m_title = title; }
    QString Title() const { return m_title; }
    // The empty-list text alone (replaces the part after "|").
    void SetEmptyText(const QString& text);
    void SetDataSource(TDataSource* source) { m_source = source; }
    TDataSource* DataSource() const { return m_source; }
    void SetEdit(QLineEdit* edit) { m_edit = edit; }
    QLineEdit* Edit() const { return m_edit; }
    // The field copied into the edit; empty: the dataset's first field.
    void SetCodeField(const QString& fieldName) { m_codeField = fieldName; }
    QString CodeField() const { return m_codeField; }

    EventHandler BeforePesq;
    EventHandler AfterPesq;

    // What a click does (through the abort guard when clicked); true when a row was chosen.
    bool Execute();

private:
    QString m_title;
    QPointer<TDataSource> m_source;
    QPointer<QLineEdit> m_edit;
    QString m_codeField;
};

} // namespace dieta
