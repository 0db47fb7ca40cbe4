#pragma once
// Cli_zfa13100: the inpatient filter. Narrows the main screen's inpatient list by floor, wing,
// diagnosis, inpatient service standard and patient type; on confirmation it writes the
// criteria into the screen's load parameters and reloads the list. One window per main
// screen, hidden between uses so that its choices stay as they were left; the screen frees
// it when it closes.

#include "framework/tfrmrotigeral.h"

#include <QPointer>
#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QRadioButton;

namespace dieta {
class TADOIBQuery;
class TBtnPesquisa;
class TClientDataSet;
class TDataSource;
} // namespace dieta

namespace dieta::Cli_zfa13100 {

// One criterion of the confirmed filter: "Lista" chosen, and the list picked.
struct TCriterio {
    bool lista = false;
    QString valor;
};

// The criteria in the order the dialog keeps them: the patient type ("T" for all), then
// floor, wing, diagnosis and inpatient service standard.
struct TDADOS {
    QString tipoPaciente = QStringLiteral("T");
    TCriterio andar;
    TCriterio ala;
    TCriterio diagnostico;
    TCriterio padrao;
};

struct TFILTRO {
    TDADOS dados;
};

// One group of the dialog: "Todos", "Lista" and the lookup button that picks the list.
struct TGrupoLista {
    QGroupBox* grb = nullptr;
    QRadioButton* rbtTodos = nullptr;
    QRadioButton* rbtLista = nullptr;
    TBtnPesquisa* sbt = nullptr;
};

class TfrmFiltro : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmFiltro(QWidget* parent = nullptr);
    ~TfrmFiltro() override;

    QGroupBox* grbAndar = nullptr;
    QRadioButton* rbtAndarTodos = nullptr;
    QRadioButton* rbtAndarLista = nullptr;
    TBtnPesquisa* sbtAndar = nullptr;
    QGroupBox* grbAla = nullptr;
    QRadioButton* rbtAlaTodos = nullptr;
    QRadioButton* rbtAlaLista = nullptr;
    TBtnPesquisa* sbtAla = nullptr;
    QGroupBox* grbDiag = nullptr;
    QRadioButton* rbtDiagTodos = nullptr;
    QRadioButton* rbtDiagLista = nullptr;
    TBtnPesquisa* sbtDiag = nullptr;
    QGroupBox* grbPadr = nullptr;
    QRadioButton* rbtPadrTodos = nullptr;
    QRadioButton* rbtPadrLista = nullptr;
    TBtnPesquisa* sbtPadr = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* chbTodos = nullptr;
    QComboBox* cbbTipo = nullptr;

    TADOIBQuery* qryAndar = nullptr;
    TADOIBQuery* qryAla = nullptr;
    TADOIBQuery* qryPadInter = nullptr;
    TClientDataSet* cdsDiagnost = nullptr;
    TDataSource* dtsAndar = nullptr;
    TDataSource* dtsAla = nullptr;
    TDataSource* dtsDiag = nullptr;
    TDataSource* dtsPadInter = nullptr;

    // The current choice: the patient type ("T" or empty) and the list of each group.
    QString stTipoPaci = QStringLiteral("T");
    QString stAndar;
    QString stAla;
    QString stDiag;
    QString stPadr;
    // The filter as last confirmed.
    TFILTRO Filtro;

    void FormCreate() override;
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
    void sbtConfirmaClick() override;

    void rbtAndarTodosClick();
    void rbtAlaTodosClick();
    void rbtDiagTodosClick();
    void rbtPadrTodosClick();
    void chbTodosClick();
    void sbtAndarClick();
    void sbtAlaClick();
    void sbtDiagClick();
    void sbtPadrClick();
    // true: the controls from the confirmed filter; false: the current choice into it.
    void Atualiza_Filtro(bool restaura);

    // The patient type sent to the server: "T", or the type's position "0" to "7".
    QString tipoPaciente() const;

private:
    void buildMessages();
    void buildQueries();
    void buildGroups();
    TGrupoLista buildGroup(const char* box, const QString& caption, const char* todos,
                           const char* lista, const char* button);
    void buildTipo();
    void connectHandlers();

    void groupClick(QRadioButton* lista, TBtnPesquisa* button, QString& list);
    void pickList(TDataSource* source, const QString& keyField, const char* titleKey,
                  const char* emptyKey, QString& list);
    void checkConfiguration();
    void checkLists();
    void writeParams();
};

// The dialog's first activation is still to come.
extern bool boPrimVez;
// The filter dialog; it lives from its first opening until the main screen closes.
extern QPointer<TfrmFiltro> frmFiltro;

// Creates the filter dialog once per screen and shows it modally.
void CriaFiltroCont();
// Frees the dialog (the main screen's close).
void LiberaFiltro();

} // namespace dieta::Cli_zfa13100
