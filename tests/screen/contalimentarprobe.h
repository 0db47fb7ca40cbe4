#pragma once
// The screen tests' way into TfrmContAlimentar. Its components and handlers are private to
// the screen (other windows see only contracts/contalimentar.h); the tests drive them as the
// screen's own code does, through this friend. Write `probe->cdsInternacao` as on the form.

#include "framework/dbcontrols.h"
#include "framework/tdbgrid.h"
#include "platform/tadoibquery.h"
#include "screen/Cli_zfa13000.h"

#include <QMdiSubWindow>

namespace dieta::test {

class ContAlimentarProbe {
    using Form = Cli_zfa13000::TfrmContAlimentar;

public:
    // The form must exist for as long as the probe is used; without one the test cannot go on.
    ContAlimentarProbe(Form* form) : form_(existing(form)) {}

    const ContAlimentarProbe* operator->() const { return this; }
    Form* form() const { return form_; }
    operator Form*() const { return form_; }

private:
    static Form* existing(Form* form) {
        if (!form)
            qFatal("the oral diet control screen did not open");
        return form;
    }

    Form* form_;

public:
    // --- The screen's own components.
    QToolButton*& sbtDieta = form_->sbtDieta;
    QToolButton*& sbtFiltro = form_->sbtFiltro;
    QToolButton*& sbtCopConf = form_->sbtCopConf;
    QToolButton*& sbtPresDiet = form_->sbtPresDiet;
    QToolButton*& sbtDupDieta = form_->sbtDupDieta;
    QToolButton*& sbtCalcNutr = form_->sbtCalcNutr;
    QToolButton*& sbtRestricao = form_->sbtRestricao;
    QToolButton*& sbtCalcPresDieta = form_->sbtCalcPresDieta;
    QAction*& mnuDieta = form_->mnuDieta;
    QComboBox*& cmbServGrupo = form_->cmbServGrupo;
    QLabel*& lblServGrupo = form_->lblServGrupo;
    TMaskEdit*& medCdFilial = form_->medCdFilial;
    QLineEdit*& edtNmFilial = form_->edtNmFilial;
    TMaskEdit*& medCdServico = form_->medCdServico;
    QLineEdit*& edtNmServico = form_->edtNmServico;
    QToolButton*& sbtOntem = form_->sbtOntem;
    TDateEditPlus*& depData = form_->depData;
    QToolButton*& sbtAmanha = form_->sbtAmanha;
    QLineEdit*& edtDia = form_->edtDia;
    QStackedWidget*& ntbCardapio = form_->ntbCardapio;
    TDBGrid*& dbgDieta = form_->dbgDieta;
    QLineEdit*& edtNmPrato = form_->edtNmPrato;
    TMaskEdit*& medHrConsumo = form_->medHrConsumo;
    TMaskEdit*& medIntervalo = form_->medIntervalo;
    TMaskEdit*& medPeriodo = form_->medPeriodo;
    QToolButton*& stbConfCard = form_->stbConfCard;
    TDBGrid*& dbgFormula = form_->dbgFormula;
    TNetConnection*& netDietaOral = form_->netDietaOral;
    TClientDataSet*& cdsInternacao = form_->cdsInternacao;
    TClientDataSet*& cdsInterAux = form_->cdsInterAux;
    TClientDataSet*& cdsParams = form_->cdsParams;
    TClientDataSet*& cdsConfesco = form_->cdsConfesco;
    TClientDataSet*& cdsCompCard = form_->cdsCompCard;
    TADOIBQuery*& qryServico = form_->qryServico;
    bool& boFiltroCriado = form_->boFiltroCriado;

    // --- What the framework's standard form gives it.
    TDBGrid*& dbgPadrao = form_->dbgPadrao;
    TDBNavigator*& dbnPadrao = form_->dbnPadrao;
    QTabWidget*& pgcPadrao = form_->pgcPadrao;
    QWidget*& tshFolhaDados = form_->tshFolhaDados;
    QWidget*& tshFormulario = form_->tshFormulario;
    QToolButton*& sbtIncluir = form_->sbtIncluir;
    QToolButton*& sbtAlterar = form_->sbtAlterar;
    QToolButton*& sbtExcluir = form_->sbtExcluir;
    QToolButton*& sbtConfirmar = form_->sbtConfirmar;
    QToolButton*& sbtCancelar = form_->sbtCancelar;
    QToolButton*& sbtProcurar = form_->sbtProcurar;
    QAction*& mnuAlterar = form_->mnuAlterar;
    QAction*& mnuConfirmar = form_->mnuConfirmar;
    QAction*& mnuVerificar = form_->mnuVerificar;
    QAction*& Primeiro1 = form_->Primeiro1;
    QAction*& Anterior1 = form_->Anterior1;
    QAction*& Proximo1 = form_->Proximo1;
    QAction*& Ultimo1 = form_->Ultimo1;

    // --- Handlers the tests run directly.
    void cmbServGrupoChange() const { form_->cmbServGrupoChange(); }
    void dbgPadraoCellClick(TColumn& column) const { form_->dbgPadraoCellClick(column); }
    void dbgPadraoTitleClick(TColumn& column) const { form_->dbgPadraoTitleClick(column); }
    void dbgPadraoDblClick() const { form_->dbgPadraoDblClick(); }
    void dbgDietaCellClick(TColumn& column) const { form_->dbgDietaCellClick(column); }
    void dbgDietaKeyDown(int& key, Qt::KeyboardModifiers modifiers) const {
        form_->dbgDietaKeyDown(key, modifiers);
    }
    void BtnPesquisa2BeforePesq() const { form_->BtnPesquisa2BeforePesq(); }
    void btnPesqServGrupoBeforePesq() const { form_->btnPesqServGrupoBeforePesq(); }
    void sbtIncluirClick() const { form_->sbtIncluirClick(); }
    void sbtExcluirClick() const { form_->sbtExcluirClick(); }
    void sbtVerificarClick() const { form_->sbtVerificarClick(); }
    double StTimeToReal(const QString& text) const { return form_->StTimeToReal(text); }

    // --- The form as a window.
    QWidget* focusWidget() const { return form_->focusWidget(); }
    QMdiSubWindow* subWindow() const { return form_->subWindow(); }
    bool updatesEnabled() const { return form_->updatesEnabled(); }
    void show() const { form_->show(); }
    void activateWindow() const { form_->activateWindow(); }
    void Close() const { form_->Close(); }
};

} // namespace dieta::test
