#include "views/Cli_zfa13040.h"

#include "contracts/contalimentar.h"
#include "contracts/rdmdietaoral.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/dialogservice.h"
#include "framework/showavi.h"
#include "framework/tdbgrid.h"
#include "framework/tmaskedit.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"

#include <QFrame>
#include <QLabel>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

namespace dieta::Cli_zfa13040 {

TfrmVisuRestInto* frmVisuRestInto = nullptr;
bool boTPratos = true;

namespace {

const QColor kInfoBk(255, 255, 225);

void addField(TClientDataSet* ds, const char* name, int size, const QString& label) {
    ds->AddField(QString::fromLatin1(name), FieldKind::String, size)->SetDisplayLabel(label);
}

TDBGrid* infoGrid(QWidget* parent, const char* name, TDataSource* source) {
    auto* grid = new TDBGrid(parent);
    grid->setObjectName(name);
    grid->SetDataSource(source);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette palette = grid->palette();
    palette.setColor(QPalette::Base, kInfoBk);
    grid->setPalette(palette);
    return grid;
}

QFrame* panel(QWidget* parent, const char* name, QLabel*& heading, const char* headingName,
              const QString& text) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(2, 2, 2, 2);
    heading = new QLabel(text, frame);
    heading->setObjectName(headingName);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    return frame;
}

// A packet the server left out loads as an empty list.
void load(TClientDataSet* ds, const DataPacket& packet) {
    if (packet.fields.isEmpty())
        ds->CreateDataSet();
    else
        ds->SetData(packet);
}

} // namespace

TfrmVisuRestInto::TfrmVisuRestInto(QWidget* parent) : TfrmRotiGeral(parent) {
    setObjectName(QStringLiteral("frmVisuRestInto"));
    setWindowTitle(QStringLiteral("Visualizar Restrição/Intolerância"));
    lblCodTela->setText(QStringLiteral("ZFA13040"));
    // Nothing can be confirmed here.
    sbtConfirma->setEnabled(false);
    msgPadrao->setLines({"Rest|Restrição", "Into|Intolerância"});
    buildDataSets();
    buildPanels();
    resize(640, 273 + panMenu->height());
}

TfrmVisuRestInto::~TfrmVisuRestInto() {
    if (frmVisuRestInto == this)
        frmVisuRestInto = nullptr;
}

void TfrmVisuRestInto::buildDataSets() {
    cdsVisuaRestInto = new TClientDataSet(this);
    cdsVisuaRestInto->setObjectName(QStringLiteral("cdsVisuaRestInto"));
    addField(cdsVisuaRestInto, "IDRESTINTO", 1, QStringLiteral("Rest/Int"));
    addField(cdsVisuaRestInto, "NMSUBGRPROD", 40, QStringLiteral("Grupo Rest/Int"));
    addField(cdsVisuaRestInto, "NMDIAGNOST", 250, QStringLiteral("Diagnóstico"));
    cdsVisuaRestInto->FieldByName(u"IDRESTINTO")->OnGetText = [this](TField* sender, QString& text,
                                                                     bool displayText) {
        cdsVisuaRestIntoIDRESTINTOGetText(sender, text, displayText);
    };

    cdsVisualizaMedica = new TClientDataSet(this);
    cdsVisualizaMedica->setObjectName(QStringLiteral("cdsVisualizaMedica"));
    addField(cdsVisualizaMedica, "NMMEDICAMENT", 150, QStringLiteral("Medicamento"));
    addField(cdsVisualizaMedica, "NMPRINATIV", 60, QStringLiteral("Princípio Ativo"));
    addField(cdsVisualizaMedica, "NMNUTRIENTE", 20, QStringLiteral("Nutriente"));
    // Medicines read in name order whatever order the server sends.
    cdsVisualizaMedica->AddIndex(QStringLiteral("Ordena"),
                                 QStringLiteral("NMMEDICAMENT;NMPRINATIV;NMNUTRIENTE"));
    cdsVisualizaMedica->SetIndexName(QStringLiteral("Ordena"));

    dtsVisuaRestInto = new TDataSource(this);
    dtsVisuaRestInto->setObjectName(QStringLiteral("dtsVisuaRestInto"));
    dtsVisuaRestInto->SetDataSet(cdsVisuaRestInto);
    dtsMedicamento = new TDataSource(this);
    dtsMedicamento->setObjectName(QStringLiteral("dtsMedicamento"));
    dtsMedicamento->SetDataSet(cdsVisualizaMedica);
}

