// The copy itself: the checks, the question when the destination already has diets, the
// server's copy and what the window shows of its answer.

#include "contracts/contalimentar.h"
#include "contracts/rdmdietaoral.h"
#include "dialogs/Cli_zfa13010.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/dialogservice.h"
#include "framework/showavi.h"
#include "framework/tanimate.h"
#include "framework/tdateeditplus.h"
#include "framework/tmessages.h"
#include "framework/vantor.h"
#include "platform/tclientdataset.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"

#include <QCheckBox>
#include <QFrame>
#include <QRadioButton>
#include <QToolButton>

namespace dieta::Cli_zfa13010 {

namespace {

contracts::ContAlimentar& mainScreen() {
    contracts::ContAlimentar* form = contracts::frmContAlimentar;
    if (!form)
        Abort();
    return *form;
}

// The copying panel with its animation, shown over the scope for as long as the copy runs
// and hidden in every outcome, an abandoned copy included.
class CopyingPanel {
public:
    CopyingPanel(QWidget* form, QFrame* panel, TAnimate* animation)
        : m_form(form), m_panel(panel), m_animation(animation) {
        QWidget* area = m_panel->parentWidget();
        m_panel->move((area->width() - m_panel->width()) / 2,
                      (area->height() - m_panel->height()) / 2);
        m_panel->show();
        m_panel->raise();
        m_animation->SetActive(true);
        m_form->repaint();
    }
    ~CopyingPanel() {
        m_animation->SetActive(false);
        m_panel->hide();
        m_form->repaint();
    }
    CopyingPanel(const CopyingPanel&) = delete;
    CopyingPanel& operator=(const CopyingPanel&) = delete;

private:
    QWidget* m_form;
    QFrame* m_panel;
    TAnimate* m_animation;
};

// The patients the copy left out because they were discharged before the destination day,
// one line each under the catalogue's heading; empty when there are none.
QString dischargedText(const TMessages& messages, const QVariant& packet) {
    if (!isPacket(packet))
        return QString();
    const DataPacket patients = toPacket(packet);
    if (patients.rows.isEmpty())
        return QString();
    QStringList lines{messages.Msg(QStringLiteral("Copia_Alta"))};
    for (int row = 0; row < patients.rows.size(); ++row)
        lines.append(messages.Msg(QStringLiteral("Paci_Alta"))
                         .arg(patients.value(row, u"CDPACIENTE").toString(),
                              patients.value(row, u"NMPACIENTE").toString(),
                              patients.value(row, u"DTALTA").toDate().toString(u"dd/MM/yyyy")));
    return lines.join(u'\n');
}

} // namespace

void TfrmCopConf::validateDates() {
    depOrigem->CheckValidDate();
    depDestino->CheckValidDate();
    if (depOrigem->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("DtOri_Inf")), depOrigem);
    if (depDestino->IsEmpty())
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("DtDest_Inf")), depDestino);
    const QDate origem = depOrigem->GetDate();
    const QDate destino = depDestino->GetDate();
    if (destino == origem)
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("DtOrDst")), depDestino);
    if (destino < origem)
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Dest_Inv")), depOrigem);
}

void TfrmCopConf::validateLists() {
    const struct {
        QRadioButton* lista;
        const QString& list;
        const char* key;
    } groups[] = {{rbtLServ, stServico, "Serv_Inf"},
                  {rbtLAndar, stAndar, "Andar_Inf"},
                  {rbtLAla, stAla, "Ala_Inf"},
                  {rbtLLeito, stLeito, "Leito_Inf"},
                  {rbtLPaci, stPaciente, "Paci_Inf"}};
    for (const auto& g : groups)
        if (g.lista->isChecked() && Consiste::EmptyString(g.list))
            Consiste::MensErro(msgPadrao->Msg(QString::fromLatin1(g.key)), g.lista);
}

void TfrmCopConf::listsOfAll() {
    const std::pair<QRadioButton*, QString*> groups[] = {{rbtTPaci, &stPaciente},
                                                         {rbtTServ, &stServico},
                                                         {rbtTAndar, &stAndar},
                                                         {rbtTAla, &stAla},
                                                         {rbtTLeito, &stLeito}};
    for (const auto& [todos, list] : groups)
        if (todos->isChecked())
            *list = QStringLiteral("T");
}

