// Start-up, the selection panel (branch, service or group, date) and the loading of the
// inpatient list with its ages and diagnoses.

#include "contracts/hostapplication.h"
#include "contracts/rdmdietaoral.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/consistegrid.h"
#include "framework/controlevents.h"
#include "framework/focusorder.h"
#include "framework/ptbr.h"
#include "framework/scrollhandlerheld.h"
#include "framework/showavi.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tdateeditplus.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "framework/vantor.h"
#include "platform/eabort.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "screen/Cli_zfa13000.h"
#include "views/Cli_zfa13100.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>

namespace dieta::Cli_zfa13000 {

namespace {

QString code(const TMaskEdit* edit) {
    return Consiste::AllTrim(edit->Text());
}

// QDate::currentDate() reads the time zone afresh on every call (a file lookup each time), and
// the list calculates every record it shows or posts: today's date is kept for a second.
QDate todayForAges() {
    static qint64 takenAt = -1;
    static QDate today;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (takenAt < 0 || now < takenAt || now - takenAt >= 1000) {
        today = QDate::currentDate();
        takenAt = now;
    }
    return today;
}

} // namespace

// ---------------------------------------------------------------- creation, activation, close

void TfrmContAlimentar::FormCreate() {
    TfrmPadrao::FormCreate();
    {
        ShowAviGuard busy(0);
        netDietaOral->setBeforeConnect([this] { netDietaOralBeforeConnect(); });
        netDietaOral->setOperator(Vantor::Operador());
        netDietaOral->setConnected(true);
    }
    Cli_zfa13100::boPrimVez = true;
    boFiltroCriado = false;
    boPriVez = true;

    delete stlCheck;
    stlCheck = new QStringList;
    cdsInterAux->CreateDataSet();
    cdsConfesco->FieldByName(u"DTCONSCONF")->SetEditMask(Consiste::DateMask());
    cdsParams->CreateDataSet();
    cmbServGrupo->setCurrentIndex(0);
}

void TfrmContAlimentar::netDietaOralBeforeConnect() {
    netDietaOral->setHost(Vantor::WebURL());
    netDietaOral->setPort(Vantor::WebPort());
}

void TfrmContAlimentar::FormActivate() {
    TfrmPadrao::FormActivate();
    repaint();
    if (!boPriVez)
        return;
    boPriVez = false;
    m_focus->reset();

    stPath = QDir(Vantor::FileDirectory()).filePath(QStringLiteral("FILPACI.cds"));
    const bool preselection = QFileInfo::exists(stPath);
    if (preselection) {
        if (TClientDataSet* cdsFiltro = contracts::hostFilterDataSet()) {
            if (cdsFiltro->Active())
                cdsFiltro->EmptyDataSet();
            cdsFiltro->LoadFromFile(stPath);
            medCdFilial->setText(cdsFiltro->FieldByName(u"CDFILIAL")->AsString());
            medCdFilialExit();
        }
    } else {
        medCdFilial->setText(Vantor::FiliProc());
        edtNmFilial->setText(Vantor::NomeFiliProc());
    }

    openServicos(code(medCdFilial), QString(), true);
    medCdServico->setText(qryServico->FieldByName(u"CDSERVFILI")->AsString());
    edtNmServico->setText(qryServico->FieldByName(u"NMSERVICO")->AsString());

    const bool branchFree = !Vantor::ModuFili();
    lblFilial->setEnabled(branchFree);
    medCdFilial->setEnabled(branchFree);
    btnFilial->setEnabled(branchFree);

    if (!preselection)
        (medCdFilial->isEnabled() ? static_cast<QWidget*>(medCdFilial) : medCdServico)->setFocus();
    depDataDateChange();
}

void TfrmContAlimentar::FormClose(TCloseAction& action) {
    bostcriado = false;
    delete stlCheck;
    stlCheck = nullptr;
    Cli_zfa13100::LiberaFiltro();
    netDietaOral->setConnected(false);
    if (frmContAlimentar == this)
        frmContAlimentar = nullptr;
    if (contracts::frmContAlimentar == this)
        contracts::frmContAlimentar = nullptr;
    TfrmPadrao::FormClose(action);
}

// ---------------------------------------------------------------- branch

void TfrmContAlimentar::Vd_Filial() {
    medCdFilial->setText(Consiste::Ajusta(code(medCdFilial), 4));
    try {
        edtNmFilial->setText(Consiste::ValidaFilial(code(medCdFilial), Vantor::Operador(), false));
    } catch (const EAbort&) {
        if (medCdFilial->isEnabled())
            medCdFilial->setFocus();
        throw;
    }
}

void TfrmContAlimentar::medCdFilialKeyPress(QChar& key) {
    const ushort c = key.unicode();
    const bool asciiLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool digit = c >= '0' && c <= '9';
    if (!asciiLetter && !digit)
        key = QChar();
}

void TfrmContAlimentar::medCdFilialChange() {
    edtNmFilial->clear();
    medCdServico->clear();
    edtNmServico->clear();
}

void TfrmContAlimentar::medCdFilialExit() {
    Vd_Filial();
}

void TfrmContAlimentar::btnFilialBeforePesq() {
    qryFilial->Close();
}

void TfrmContAlimentar::btnFilialAfterPesq() {
    medCdFilial->setText(qryFilial->FieldByName(u"CDFILIAL")->AsString());
    edtNmFilial->setText(qryFilial->FieldByName(u"NMFILIAL")->AsString());
}

// ---------------------------------------------------------------- service or group

void TfrmContAlimentar::cmbServGrupoChange() {
    const bool grupo = grupoMode();
    lblServGrupo->setText(grupo ? QStringLiteral("Grupo de Serviço") : QStringLiteral("Serviço"));
    lblServGrupo->adjustSize();
    medCdServico->SetEditMask(grupo ? medMaskGrup->EditMask() : medMaskServ->EditMask());
    btnPesqServGrupo->SetDataSource(grupo ? dtsGrupoServ : dtsServico);
    btnPesqServGrupo->SetCodeField(grupo ? QStringLiteral("CDGRUPSERV")
                                         : QStringLiteral("CDSERVFILI"));
    btnPesqServGrupo->SetTitle(grupo ? QStringLiteral("Grupo de Serviços|Não há grupo de serviços "
                                                      "cadastrado.")
                                     : QStringLiteral("Serviço|Não há serviço cadastrado."));
    setServGrupoLayout(grupo);
    const int width = grupo ? 779 : 729;
    if (QMdiSubWindow* frame = subWindow())
        frame->resize(frame->width() - this->width() + width, frame->height());
    else
        resize(width, height());
    medCdServico->clear();
    edtNmServico->clear();
}

void TfrmContAlimentar::medCdServicoChange() {
    edtNmServico->clear();
}

void TfrmContAlimentar::openServicos(const QString& branch, const QString& service, bool all) {
    qryServico->Close();
    qryServico->ParamByName("P_CDFILIAL")->SetAsString(branch);
    qryServico->ParamByName("P_CDSERVFILI")->SetAsString(service);
    qryServico->ParamByName("P_TCDSERVFILI")->SetAsString(all ? QStringLiteral("T") : QString());
    qryServico->Open();
}

void TfrmContAlimentar::medCdServicoExit() {
    if (code(medCdServico).isEmpty()) {
        edtNmServico->clear();
        return;
    }
    if (grupoMode()) {
        medCdServico->setText(Consiste::Ajusta(code(medCdServico), 3));
        if (code(medCdFilial).isEmpty())
            Consiste::MensErro(msgPadrao->Msg("Filial_Inf"), medCdFilial);
        qryGrupoServico->Close();
        qryGrupoServico->ParamByName("P_CDFILIAL")->SetAsString(code(medCdFilial));
        qryGrupoServico->ParamByName("P_CDGRUPSERV")->SetAsString(code(medCdServico));
        qryGrupoServico->ParamByName("P_TCDGRUPSERV")->SetAsString(QString());
        qryGrupoServico->Open();
        if (qryGrupoServico->IsEmpty()) {
            edtNmServico->clear();
            Consiste::MensErro(msgPadrao->Msg("Grupo_Serv_Cad"), medCdServico);
        }
        edtNmServico->setText(qryGrupoServico->FieldByName(u"NMGRUPSERV")->AsString());
        return;
    }
    medCdServico->setText(
        Consiste::Ajusta(code(medCdServico), qryServico->FieldByName(u"CDSERVFILI")->Size()));
    if (code(medCdFilial).isEmpty())
        Consiste::MensErro(msgPadrao->Msg("Filial_Inf"), medCdFilial);
    openServicos(code(medCdFilial), code(medCdServico), false);
    if (qryServico->IsEmpty()) {
        edtNmServico->clear();
        Consiste::MensErro(msgPadrao->Msg("Serv_Cad"), medCdServico);
    }
    edtNmServico->setText(qryServico->FieldByName(u"NMSERVICO")->AsString());
    loadConfCard();
}

void TfrmContAlimentar::positionOnTypedService() {
    // The service lookup reopens the query on every service of the branch: after a cancelled
    // lookup its current row is no longer the typed service.
    const QString service = code(medCdServico);
    if (qryServico->Active() && !qryServico->IsEmpty() &&
        Consiste::AllTrim(qryServico->FieldByName(u"CDFILIAL")->AsString()) == code(medCdFilial) &&
        Consiste::AllTrim(qryServico->FieldByName(u"CDSERVFILI")->AsString()) == service)
        return;
    openServicos(code(medCdFilial), service, false);
    if (qryServico->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg("Serv_Cad"), medCdServico);
}

void TfrmContAlimentar::loadConfCard() {
    positionOnTypedService();
    QVariantList args{qryServico->FieldByName(u"CDFILIAL")->AsString(),
                      qryServico->FieldByName(u"CDSERVFILI")->AsString()};
    cdsConfCard->SetData(
        Consiste::CheckResultServ(netDietaOral->call(contracts::rdm::GetConfCard, args), true, 0));
    if (cdsConfCard->IsEmpty()) {
        panPrinEnter();
        Consiste::MensErro(msgPadrao->Msg("Confi_Inf"), medCdServico);
    }
}

void TfrmContAlimentar::btnPesqServGrupoBeforePesq() {
    if (code(medCdFilial).isEmpty())
        Consiste::MensErro(msgPadrao->Msg("Filial_Inf"), medCdFilial);
    if (grupoMode()) {
        qryGrupoServico->Close();
        qryGrupoServico->ParamByName("P_CDFILIAL")->SetAsString(code(medCdFilial));
        qryGrupoServico->ParamByName("P_CDGRUPSERV")->SetAsString(QString());
        qryGrupoServico->ParamByName("P_TCDGRUPSERV")->SetAsString(QStringLiteral("T"));
    } else {
        qryServico->Close();
        qryServico->ParamByName("P_CDFILIAL")->SetAsString(code(medCdFilial));
        qryServico->ParamByName("P_CDSERVFILI")->SetAsString(QString());
        qryServico->ParamByName("P_TCDSERVFILI")->SetAsString(QStringLiteral("T"));
    }
}

void TfrmContAlimentar::btnPesqServGrupoAfterPesq() {
    if (grupoMode()) {
        medCdServico->setText(qryGrupoServico->FieldByName(u"CDGRUPSERV")->AsString());
        edtNmServico->setText(qryGrupoServico->FieldByName(u"NMGRUPSERV")->AsString());
    } else {
        medCdServico->setText(qryServico->FieldByName(u"CDSERVFILI")->AsString());
        edtNmServico->setText(qryServico->FieldByName(u"NMSERVICO")->AsString());
    }
}

// ---------------------------------------------------------------- date

void TfrmContAlimentar::sbtOntemClick() {
    if (depData->IsValidDate())
        depData->SetDate(depData->GetDate().addDays(-1));
    depData->setFocus();
}

void TfrmContAlimentar::sbtAmanhaClick() {
    if (depData->IsValidDate())
        depData->SetDate(depData->GetDate().addDays(1));
    depData->setFocus();
}

void TfrmContAlimentar::depDataExit() {
    depData->CheckValidDate();
}

void TfrmContAlimentar::depDataDateChange() {
    if (depData->IsEmpty() || !depData->IsValidDate())
        edtDia->clear();
    else
        edtDia->setText(ptbr::longDayName(depData->GetDate().dayOfWeek()));
}

// ---------------------------------------------------------------- filter button

bool TfrmContAlimentar::operadorNutricionista() {
    qryNutricio->Close();
    qryNutricio->ParamByName("P_CDNUTRICIO")->SetAsString(Vantor::Operador());
    qryNutricio->ParamByName("P_CDFILIAL")->SetAsString(code(medCdFilial));
    qryNutricio->Open();
    return !qryNutricio->IsEmpty();
}

void TfrmContAlimentar::sbtFiltroClick() {
    if (!operadorNutricionista())
        Consiste::MensErro(msgPadrao->Msg("Oper_Per"), medCdServico);
    if (focusWidget() == medCdServico)
        medCdServicoExit();
    Cli_zfa13100::CriaFiltroCont();
}

// ---------------------------------------------------------------- the selection panel

bool TfrmContAlimentar::focusPassedByPageChange() {
    // Switching pages hides the page that holds the focus, and Qt passes the focus on down the
    // chain, possibly into this panel. That is no visit of the operator's: the focus goes to
    // the page now shown instead.
    QWidget* previous = m_focus->previous();
    // The tab bar has moved on already; the page stack follows after hiding the old page.
    QWidget* shown = pgcPadrao->widget(pgcPadrao->currentIndex());
    if (!previous || !pgcPadrao->isAncestorOf(previous) || !shown || shown->isAncestorOf(previous))
        return false;
    QWidget* target = dbgPadrao;
    if (shown == tshFormulario)
        target = ntbCardapio->currentIndex() == 1 ? static_cast<QWidget*>(dbgFormula) : dbgDieta;
    target->setFocus(Qt::OtherFocusReason);
    return true;
}

void TfrmContAlimentar::panPrinEnter() {
    if (focusPassedByPageChange())
        Abort();
    // An edit of the list would be dropped by closing it: ask first.
    if (cdsInternacao->State() == dsEdit || cdsInternacao->State() == dsInsert) {
        if (msgPadrao->ShowMsg("Canc", MsgKind::Confirmation) != mrYes) {
            dbgPadrao->setFocus();
            Abort();
        }
        cdsInternacao->Cancel();
    }
    cdsInternacao->Close();
    tshFormulario->setEnabled(false);
    {
        const QSignalBlocker quiet(pgcPadrao);
        pgcPadrao->setCurrentWidget(tshFolhaDados);
    }
    pgcPadraoChange();
    for (QToolButton* b : {sbtPresDiet, sbtDieta, sbtRestricao, sbtDupDieta, sbtIncluir})
        setButton(b, false);
    Consiste::DestroiColuna(dbgPadrao, "CDSERVFILI");
}

void TfrmContAlimentar::panPrinExit() {
    Vd_Filial();
    if (code(medCdFilial).isEmpty())
        Consiste::MensErro(msgPadrao->Msg("Filial_Inf"), medCdFilial);
    if (code(medCdServico).isEmpty())
        Consiste::MensErro(msgPadrao->Msg(grupoMode() ? "Grup_Serv_Inf" : "Serv_Inf"),
                           medCdServico);
    if (depData->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg("Data_Inf"), depData);
    if (!operadorNutricionista())
        Consiste::MensErro(msgPadrao->Msg("Oper_Per"), medCdServico);
    if (grupoMode())
        Consiste::CriaColuna(dbgPadrao, "CDSERVFILI", 6);
    else
        loadConfCard();

    if (cdsParams->IsEmpty())
        cdsParams->Insert();
    else
        cdsParams->Edit();
    for (const char* list : {"CDSERPADDIE", "CDALA", "CDANDAR", "CDDIAGNOST", "IDTIPOPACI"})
        cdsParams->FieldByName(QString::fromLatin1(list))->SetAsString(QStringLiteral("T"));
    cdsParams->FieldByName(u"DTSERVINTE")->SetAsDate(depData->GetDate());
    cdsParams->FieldByName(u"CDSERVFILI")->SetAsString(code(medCdServico));
    cdsParams->FieldByName(u"CDFILIAL")->SetAsString(code(medCdFilial));
    cdsParams->Post();

    startDiagInterAhead();
    loadInternacao();

    if (cdsInternacao->IsEmpty()) {
        tshFormulario->setEnabled(false);
    } else {
        tshFormulario->setEnabled(true);
        loadDiagInter();
    }
    setButton(sbtDieta, true);
    for (QToolButton* b : {sbtPresDiet, sbtRestricao, sbtDupDieta})
        setButton(b, true);
    positionOnFiltro();
}

// The list arrives with the grid detached and its scroll handler held back: the handler runs
// once, on the first record, with the grid showing the new list (it sets the grid's diet
// column), instead of twice with no grid to set.
void TfrmContAlimentar::loadInternacao() {
    {
        const ScrollHandlerHeld held(cdsInternacao);
        const TDBGridDetach detached(dbgPadrao);
        QVariantList args{QVariant::fromValue(cdsParams->Data())};
        cdsInternacao->SetData(Consiste::CheckResultServ(
            netDietaOral->call(contracts::rdm::GetInternacao, args), true, 0));
    }
    runAfterScroll(cdsInternacao);
}

void TfrmContAlimentar::startDiagInterAhead() {
    m_diagInterAhead.start(*netDietaOral, contracts::rdm::GetDiagInter, {code(medCdFilial)});
}

void TfrmContAlimentar::loadDiagInter() {
    ShowAviGuard busy(1);
    QVariantList args{code(medCdFilial)};
    m_diagnosesByStay.clear();
    cdsDiagInter->SetData(Consiste::CheckResultServ(
        m_diagInterAhead.takeOrCall(*netDietaOral, contracts::rdm::GetDiagInter, args), true, 0));
    indexDiagnoses();
    // The diagnoses arrive after the list: its calculated texts read them.
    cdsInternacao->RefreshCalcFields();
}

void TfrmContAlimentar::positionOnFiltro() {
    TClientDataSet* cdsFiltro = contracts::hostFilterDataSet();
    if (!cdsFiltro || !cdsFiltro->Active() || !cdsFiltro->FindField(u"CDFILIAL") ||
        !cdsFiltro->FindField(u"CDPACIENTE"))
        return;
    if (cdsFiltro->FieldByName(u"CDFILIAL")->AsString() != code(medCdFilial))
        return;
    cdsInternacao->Locate("CDPACIENTE", cdsFiltro->FieldByName(u"CDPACIENTE")->AsString(),
                          loCaseInsensitive);
}

// ---------------------------------------------------------------- the list

void TfrmContAlimentar::cdsInternacaoAfterOpen() {
    if (pgcPadrao->currentWidget() == tshFolhaDados) {
        setButton(sbtExcluir, !cdsInternacao->IsEmpty());
        setButton(sbtAlterar, !cdsInternacao->IsEmpty());
    }
    if (stlCheck)
        marks().clear();
    else if (cdsInterAux->Active())
        cdsInterAux->EmptyDataSet();
}

void TfrmContAlimentar::cdsInternacaoCalcFields() {
    if (!boCheck)
        return;
    const TField* birthField = cdsInternacao->FieldByName(u"DTNASCPACI");
    const QDate birth = birthField->AsDate();
    const Consiste::Age age = Consiste::Idade(birth, todayForAges());
    QString text;
    // Without a birth date there is no age: "0  Mês" would read as a newborn.
    if (birthField->IsNull() || !birth.isValid())
        text.clear();
    else if (age.years >= 2)
        text = QString::number(age.years) + "  " + msgPadrao->Msg("Anos");
    else if (age.years == 1)
        text = "1  " + msgPadrao->Msg("Ano");
    else
        text =
            QString::number(age.months) + "  " + msgPadrao->Msg(age.months >= 2 ? "Meses" : "Mes");
    cdsInternacao->FieldByName(u"Idade")->SetAsString(text);

    if (cdsInternacao->FieldByName(u"STPACIACOM")->AsString() == QLatin1String("0")) {
        cdsInternacao->FieldByName(u"DiagInter")
            ->SetAsString(diagnosesOf(cdsInternacao->FieldByName(u"CDPACIENTE")->AsString(),
                                      cdsInternacao->FieldByName(u"DTINTERNA")->AsDate()));
    }
}

namespace {

// The diagnoses carry the admission day as text, the way the list's dates are written.
QString stayKey(const QString& patient, const QString& admission) {
    return patient + QLatin1Char('\n') + admission;
}

} // namespace

QString TfrmContAlimentar::diagnosesOf(const QString& patient, const QDate& admission) {
    if (!cdsDiagInter->Active())
        return {};
    return m_diagnosesByStay.value(stayKey(patient, ptbr::formatDate(admission))).left(70);
}

// The names of a stay's diagnoses, in the order received, joined by " / ".
void TfrmContAlimentar::indexDiagnoses() {
    m_diagnosesByStay.clear();
    const TField* patient = cdsDiagInter->FieldByName(u"CDPACIENTE");
    const TField* admission = cdsDiagInter->FieldByName(u"DTINTERNA");
    const TField* diagnosis = cdsDiagInter->FieldByName(u"NMDIAGNOST");
    for (int row = 0; row < cdsDiagInter->ViewCount(); ++row) {
        const QString name = Consiste::AllTrim(cdsDiagInter->RowValue(row, diagnosis).toString());
        QString& text =
            m_diagnosesByStay[stayKey(cdsDiagInter->RowValue(row, patient).toString(),
                                      cdsDiagInter->RowValue(row, admission).toString())];
        text = text.isEmpty() ? name : Consiste::AllTrim(text) + " / " + name;
    }
}

void TfrmContAlimentar::cdsInternacaoSTPACIACOMGetText(TField* sender, QString& text, bool) {
    const QString value = sender->AsString();
    if (value.isEmpty())
        text.clear();
    else
        text = msgPadrao->Msg(value == QLatin1String("0") ? "Paciente" : "Acomp");
}

void TfrmContAlimentar::cdsInternacaoIDRESTSERINGetText(TField*, QString& text, bool) {
    text.clear(); // the grid draws a picture instead
}

void TfrmContAlimentar::cdsInternacaoAfterScroll() {
    const QString diet = cdsInternacao->FieldByName(u"CDDIETPAD")->AsString();
    const QString kind = cdsInternacao->FieldByName(u"IDFORMDIET")->AsString();
    if (pgcPadrao->currentWidget() == tshFormulario) {
        loadConfesco();
        if (dbgPadrao->DataSource())
            dbgPadraoColEnter();
    } else {
        setButton(sbtIncluir, !diet.isEmpty());
        if (dbgPadrao->DataSource()) {
            const int column = Consiste::IndiceCol(dbgPadrao, "CDDIETPAD");
            if (column >= 0) {
                dbgPadrao->Column(column).ButtonStyle =
                    !diet.isEmpty() && kind != QLatin1String("1") ? TColumnButtonStyle::cbsEllipsis
                                                                  : TColumnButtonStyle::cbsNone;
                dbgPadrao->ColumnsChanged();
            }
            dbgPadraoColEnter();
        }
    }
    ntbCardapio->setCurrentIndex(kind == QLatin1String("1") ? 1 : 0);
    const bool quantities = kind == QLatin1String("3");
    const int qtyColumn = Consiste::IndiceCol(dbgDieta, "QTPRATCONF");
    if (qtyColumn >= 0) {
        dbgDieta->Column(qtyColumn).Visible = quantities;
        dbgDieta->ColumnsChanged();
    }
    cdsConfesco->FieldByName(u"QTPRATCONF")->SetVisible(quantities);
}

void TfrmContAlimentar::loadConfesco() {
    QVariantList args{code(medCdFilial), cdsInternacao->FieldByName(u"CDPACIENTE")->AsString(),
                      cdsInternacao->FieldByName(u"DTSERVINTE")->AsDate(),
                      cdsInternacao->FieldByName(u"NRSEQUSERV")->AsString()};
    cdsConfesco->SetData(
        Consiste::CheckResultServ(netDietaOral->call(contracts::rdm::GetConfesco, args), true, 0));
}

// ---------------------------------------------------------------- pages

void TfrmContAlimentar::setPageEnabled(QWidget* page, bool enabled) {
    // Qt re-announces the current tab when another tab's state changes: that is no page
    // change. But disabling the page shown does move to another one, and then the screen
    // must follow.
    QWidget* shown = pgcPadrao->currentWidget();
    {
        const QSignalBlocker samePage(pgcPadrao);
        page->setEnabled(enabled);
    }
    if (pgcPadrao->currentWidget() != shown)
        pgcPadraoChange();
}

void TfrmContAlimentar::pgcPadraoChange() {
    if (m_pageShown == tshFormulario && pgcPadrao->currentWidget() != tshFormulario &&
        !leaveMenuChoices()) {
        const QSignalBlocker stay(pgcPadrao);
        pgcPadrao->setCurrentWidget(tshFormulario);
        Abort();
    }
    m_pageShown = pgcPadrao->currentWidget();
    TfrmPadrao::pgcPadraoChange();
    const bool list = pgcPadrao->currentWidget() == tshFolhaDados;
    setButton(sbtFiltro, list);
    setButton(sbtPresDiet, sbtFiltro->isEnabled());
    setButton(sbtCopConf, sbtFiltro->isEnabled());
    setButton(sbtDieta, sbtFiltro->isEnabled());
    setButton(sbtDupDieta, sbtDieta->isEnabled());
    setButton(sbtCalcNutr, pgcPadrao->currentWidget() == tshFormulario);

    Consiste::SetChildEnabled(panPrin, list);
    for (QLineEdit* name : {edtNmFilial, edtNmServico, edtDia})
        name->setEnabled(false);
    if (list) {
        const bool branchFree = !Vantor::ModuFili();
        lblFilial->setEnabled(branchFree);
        medCdFilial->setEnabled(branchFree);
        btnFilial->setEnabled(branchFree);
    }
    setButton(sbtCalcPresDieta, list);

    if (pgcPadrao->currentWidget() == tshFormulario) {
        const bool formula =
            cdsInternacao->Active() &&
            cdsInternacao->FieldByName(u"IDFORMDIET")->AsString() == QLatin1String("1");
        ntbCardapio->setCurrentIndex(formula ? 1 : 0);
        loadConfesco();
        setButton(sbtExcluir, ntbCardapio->currentIndex() == 1 && !cdsConfesco->IsEmpty());
        edtNmPrato->clear();
    } else {
        cdsConfesco->Close();
        dtsInternacaoStateChange();
        setButton(sbtAlterar, cdsInternacao->Active() && !cdsInternacao->IsEmpty());
    }
    // Painted with the next events, once: a synchronous repaint here painted the whole form
    // twice per page change.
    update();
}

// ---------------------------------------------------------------- wiring

void TfrmContAlimentar::connectHandlers() {
    onKeyPress(medCdFilial, [this](QChar& key) { medCdFilialKeyPress(key); });
    onChange(medCdFilial, this, [this] { medCdFilialChange(); });
    m_focus->onExit(medCdFilial, [this] { medCdFilialExit(); });
    btnFilial->BeforePesq = [this] { btnFilialBeforePesq(); };
    btnFilial->AfterPesq = [this] { btnFilialAfterPesq(); };
    onChange(cmbServGrupo, this, [this] { cmbServGrupoChange(); });
    onChange(medCdServico, this, [this] { medCdServicoChange(); });
    m_focus->onExit(medCdServico, [this] { medCdServicoExit(); });
    btnPesqServGrupo->BeforePesq = [this] { btnPesqServGrupoBeforePesq(); };
    btnPesqServGrupo->AfterPesq = [this] { btnPesqServGrupoAfterPesq(); };
    onClick(sbtOntem, this, [this] { sbtOntemClick(); });
    onClick(sbtAmanha, this, [this] { sbtAmanhaClick(); });
    m_focus->onExit(depData, [this] { depDataExit(); });
    connectGuarded(depData, &TDateEditPlus::dateChanged, this, [this] { depDataDateChange(); });
    onClick(sbtFiltro, this, [this] { sbtFiltroClick(); });
    m_focus->onEnter(panPrin, [this] { panPrinEnter(); });
    m_focus->onExit(panPrin, [this] { panPrinExit(); });

    cdsInternacao->AfterOpen = [this](TClientDataSet*) { cdsInternacaoAfterOpen(); };
    cdsInternacao->OnCalcFields = [this](TClientDataSet*) { cdsInternacaoCalcFields(); };
    cdsInternacao->AfterScroll = [this](TClientDataSet*) { cdsInternacaoAfterScroll(); };
    cdsInternacao->BeforeInsert = [](TClientDataSet*) { Abort(); };
    cdsInternacao->FieldByName(u"STPACIACOM")->OnGetText = [this](TField* f, QString& t, bool d) {
        cdsInternacaoSTPACIACOMGetText(f, t, d);
    };
    cdsInternacao->FieldByName(u"IDRESTSERIN")->OnGetText = [this](TField* f, QString& t, bool d) {
        cdsInternacaoIDRESTSERINGetText(f, t, d);
    };
    dtsInternacao->OnStateChange = [this](TDataSource*) { dtsInternacaoStateChange(); };

    connectGridHandlers();
    connectMenuHandlers();
    connectSavingHandlers();
    connectActionHandlers();
}

} // namespace dieta::Cli_zfa13000