void TfrmVisuRestInto::buildPanels() {
    auto* layout = new QVBoxLayout(panClient);
    layout->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Vertical, panClient);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(5);
    layout->addWidget(Splitter1);

    panRestInto =
        panel(Splitter1, "panRestInto", Label1, "Label1", QStringLiteral("Restrição/Intolerância"));
    dbgVisuRestInto = infoGrid(panRestInto, "dbgVisuRestInto", dtsVisuaRestInto);
    dbgVisuRestInto->AddColumn(QStringLiteral("IDRESTINTO"), QString(), 69);
    dbgVisuRestInto->AddColumn(QStringLiteral("NMDIAGNOST"), QString(), 213);
    dbgVisuRestInto->AddColumn(QStringLiteral("NMSUBGRPROD"), QString(), 266);
    panRestInto->layout()->addWidget(dbgVisuRestInto);

    panMedicamento = panel(Splitter1, "panMedicamento", Label2, "Label2",
                           QStringLiteral("Medicamento - Nutriente"));
    dbgConsMedNut = infoGrid(panMedicamento, "dbgConsMedNut", dtsMedicamento);
    dbgConsMedNut->AddColumn(QStringLiteral("NMMEDICAMENT"), QString(), 200);
    dbgConsMedNut->AddColumn(QStringLiteral("NMPRINATIV"), QString(), 200);
    dbgConsMedNut->AddColumn(QStringLiteral("NMNUTRIENTE"), QString(), 150);
    panMedicamento->layout()->addWidget(dbgConsMedNut);

    Splitter1->addWidget(panRestInto);
    Splitter1->addWidget(panMedicamento);
    Splitter1->setSizes({273 - 133 - 5, 133});
}

void TfrmVisuRestInto::FormCreate() {
    TfrmRotiGeral::FormCreate();
    contracts::ContAlimentar* screen = contracts::frmContAlimentar;
    if (!screen)
        Abort();
    TClientDataSet* inpatient = screen->inpatients();
    QString dish;
    QString dishBranch;
    if (!boTPratos) {
        dish = screen->menuChoices()->FieldByName(u"CDPRATO")->AsString();
        dishBranch = screen->menuChoices()->FieldByName(u"CDFILAUXPRAT")->AsString();
    }
    ShowAviGuard busy(1);
    QVariantList args{screen->filialCode(),
                      inpatient->FieldByName(u"CDPACIENTE")->AsString(),
                      inpatient->FieldByName(u"DTSERVINTE")->AsDate(),
                      screen->servicoCode(),
                      inpatient->FieldByName(u"NRSEQUSERV")->AsString(),
                      dish,
                      dishBranch,
                      inpatient->FieldByName(u"DTINTERNA")->AsDate()};
    const QVariant result =
        screen->connection()->call(QString::fromLatin1(contracts::rdm::GerVisuaRestInto), args);
    const DataPacket restrictions = Consiste::CheckResultServ(result, true, 0);
    load(cdsVisuaRestInto, restrictions);
    load(cdsVisualizaMedica, Consiste::CheckResultServ(result, true, 1));
    cdsVisuaRestInto->First();
    cdsVisualizaMedica->First();
}

void TfrmVisuRestInto::FormActivate() {
    TfrmRotiGeral::FormActivate();
    repaint();
}

void TfrmVisuRestInto::cdsVisuaRestIntoIDRESTINTOGetText(TField* sender, QString& text, bool) {
    const QString value = sender->AsString();
    if (value.isEmpty())
        text.clear();
    else
        text = msgPadrao->Msg(value == QLatin1String("I") ? "Into" : "Rest");
}

void CriaVisuRestInto(bool todosPratos) {
    boTPratos = todosPratos;
    contracts::ContAlimentar* screen = contracts::frmContAlimentar;
    QWidget* owner = screen ? screen->widget() : nullptr;
    auto form = std::make_unique<TfrmVisuRestInto>(owner ? owner->window() : nullptr);
    form->FormCreate();
    frmVisuRestInto = form.get();
    dialogs().execDialog(*form);
    frmVisuRestInto = nullptr;
}

} // namespace dieta::Cli_zfa13040
