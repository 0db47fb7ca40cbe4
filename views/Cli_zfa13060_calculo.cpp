// The nutrient calculation's handlers: the group check, the nutrient choice and the
// calculation on the server.

#include "contracts/contalimentar.h"
#include "contracts/rdmdietaoral.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/controlevents.h"
#include "framework/focusorder.h"
#include "framework/lookups.h"
#include "framework/showavi.h"
#include "framework/tbtnpesquisa.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "framework/tnumberedit.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "views/Cli_zfa13060.h"

#include <QFrame>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <stdexcept>

namespace dieta::Cli_zfa13060 {

namespace {

// What the server answers: the totals' packet and the energy of protein, carbohydrate, lipid
// and alcohol, in kcal.
struct Calculation {
    DataPacket totals;
    double protein = 0;
    double carbohydrate = 0;
    double lipid = 0;
    double alcohol = 0;
};

// An answer of another shape would show made-up zeros as if they were the patient's: it is
// refused instead.
Calculation readCalculation(const QVariant& result) {
    const QVariantList parts = result.toList();
    const bool wellFormed = result.metaType() == QMetaType::fromType<QVariantList>() &&
                            parts.size() == 5 && isPacket(parts.at(0));
    double energy[4] = {0, 0, 0, 0};
    bool numbers = wellFormed;
    for (int i = 0; numbers && i < 4; ++i)
        energy[i] = parts.at(i + 1).toDouble(&numbers);
    if (!numbers)
        throw std::runtime_error(
            QStringLiteral("Resposta inválida do servidor de aplicação.").toUtf8().toStdString());
    return {toPacket(parts.at(0)), energy[0], energy[1], energy[2], energy[3]};
}

QString trimmedText(const TMaskEdit* edit) {
    return Consiste::AllTrim(edit->Text());
}

} // namespace

void TfrmCalcNutriDieta::connectHandlers() {
    onChange(medCdGrupo, this, [this] { medCdGrupoChange(); });
    m_focus->onExit(medCdGrupo, [this] { medCdGrupoExit(); });
    btpGrupo->BeforePesq = [this] { btpGrupoBeforePesq(); };
    btpGrupo->AfterPesq = [this] { btpGrupoAfterPesq(); };
    onClick(rbtTNutri, this, [this] { rbtTNutriClick(); });
    onClick(rbtLNutri, this, [this] { rbtTNutriClick(); });
    onClick(btnNutriente, this, [this] { btnNutrienteClick(); });
    m_focus->onEnter(dbgNutriente, [this] { dbgNutrienteEnter(); });
}

void TfrmCalcNutriDieta::FormCreate() {
    TfrmRotiGeral::FormCreate();
    qryParaDieto->Close();
    qryParaDieto->Open();
    const bool vct = !qryParaDieto->IsEmpty() &&
                     qryParaDieto->FieldByName(u"IDVCTCALCNUT")->AsString() == QLatin1String("S");
    panVct->setVisible(vct);
    m_nutrientes.clear();
    cdsCalc->CreateDataSet();
    zeroEnergy();
}

void TfrmCalcNutriDieta::FormActivate() {
    TfrmRotiGeral::FormActivate();
    repaint();
}

// ---------------------------------------------------------------- group

void TfrmCalcNutriDieta::Vd_Grupo() {
    if (Consiste::EmptyString(medCdGrupo->Text()))
        return;
    try {
        const QString code = Consiste::Ajusta(medCdGrupo->Text(), 2);
        if (medCdGrupo->text() != code)
            medCdGrupo->setText(code);
        qryGrupo->Close();
        qryGrupo->ParamByName(QStringLiteral("P_CDGRUPO"))->SetAsString(code);
        qryGrupo->Open();
        if (qryGrupo->IsEmpty())
            Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Grupo_NCad")), medCdGrupo);
        edtNmGrupo->setText(qryGrupo->FieldByName(u"NMGRUPNUTR")->AsString());
    } catch (...) {
        medCdGrupo->setFocus(Qt::OtherFocusReason);
        throw;
    }
}

void TfrmCalcNutriDieta::medCdGrupoChange() {
    edtNmGrupo->clear();
    rbtTNutri->setChecked(true);
}

void TfrmCalcNutriDieta::medCdGrupoExit() {
    Vd_Grupo();
}

void TfrmCalcNutriDieta::btpGrupoBeforePesq() {
    qryGrupo->Close();
    qryGrupo->ParamByName(QStringLiteral("P_CDGRUPO"))->Clear();
    qryGrupo->Open();
}

void TfrmCalcNutriDieta::btpGrupoAfterPesq() {
    medCdGrupo->setText(qryGrupo->FieldByName(u"CDGRUPNUTR")->AsString());
    edtNmGrupo->setText(qryGrupo->FieldByName(u"NMGRUPNUTR")->AsString());
}

// ---------------------------------------------------------------- nutrients

void TfrmCalcNutriDieta::rbtTNutriClick() {
    m_nutrientes.clear();
    btnNutriente->setEnabled(rbtLNutri->isChecked());
}

void TfrmCalcNutriDieta::openNutrientes() {
    qryNutriente->Close();
    const QString group = trimmedText(medCdGrupo);
    if (group.isEmpty()) {
        qryNutriente->ParamByName(QStringLiteral("P_TCDGRUPO"))->SetAsString(QStringLiteral("T"));
        qryNutriente->ParamByName(QStringLiteral("P_CDGRUPO"))->SetAsString(QStringLiteral("T"));
    } else {
        qryNutriente->ParamByName(QStringLiteral("P_TCDGRUPO"))->SetAsString(QStringLiteral(" "));
        qryNutriente->ParamByName(QStringLiteral("P_CDGRUPO"))->SetAsString(group);
    }
    qryNutriente->Open();
}

void TfrmCalcNutriDieta::btnNutrienteClick() {
    openNutrientes();
    const QString title = msgPadrao->Msg(QStringLiteral("Nutriente")) + QLatin1Char('|') +
                          msgPadrao->Msg(QStringLiteral("Nutriente_NCad"));
    PesquisaLista(dtsNutriente, QStringLiteral("CDNUTRIENTE"), title, false, m_nutrientes, this);
}

// ---------------------------------------------------------------- calculation

void TfrmCalcNutriDieta::dbgNutrienteEnter() {
    Calcular();
}

void TfrmCalcNutriDieta::sbtConfirmaClick() {
    TfrmRotiGeral::sbtConfirmaClick();
    // Entering the grid calculates; when the grid has the focus already, calculate here.
    if (focusWidget() == dbgNutriente)
        Calcular();
    else
        dbgNutriente->setFocus(Qt::OtherFocusReason);
}

void TfrmCalcNutriDieta::Calcular() {
    Vd_Grupo();
    repaint();
    if (rbtLNutri->isChecked() && m_nutrientes.isEmpty())
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Nutri_Inf")), rbtLNutri);
    if (rbtTNutri->isChecked()) {
        openNutrientes();
        m_nutrientes = QStringLiteral("_");
        for (qryNutriente->First(); !qryNutriente->Eof(); qryNutriente->Next())
            m_nutrientes += qryNutriente->FieldByName(u"CDNUTRIENTE")->AsString() + u'_';
    }
    const QString group = trimmedText(medCdGrupo);
    contracts::ContAlimentar* screen = contracts::frmContAlimentar;
    if (!screen)
        Abort();
    try {
        QVariantList args{screen->filialCode(),
                          screen->inpatients()->FieldByName(u"CDPACIENTE")->AsString(),
                          screen->servicoCode(),
                          screen->serviceDate(),
                          group.isEmpty() ? QStringLiteral("T") : group,
                          m_nutrientes};
        QVariant result;
        {
            ShowAviGuard busy(1);
            result = screen->connection()->call(
                QString::fromLatin1(contracts::rdm::GetCalcNutriente), args);
            Consiste::CheckResultServ(result, true, 0);
        }
        const Calculation calculation = readCalculation(result);
        cdsCalc->SetData(calculation.totals);
        showEnergy(calculation.protein, calculation.carbohydrate, calculation.lipid,
                   calculation.alcohol);
    } catch (...) {
        zeroEnergy();
        throw;
    }
}

void TfrmCalcNutriDieta::showEnergy(double protein, double carbohydrate, double lipid,
                                    double alcohol) {
    nedVct->SetNumber(protein + carbohydrate + lipid + alcohol);
    // The shares are of the value shown, read back from its edit.
    const double vct = nedVct->GetNumber();
    if (vct != 0 && !nedVct->text().isEmpty()) {
        nedProt->SetNumber(protein * 100 / vct);
        nedAlcool->SetNumber(alcohol * 100 / vct);
        nedCarbo->SetNumber(carbohydrate * 100 / vct);
        nedLipidio->SetNumber(lipid * 100 / vct);
    } else {
        for (TNumberEdit* share : {nedProt, nedAlcool, nedCarbo, nedLipidio})
            share->SetNumber(0);
    }
}

void TfrmCalcNutriDieta::zeroEnergy() {
    for (TNumberEdit* edit : {nedVct, nedProt, nedAlcool, nedCarbo, nedLipidio})
        edit->SetNumber(0);
}

} // namespace dieta::Cli_zfa13060
