#pragma once
// Cli_zfa13010: copies the oral diets and menu choices recorded for one service date to
// another date, for all or a picked list of patients, services, floors, wings and beds. The
// server does the copy; the window collects the dates and the scope, warns when the
// destination already has diets, and lists the services and diets left without a menu.
// A new window for every opening, shown modally by the main screen.

#include "framework/tfrmrotigeral.h"

#include <QString>

class QCheckBox;
class QFrame;
class QGridLayout;
class QGroupBox;
class QLabel;
class QRadioButton;
class QWidget;

namespace dieta {
class TADOIBQuery;
class TAnimate;
class TBtnPesquisa;
class TClientDataSet;
class TDataSource;
class TDateEditPlus;
class TDBGrid;
} // namespace dieta

namespace dieta::Cli_zfa13010 {

// Window heights without and with the list of services and diets that have no menu.
inline constexpr int kAlturaNormal = 242;
inline constexpr int kAlturaErro = 353;

class TfrmCopConf : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmCopConf(QWidget* parent = nullptr);
    ~TfrmCopConf() override;

    QLabel* lblOrigem = nullptr;
    TDateEditPlus* depOrigem = nullptr;
    QLabel* lblDestino = nullptr;
    TDateEditPlus* depDestino = nullptr;
    QGroupBox* grbServ = nullptr;
    QRadioButton* rbtTServ = nullptr;
    QRadioButton* rbtLServ = nullptr;
    TBtnPesquisa* sbtServ = nullptr;
    QGroupBox* grbAndar = nullptr;
    QRadioButton* rbtTAndar = nullptr;
    QRadioButton* rbtLAndar = nullptr;
    TBtnPesquisa* sbtAndar = nullptr;
    QGroupBox* grbAla = nullptr;
    QRadioButton* rbtTAla = nullptr;
    QRadioButton* rbtLAla = nullptr;
    TBtnPesquisa* sbtAla = nullptr;
    QGroupBox* grbLeito = nullptr;
    QRadioButton* rbtTLeito = nullptr;
    QRadioButton* rbtLLeito = nullptr;
    TBtnPesquisa* sbtLeito = nullptr;
    QGroupBox* grbPaciente = nullptr;
    QRadioButton* rbtTPaci = nullptr;
    QRadioButton* rbtLPaci = nullptr;
    TBtnPesquisa* sbtPaci = nullptr;
    QCheckBox* chbSobre = nullptr;
    QCheckBox* chbDietaEspecial = nullptr;
    QFrame* panCopia = nullptr;
    QLabel* lblCopia = nullptr;
    TAnimate* anmCop = nullptr;
    QWidget* panErro = nullptr;
    QLabel* Label4 = nullptr;
    TDBGrid* dbgErroCopia = nullptr;
    QToolButton* sbtVisualizaErro = nullptr;

    TClientDataSet* cdsPaciente = nullptr;
    TClientDataSet* cdsVdCopia = nullptr;
    TClientDataSet* cdsErroCopia = nullptr;
    TDataSource* dtsPaciente = nullptr;
    TDataSource* dtsErroCopia = nullptr;
    TADOIBQuery* qryServico = nullptr;
    TADOIBQuery* qryAndar = nullptr;
    TADOIBQuery* qryAla = nullptr;
    TADOIBQuery* qryLeito = nullptr;
    TDataSource* dtsServico = nullptr;
    TDataSource* dtsAndar = nullptr;
    TDataSource* dtsAla = nullptr;
    TDataSource* dtsLeito = nullptr;

    // The scope: a code list each, or "T" for all, and the service group ("T" in service
    // mode). By-reference arguments of the server calls: what comes back is what goes next.
    QString stPaciente;
    QString stServico;
    QString stAndar;
    QString stAla;
    QString stLeito;
    QString stGrupoServ = QStringLiteral("T");

    void FormCreate() override;
    void FormActivate() override;
    void sbtConfirmaClick() override;

    void depOrigemExit();
    void depDestinoExit();
    void rbtTServClick();
    void rbtTAndarClick();
    void rbtTAlaClick();
    void rbtTLeitoClick();
    void rbtTPaciClick();
    void sbtServClick();
    void sbtAndarClick();
    void sbtAlaClick();
    void sbtLeitoClick();
    void sbtPaciClick();
    void sbtVisualizaErroClick();

    // The window's height: kAlturaNormal, or kAlturaErro with the error list showing.
    void SetAltura(int altura);
    int Altura() const { return m_altura; }

private:
    void buildMessages();
    void buildDataSets();
    void buildQueries();
    void buildDates(QGridLayout* grid);
    void buildGroups(QGridLayout* grid);
    void buildOptions(QGridLayout* grid);
    void buildCopyPanel();
    void buildErrorList();
    void connectHandlers();

    void pickList(TDataSource* source, const QString& keyField, const char* titleKey,
                  const char* emptyKey, QString& list);
    void validateDates();
    void validateLists();
    void listsOfAll();
    void askWhenDestinationHasDiets();
    QVariant copy();
    void showOutcome(const QVariant& result);

    QWidget* m_top = nullptr;
    int m_altura = kAlturaNormal;
};

// The window while it is open.
extern TfrmCopConf* frmCopConf;
// The window's first activation is still to come.
extern bool boPrimVez;

} // namespace dieta::Cli_zfa13010
