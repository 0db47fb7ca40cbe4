// The screen's datasets, lookup queries, message catalogue and cell pictures.

#include "contracts/rdmdietaoral.h"
#include "framework/tmessages.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "screen/Cli_zfa13000.h"
#include "screen/Cli_zfa13000_sql.h"

#include <QPainter>

namespace dieta::Cli_zfa13000 {

namespace {

struct FieldDecl {
    const char* name;
    FieldKind kind;
    int size;
    const char* label; // nullptr: none
    bool hidden;
    bool calculated = false;
    bool readOnly = false;
};

void addFields(TClientDataSet* ds, std::initializer_list<FieldDecl> specs,
               bool calculatedAsData = false) {
    for (const FieldDecl& s : specs) {
        TField* f = s.calculated && !calculatedAsData ? ds->AddCalcField(s.name, s.kind, s.size)
                                                      : ds->AddField(s.name, s.kind, s.size);
        if (s.label)
            f->SetDisplayLabel(QString::fromUtf8(s.label));
        f->SetVisible(!s.hidden);
        f->SetReadOnly(s.readOnly);
    }
}

TClientDataSet* dataSet(QObject* owner, const char* name) {
    auto* ds = new TClientDataSet(owner);
    ds->setObjectName(name);
    return ds;
}

TDataSource* dataSource(QObject* owner, const char* name, TClientDataSet* ds) {
    auto* source = new TDataSource(owner);
    source->setObjectName(name);
    source->SetDataSet(ds);
    return source;
}

TADOIBQuery* query(QObject* owner, const char* name, const sql::Dialects& texts) {
    auto* q = new TADOIBQuery(owner);
    q->setObjectName(name);
    q->SQL = texts.generic;
    q->SQL_ORACLE = texts.oracle;
    q->SQL_MSSQL = texts.mssql;
    q->SQL_IB = texts.interbase;
    return q;
}

// The inpatient list's fields, shared by the list and its marked copies (where the computed
// texts are plain values copied with the record).
void addInternacaoFields(TClientDataSet* ds, bool mainList) {
    const bool withServiceLabel = mainList;
    using K = FieldKind;
    addFields(ds,
              {
                  {"NMPACIENTE", K::String, 80, "Paciente", false},
                  {"CDPACIENTE", K::String, 12, "Cód. Paciente", false},
                  {"DTALTA", K::DateTime, 0, nullptr, true},
                  {"DTINTERNA", K::DateTime, 0, nullptr, true},
                  {"CDSERPADDIE", K::String, 3, nullptr, true},
                  {"CDLEITO", K::String, 12, "Leito", false},
                  {"DiagInter", K::String, 70, nullptr, true, true},
                  {"NMLEITO", K::String, 40, nullptr, true},
                  {"NMSERPADDIE", K::String, 30, "Pad. Internação", false},
                  {"DTNASCPACI", K::DateTime, 0, nullptr, true},
                  {"CDDIETPAD", K::String, 4, "Cód. Dieta", false},
                  {"DSDIETPAD", K::String, 50, "Dieta", false},
                  {"CDFILIAL", K::String, 4, nullptr, true},
                  {"CDSERVFILI", K::String, 5, withServiceLabel ? "Serviço" : nullptr,
                   !withServiceLabel, false, withServiceLabel},
                  {"DTSERVINTE", K::DateTime, 0, nullptr, true},
                  {"STPACIACOM", K::String, 1, "Pac/Acomp", true},
                  {"DSPRESMEDI", K::String, 40, nullptr, true},
                  {"IDCHECK", K::String, 1, nullptr, true},
                  {"Idade", K::String, 10, nullptr, true, true},
                  {"NRSEQUSERV", K::String, 2, nullptr, true},
                  {"IDFORMDIET", K::String, 1, nullptr, true},
                  {"IDRESTSERIN", K::String, 1, " ", true},
                  {"IDIMPRSERV", K::String, 1, " ", true},
                  {"CDDIETGRUP", K::String, 4, nullptr, true},
                  {"IDCHECKTODOS", K::String, 1, nullptr, true},
                  {"DSSERVINTE", K::String, 255, "Observação", false},
              },
              !mainList);
    ds->FieldByName(u"DSSERVINTE")->SetDisplayWidth(255);
}

} // namespace

void TfrmContAlimentar::buildDataSets() {
    using K = FieldKind;
    netDietaOral = new TNetConnection(this);
    netDietaOral->setObjectName("netDietaOral");
    netDietaOral->setServerName(QString::fromLatin1(contracts::rdm::kServerObject));

    cdsInternacao = dataSet(this, "cdsInternacao");
    addInternacaoFields(cdsInternacao, true);
    // Always in bed order.
    cdsInternacao->AddIndex("Ordena", "CDLEITO");
    cdsInternacao->SetIndexName("Ordena");

    cdsInterAux = dataSet(this, "cdsInterAux");
    addInternacaoFields(cdsInterAux, false);

    cdsParams = dataSet(this, "cdsParams");
    addFields(cdsParams, {
                             {"CDSERPADDIE", K::String, 4000, nullptr, false},
                             {"CDALA", K::String, 4000, nullptr, false},
                             {"CDANDAR", K::String, 4000, nullptr, false},
                             {"CDDIAGNOST", K::String, 4000, nullptr, false},
                             {"IDTIPOPACI", K::String, 5, nullptr, false},
                             {"DTSERVINTE", K::Date, 0, nullptr, false},
                             {"CDSERVFILI", K::String, 5, nullptr, false},
                             {"CDFILIAL", K::String, 4, nullptr, false},
                         });

    cdsDiagInter = dataSet(this, "cdsDiagInter");
    addFields(cdsDiagInter, {
                                {"CDPACIENTE", K::String, 12, nullptr, false},
                                {"DTINTERNA", K::String, 10, nullptr, false, false, true},
                                {"NMDIAGNOST", K::String, 250, nullptr, false},
                            });

    cdsConfCard = dataSet(this, "cdsConfCard");
    addFields(cdsConfCard, {
                               {"CDTIPOPRAT", K::String, 2, nullptr, false},
                               {"NRSEQCNFCARD", K::Float, 0, nullptr, false},
                               {"CDFILIAL", K::String, 4, nullptr, false},
                               {"CDSERVFILI", K::String, 5, nullptr, false},
                               {"NMTIPOPRAT", K::String, 15, nullptr, false},
                           });

    cdsConfesco = dataSet(this, "cdsConfesco");
    addFields(cdsConfesco, {
                               {"CDFILIAL", K::String, 4, nullptr, true},
                               {"NMTIPOPRAT", K::String, 15, "Tipo de Prato", true},
                               {"NMPRATO", K::String, 40, "Prato", false},
                               {"DSOBSCONF", K::String, 255, "Observação", false},
                               {"CDPACIENTE", K::String, 12, nullptr, true},
                               {"DTSERVINTE", K::DateTime, 0, nullptr, true},
                               {"IDESCOCONF", K::String, 1, "Opção", true},
                               {"NRSEQUSERV", K::String, 2, nullptr, true},
                               {"CDPRATO", K::String, 10, nullptr, true},
                               {"CDTIPOPRAT", K::String, 2, nullptr, true},
                               {"IDOPCAOCONF", K::String, 1, nullptr, true},
                               {"CDFILAUXPRAT", K::String, 4, nullptr, true},
                               {"CDSEQUCOPR", K::String, 4, nullptr, true},
                               {"HRINTECONF", K::Float, 0, nullptr, true},
                               {"HRPERICONF", K::Float, 0, nullptr, true},
                               {"HRCONSCONF", K::Float, 0, "Hora do Consumo", true},
                               {"DTCONSCONF", K::DateTime, 0, "Data do Consumo", true},
                               {"IDRESTCONF", K::String, 1, " ", true},
                               {"QTPRATCONF", K::Float, 0, "Quantidade", false},
                           });
    cdsConfesco->FieldByName(u"DSOBSCONF")->SetDisplayWidth(255);

    cdsCompCard = dataSet(this, "cdsCompCard");
    addFields(cdsCompCard, {
                               {"CDFILAUXPRAT", K::String, 4, nullptr, false},
                               {"CDPRATO", K::String, 10, nullptr, false},
                               {"CDTIPOPRAT", K::String, 2, nullptr, false},
                               {"NRORDPRATCAR", K::Float, 0, nullptr, false},
                               {"NMPRATO", K::String, 40, "Prato", false},
                               {"NMTIPOPRAT", K::String, 15, nullptr, false},
                               {"IDOPCCNFMES", K::String, 1, nullptr, false},
                           });

    dtsInternacao = dataSource(this, "dtsInternacao", cdsInternacao);
    dtsPadrao->SetDataSet(cdsConfesco);
    dtsCompCard = dataSource(this, "dtsCompCard", cdsCompCard);
}

void TfrmContAlimentar::buildQueries() {
    qryFilial = query(this, "qryFilial", sql::filial());
    TField* cdFilial = qryFilial->AddField("CDFILIAL", FieldKind::String, 4);
    cdFilial->SetRequired(true);
    cdFilial->SetDisplayLabel(QStringLiteral("Código"));
    cdFilial->SetEditMask(QStringLiteral("9999;0; "));
    qryFilial->AddField("NMFILIAL", FieldKind::String, 30)->SetDisplayLabel(QStringLiteral("Nome"));

    qryServico = query(this, "qryServico", sql::servico());
    TField* cdServ = qryServico->AddField("CDSERVFILI", FieldKind::String, 5);
    cdServ->SetRequired(true);
    cdServ->SetDisplayLabel(QStringLiteral("Codigo"));
    TField* servFilial = qryServico->AddField("CDFILIAL", FieldKind::String, 4);
    servFilial->SetRequired(true);
    servFilial->SetVisible(false);
    TField* nmServ = qryServico->AddField("NMSERVICO", FieldKind::String, 40);
    nmServ->SetDisplayLabel(QStringLiteral("Descrição"));
    nmServ->SetDisplayWidth(53);
    qryServico->AddField("IDTIPOSERV", FieldKind::String, 1)->SetVisible(false);

    qryGrupoServico = query(this, "qryGrupoServico", sql::grupoServico());
    qryGrupoServico->AddField("CDGRUPSERV", FieldKind::String, 3)
        ->SetDisplayLabel(QStringLiteral("Código"));
    qryGrupoServico->AddField("NMGRUPSERV", FieldKind::String, 30)
        ->SetDisplayLabel(QStringLiteral("Nome"));

    qryNutricio = query(this, "qryNutricio", sql::nutricio());
    qryNutricio->AddField("CDNUTRICIO", FieldKind::String, 12)->SetRequired(true);

    qryDieta = query(this, "qryDieta", sql::dieta());
    TField* cdDieta = qryDieta->AddField("CDDIETPAD", FieldKind::String, 4);
    cdDieta->SetRequired(true);
    cdDieta->SetDisplayLabel(QStringLiteral("Código"));
    qryDieta->AddField("DSDIETPAD", FieldKind::String, 50)->SetDisplayLabel(QStringLiteral("Nome"));
    qryDieta->AddField("CDDIETGRUP", FieldKind::String, 4)->SetVisible(false);
    qryDieta->AddField("IDFORMDIET", FieldKind::String, 1)->SetVisible(false);

    dtsFilial = dataSource(this, "dtsFilial", qryFilial);
    dtsServico = dataSource(this, "dtsServico", qryServico);
    dtsGrupoServ = dataSource(this, "dtsGrupoServ", qryGrupoServico);
    dtsDieta = dataSource(this, "dtsDieta", qryDieta);
}

void TfrmContAlimentar::buildMessages() {
    msgPadrao->setLines({
        "Serv_Inf|Serviço deve ser informado.",
        "Serv_Cad|Serviço não cadastrado.",
        "TpInter_Cad|Tipo de internação não cadastrado.",
        "Paci_Cad|Paciente não cadastrado.",
        "CdDieta_Inf|Dieta deve ser informada.",
        "CdDieta_Inv|Dieta não cadastrada.",
        "Prato|Prato",
        "Prat_Inv|Prato não cadastrado.",
        "Acom_Cad|Acompanhante para o paciente deve estar cadastrado.",
        "Excl|Confirma exclusão?",
        "Confi_Inf|Não existe configuração padrão para o serviço informado.",
        "Conf|Confirma operação?",
        "Canc|Cancelar operação?",
        "Acomp|Acompanhante",
        "Paciente|Paciente",
        "Paci_Inf|Paciente deve ser informado.",
        "Paci_Selec|Paciente já selecionado.",
        "Dieta|Dieta",
        "Dieta_NCad|Dieta não cadastrada.",
        "Dieta_Inf|Dieta deve ser informada.",
        "Diet_Cad|Não há dieta cadastrada.",
        "N_Exis_Card|Não existe cardápio cadastrado para  dieta e dia informado.",
        "ValCons_Inv|Valor inválido. A quantidade de horas deve estar no formato 'HHHH:MM'.",
        "Prato_Inf|Prato deve ser informado.",
        "Consumo_Inf|Hora de início de consumo deve ser informado.",
        "Consumo_Inv|Hora de início de consumo inválida.",
        "Intervalo_Inf|Intervalo deve ser informado.",
        "Intervalo_Inv|Intervalo deve ser maior que zero.",
        "Periodo_Inf|Período deve ser informado.",
        "Periodo_Inv|Período deve ser maior que zero.",
        "Periodo_Intervalo|Intervalo deve ser menor ou igual o período.",
        "Atualiza_Conf|Atualização do controle alimentar.",
        "Sobre|Sobrepor",
        "Acres|Acrescentar",
        "Cancela|Cancelar",
        "Montar|Montar Controle Alimentar",
        "Oper_Per|Operador não está cadastrado como nutricionista.",
        "Ano|Ano",
        "Anos|Anos",
        "Mes|Mês",
        "Meses|Meses",
        "Data_Inf|Data deve ser informada.",
        "Filial_Inf|Filial deve ser informada.",
        "DupUmPaciente|Não é possível acrescentar/duplicar dieta para mais de um paciente.",
        "Grupo_Serv_Cad|Grupo de serviços não cadastrado.",
        "Grup_Serv_Inf|Grupo de serviços deve ser informado.",
    });
}

namespace {

const QColor kOlive(128, 128, 0);

// An upright dark rounded shape with a light: red above (restriction) or green below.
QImage lamp(bool restriction) {
    QImage img(18, 18, QImage::Format_RGB32);
    img.fill(kOlive);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(QColor(48, 48, 48));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(5, 1, 8, 16, 3, 3);
    p.setBrush(restriction ? QColor(230, 0, 0) : QColor(0, 200, 0));
    p.drawEllipse(restriction ? QRect(6, 3, 6, 6) : QRect(6, 9, 6, 6));
    return img;
}

// A sheet: printed (dark lines) or not printed (blank).
QImage sheet(bool printed) {
    QImage img(18, 18, QImage::Format_RGB32);
    img.fill(kOlive);
    QPainter p(&img);
    p.fillRect(4, 2, 10, 14, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(4, 2, 10, 14);
    if (printed) {
        for (int y = 5; y <= 13; y += 2)
            p.drawLine(6, y, 12, y);
    }
    return img;
}

} // namespace

void TfrmContAlimentar::buildPictures() {
    imgCheck = TDBGrid::CheckBoxPicture(true);
    imgUnCheck = TDBGrid::CheckBoxPicture(false);
    imgOpcao = TDBGrid::CheckBoxPicture(true, QColor(0, 160, 0));
    imgRest = lamp(true);
    imgNRest = lamp(false);
    imgImp = sheet(true);
    imgNImp = sheet(false);
}

} // namespace dieta::Cli_zfa13000
