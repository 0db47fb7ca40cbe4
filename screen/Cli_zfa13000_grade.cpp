// The inpatient grid: drawing of marks and pictures, marking one or all records, the keyboard,
// the diet column and its validation, and the navigation popup.
//
// Marks (inpatientmarks.h) are local: marking never reaches the saving logic, which acts only
// on edits the data source's state handler has seen.

#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/consistegrid.h"
#include "framework/dialogservice.h"
#include "framework/lookups.h"
#include "framework/paintfreeze.h"
#include "framework/scrollhandlerheld.h"
#include "framework/tmaskedit.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"
#include "platform/tfield.h"
#include "screen/Cli_zfa13000.h"
#include "views/Cli_zfa13040.h"

#include <QPainter>
#include <QSet>

namespace dieta::Cli_zfa13000 {

namespace {

bool isField(const TField* field, QLatin1StringView name) {
    return field && field->FieldName().compare(name, Qt::CaseInsensitive) == 0;
}

bool isColumn(const TColumn& column, QLatin1StringView name) {
    return column.FieldName.compare(name, Qt::CaseInsensitive) == 0;
}

// Detaches the state handler of a data source for a scope (re-attached also on failure), so
// that a local edit neither switches the toolbar into editing nor saves to the server.
class StateHandlerDetach {
public:
    explicit StateHandlerDetach(TDataSource* source)
        : m_source(source), m_handler(std::exchange(source->OnStateChange, nullptr)) {}
    ~StateHandlerDetach() { restore(); }
    void restore() {
        if (m_handler)
            m_source->OnStateChange = std::exchange(m_handler, nullptr);
    }
    StateHandlerDetach(const StateHandlerDetach&) = delete;
    StateHandlerDetach& operator=(const StateHandlerDetach&) = delete;

private:
    TDataSource* m_source;
    TDataSource::NotifyEvent m_handler;
};

class ControlsDisabled {
public:
    explicit ControlsDisabled(TClientDataSet* ds) : m_ds(ds) { m_ds->DisableControls(); }
    ~ControlsDisabled() { m_ds->EnableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    TClientDataSet* m_ds;
};

// A record left in edit by a failure would reach the toolbar as an operator's edit once the
// controls are enabled again: it is cancelled.
void cancelPendingEdit(TClientDataSet* ds) {
    if (ds->State() == dsEdit || ds->State() == dsInsert)
        ds->Cancel();
}

} // namespace

// ---------------------------------------------------------------- drawing

void TfrmContAlimentar::dbgPadraoDrawColumnCell(QPainter& painter, const QRect& rect, int,
                                                TColumn& column, TField* field,
                                                TGridDrawState state) {
    if (isColumn(column, QLatin1StringView("CDDIETPAD"))) {
        drawDietCell(painter, rect, state);
        return;
    }
    if (!field || cdsInternacao->IsEmpty())
        return;
    const QString value = field->AsString();
    const QImage* picture = nullptr;
    int offset = 0;
    if (isColumn(column, QLatin1StringView("IDCHECK"))) {
        picture = value == QLatin1String("S") ? &imgCheck : &imgUnCheck;
        offset = 5;
    } else if (isColumn(column, QLatin1StringView("IDRESTSERIN"))) {
        // Companions' records keep the default drawing: their restriction text is empty.
        if (cdsInternacao->FieldByName(u"STPACIACOM")->AsString() != QLatin1String("0"))
            return;
        if (value == QLatin1String("1"))
            picture = &imgRest;
        else if (value == QLatin1String("0"))
            picture = &imgNRest;
        offset = 1;
    } else if (isColumn(column, QLatin1StringView("IDIMPRSERV"))) {
        if (value == QLatin1String("S"))
            picture = &imgImp;
        else if (value == QLatin1String("N"))
            picture = &imgNImp;
        offset = 2;
    } else {
        return;
    }
    // The default drawing left the cell's background (plain, alternate or selected): the
    // picture's olive background lets it show through.
    if (picture)
        TDBGrid::DrawPicture(painter, rect, *picture, offset);
}

void TfrmContAlimentar::drawDietCell(QPainter& painter, const QRect& rect, TGridDrawState state) {
    if (!cdsInternacao->Active() || cdsInternacao->IsEmpty())
        return;
    const QString code = cdsInternacao->FieldByName(u"CDDIETPAD")->AsString();
    if (code.isEmpty())
        return;
    // Under an open editor the cell shows the code being edited, elsewhere the diet's name.
    const bool underEditor = dbgPadrao->EditorMode() && state.selected && !state.focused;
    const QString text = underEditor ? code : cdsInternacao->FieldByName(u"DSDIETPAD")->AsString();
    dbgPadrao->DrawCellText(painter, rect, text, state);
}

// ---------------------------------------------------------------- marks

InpatientMarks TfrmContAlimentar::marks() {
    return InpatientMarks(cdsInternacao, cdsInterAux, stlCheck);
}

void TfrmContAlimentar::dbgPadraoCellClick(TColumn&) {
    if (!isField(dbgPadrao->SelectedField(), QLatin1StringView("IDCHECK")))
        return;
    const TDataSetState state = cdsInternacao->State();
    if (state == dsEdit || state == dsInsert) {
        // The operator's own edit: the mark goes with it when it is posted or cancelled.
        if (!marks().toggleCurrent())
            Consiste::MensErro(msgPadrao->Msg("Paci_Selec"));
        return;
    }
    if (!cdsInternacao->Active() || cdsInternacao->IsEmpty())
        return;
    StateHandlerDetach detached(dtsInternacao);
    bool marked = false;
    try {
        cdsInternacao->Edit();
        marked = marks().toggleCurrent();
        cdsInternacao->Post();
    } catch (...) {
        cancelPendingEdit(cdsInternacao);
        throw;
    }
    detached.restore();
    if (!marked)
        Consiste::MensErro(msgPadrao->Msg("Paci_Selec"));
}

void TfrmContAlimentar::dbgPadraoTitleClick(TColumn& column) {
    if (isColumn(column, QLatin1StringView("IDCHECK")) && cdsInternacao->State() == dsBrowse)
        markOrUnmarkAll();
    update();
}

void TfrmContAlimentar::markOrUnmarkAll() {
    PaintFreeze frozen(this);
    ControlsDisabled disabled(cdsInternacao);
    // The loop visits every record: the scroll handler runs once, on the record it ends on.
    try {
        const ScrollHandlerHeld held(cdsInternacao);
        marks().markOrUnmarkAll();
    } catch (...) {
        runAfterScroll(cdsInternacao);
        throw;
    }
    runAfterScroll(cdsInternacao);
}

// ---------------------------------------------------------------- keys, double click

void TfrmContAlimentar::dbgPadraoKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    TfrmPadrao::dbgPadraoKeyDown(key, modifiers);
    if (key == Qt::Key_Space) {
        TField* selected = dbgPadrao->SelectedField();
        if (isField(selected, QLatin1StringView("IDCHECK")))
            dbgPadraoCellClick(*dbgPadrao->SelectedColumn());
        else if (isField(selected, QLatin1StringView("IDRESTSERIN")))
            dbgPadraoDblClick();
    }
    dbgPadraoColEnter();
}

void TfrmContAlimentar::dbgPadraoDblClick() {
    if (!cdsInternacao->Active() || cdsInternacao->IsEmpty())
        return;
    if (cdsInternacao->FieldByName(u"IDRESTSERIN")->AsString() == QLatin1String("1") &&
        isField(dbgPadrao->SelectedField(), QLatin1StringView("IDRESTSERIN")))
        Cli_zfa13040::CriaVisuRestInto(true);
}

// ---------------------------------------------------------------- columns

void TfrmContAlimentar::dbgPadraoColEnter() {
    TField* selected = dbgPadrao->SelectedField();
    const bool hasDiet =
        cdsInternacao->Active() && !cdsInternacao->FieldByName(u"CDDIETPAD")->AsString().isEmpty();
    dbgPadrao->SetEditing(hasDiet && (isField(selected, QLatin1StringView("CDDIETPAD")) ||
                                      isField(selected, QLatin1StringView("DSSERVINTE"))));
}

void TfrmContAlimentar::dbgPadraoColExit() {
    if (isField(dbgPadrao->SelectedField(), QLatin1StringView("CDDIETPAD")))
        Vd_Dieta(false);
}

// ---------------------------------------------------------------- diet

void TfrmContAlimentar::dbgPadraoEditButtonClick() {
    qryDieta->Close();
    qryDieta->ParamByName("P_CDDIETPAD")->Clear();
    qryDieta->ParamByName("P_CDFILIAL")->SetAsString(Consiste::AllTrim(medCdFilial->Text()));
    qryDieta->ParamByName("P_CDSERVFILI")
        ->SetAsString(cdsInternacao->FieldByName(u"CDSERVFILI")->AsString());
    const QString title = msgPadrao->Msg("Dieta") + "|" + msgPadrao->Msg("Diet_Cad");
    if (!Pesquisar(dtsDieta, title, false, true, this))
        return;
    if (cdsInternacao->State() == dsBrowse)
        cdsInternacao->Edit();
    cdsInternacao->FieldByName(u"DSDIETPAD")
        ->SetAsString(qryDieta->FieldByName(u"DSDIETPAD")->AsString());
    cdsInternacao->FieldByName(u"CDDIETPAD")
        ->SetAsString(qryDieta->FieldByName(u"CDDIETPAD")->AsString());
}

void TfrmContAlimentar::stopOnDiet(const char* key) {
    dialogs().message(MsgKind::Error, msgPadrao->Msg(key), this);
    dbgPadrao->setFocus(Qt::OtherFocusReason);
    const int dietColumn = Consiste::IndiceCol(dbgPadrao, QStringLiteral("CDDIETPAD"));
    if (dietColumn >= 0 && dbgPadrao->SelectedIndex() != dietColumn) {
        // Called from a post: the cell is chosen like the operator would (exit, enter).
        runGuarded([&] { dbgPadrao->SetSelectedIndex(dietColumn); });
    }
    Abort();
}

void TfrmContAlimentar::Vd_Dieta(bool beforePost) {
    const TDataSetState state = cdsInternacao->State();
    if (state != dsEdit && state != dsInsert)
        return;
    TField* diet = cdsInternacao->FieldByName(u"CDDIETPAD");
    const QString code = Consiste::Ajusta(diet->AsString(), 4);
    if (diet->AsString() != code)
        diet->SetAsString(code);
    if (code.isEmpty()) {
        if (beforePost)
            stopOnDiet("Dieta_Inf");
        return;
    }
    if (beforePost && !isField(dbgPadrao->SelectedField(), QLatin1StringView("CDDIETPAD")))
        return;
    qryDieta->Close();
    qryDieta->ParamByName("P_CDDIETPAD")->SetAsString(code);
    qryDieta->ParamByName("P_CDFILIAL")->SetAsString(Consiste::AllTrim(medCdFilial->Text()));
    qryDieta->ParamByName("P_CDSERVFILI")
        ->SetAsString(cdsInternacao->FieldByName(u"CDSERVFILI")->AsString());
    qryDieta->Open();
    if (qryDieta->IsEmpty())
        stopOnDiet("Dieta_NCad");
    for (const char* name : {"DSDIETPAD", "CDDIETGRUP", "IDFORMDIET"})
        cdsInternacao->FieldByName(QString::fromLatin1(name))
            ->SetValue(qryDieta->FieldByName(QString::fromLatin1(name))->Value());
}

// ---------------------------------------------------------------- navigation popup

void TfrmContAlimentar::Primeiro1Click() {
    if (cdsInternacao->State() == dsBrowse)
        cdsInternacao->First();
}

// Moving one record is left to the grid, the navigator and the keyboard.
void TfrmContAlimentar::Anterior1Click() {}
void TfrmContAlimentar::Proximo1Click() {}

void TfrmContAlimentar::Ultimo1Click() {
    if (cdsInternacao->State() == dsBrowse)
        cdsInternacao->Last();
}

// ---------------------------------------------------------------- wiring

void TfrmContAlimentar::connectGridHandlers() {
    dbgPadrao->OnDrawColumnCell = [this](QPainter& painter, const QRect& rect, int index,
                                         TColumn& column, TField* field, TGridDrawState state) {
        dbgPadraoDrawColumnCell(painter, rect, index, column, field, state);
    };
    dbgPadrao->OnCellClick = [this](TColumn& column) { dbgPadraoCellClick(column); };
    dbgPadrao->OnTitleClick = [this](TColumn& column) { dbgPadraoTitleClick(column); };
    dbgPadrao->OnDblClick = [this] { dbgPadraoDblClick(); };
    dbgPadrao->OnColEnter = [this] { dbgPadraoColEnter(); };
    dbgPadrao->OnColExit = [this] { dbgPadraoColExit(); };
    dbgPadrao->OnEditButtonClick = [this] { dbgPadraoEditButtonClick(); };
    // OnKeyDown and the popup's items reach the overrides through the base form.
}

} // namespace dieta::Cli_zfa13000