void TfrmCopConf::askWhenDestinationHasDiets() {
    contracts::ContAlimentar& form = mainScreen();
    {
        ShowAviGuard busy(6);
        QVariantList args{depDestino->GetDate(), form.filialCode(), stServico, stPaciente,
                          stGrupoServ};
        const QVariant result =
            form.connection()->call(QString::fromLatin1(contracts::rdm::GetVdCopia), args);
        // A failed check must not pass for "no diets there": the copy would go on unasked.
        const DataPacket packet = Consiste::CheckResultServ(result, true, 0);
        stServico = args.value(2).toString();
        stPaciente = args.value(3).toString();
        stGrupoServ = args.value(4).toString();
        if (packet.fields.isEmpty())
            cdsVdCopia->CreateDataSet();
        else
            cdsVdCopia->SetData(packet);
    }
    if (cdsVdCopia->RecordCount() >= 1 &&
        msgPadrao->ShowMsg(QStringLiteral("CONF_COPIA"), MsgKind::Confirmation) != mrYes)
        Abort();
}

QVariant TfrmCopConf::copy() {
    contracts::ContAlimentar& form = mainScreen();
    QVariantList args{form.filialCode(),
                      stPaciente,
                      stServico,
                      depOrigem->GetDate(),
                      stLeito,
                      stAla,
                      stAndar,
                      chbDietaEspecial->isChecked(),
                      chbSobre->isChecked(),
                      depDestino->GetDate(),
                      Vantor::Operador(),
                      QVariant::fromValue(form.listParams()->Data()),
                      stGrupoServ};
    QVariant result;
    {
        ShowAviGuard busy(6);
        result = form.connection()->call(QString::fromLatin1(contracts::rdm::GetCopiarDieta), args);
    }
    if (!isServerError(result)) {
        stPaciente = args.value(1).toString();
        stServico = args.value(2).toString();
        stLeito = args.value(4).toString();
        stAla = args.value(5).toString();
        stAndar = args.value(6).toString();
        stGrupoServ = args.value(12).toString();
    }
    return result;
}

void TfrmCopConf::showOutcome(const QVariant& result) {
    // An error answer (the server down included) is shown like the server's error text.
    Consiste::CheckResultServ(result, true, 0);
    if (result.typeId() == QMetaType::QString)
        Consiste::MensErro(result.toString());
    const QVariantList answer = result.toList();
    if (result.typeId() != QMetaType::QVariantList || answer.size() < 2)
        Consiste::MensErro(QStringLiteral("Resposta inválida do servidor de aplicação."));
    const QString key = answer.at(0).toString();
    if (isPacket(answer.at(1)))
        cdsErroCopia->SetData(toPacket(answer.at(1)));
    // Patients left out must not pass for a plain success.
    const QString discharged = dischargedText(*msgPadrao, answer.value(3));
    if (key == u"NExist_Conf" && !discharged.isEmpty())
        Consiste::MensErro(msgPadrao->Msg(key) + u'\n' + discharged);
    if (key.isEmpty() && !discharged.isEmpty())
        dialogs().message(MsgKind::Warning,
                          discharged + u'\n' + msgPadrao->Msg(QStringLiteral("Copia_Parcial")),
                          this);
    if (key.isEmpty() && cdsErroCopia->IsEmpty()) {
        if (discharged.isEmpty())
            msgPadrao->ShowMsg(QStringLiteral("Copia_Sucesso"), MsgKind::Information);
        // The new list only when it came, and only into an open list: a closed list belongs
        // to a selection being changed, which loads its own list when it is left.
        TClientDataSet* list = mainScreen().inpatients();
        if (answer.size() > 2 && isPacket(answer.at(2)) && list->Active())
            list->SetData(toPacket(answer.at(2)));
        return;
    }
    if (key == u"NExist_Conf")
        Consiste::MensErro(msgPadrao->Msg(key));
    if (!cdsErroCopia->IsEmpty()) {
        SetAltura(kAlturaErro);
        sbtVisualizaErro->setEnabled(true);
    }
}

void TfrmCopConf::sbtConfirmaClick() {
    TfrmRotiGeral::sbtConfirmaClick();
    validateDates();
    validateLists();
    listsOfAll();
    CopyingPanel copying(this, panCopia, anmCop);
    if (!chbSobre->isChecked())
        askWhenDestinationHasDiets();
    if (cdsErroCopia->Active())
        cdsErroCopia->EmptyDataSet();
    else
        cdsErroCopia->CreateDataSet();
    SetAltura(kAlturaNormal);
    sbtVisualizaErro->setEnabled(false);
    repaint();
    showOutcome(copy());
}

void TfrmCopConf::sbtVisualizaErroClick() {
    SetAltura(Altura() == kAlturaNormal ? kAlturaErro : kAlturaNormal);
}

} // namespace dieta::Cli_zfa13010
