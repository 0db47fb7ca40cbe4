// The diet dialog's menu grid: pictures and names drawn in the cells, ticking, the keys a
// served menu refuses, editing switched per column, the dish-type and dish lookups, and the
// rows of a free composition with their checks and sequence numbers.

#include "contracts/contalimentar.h"
#include "contracts/rdmdietaoral.h"
#include "dialogs/Cli_zfa13020.h"
#include "framework/abortguard.h"
#include "framework/consiste.h"
#include "framework/consistegrid.h"
#include "framework/lookups.h"
#include "framework/showavi.h"
#include "framework/tdbgrid.h"
#include "framework/vantor.h"
#include "platform/tadoibquery.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"

#include <QLineEdit>

namespace dieta::Cli_zfa13020 {

namespace {

bool isCodeColumn(const QString& field) {
    return field == QLatin1String("CDTIPOPRAT") || field == QLatin1String("CDPRATO");
}

} // namespace

bool TfrmDietaContAlimentar::hasRows() const {
    return cdsConfescoDieta->Active() && !cdsConfescoDieta->IsEmpty();
}

bool TfrmDietaContAlimentar::editing() const {
    const TDataSetState state = cdsConfescoDieta->State();
    return state == dsEdit || state == dsInsert;
}

QString TfrmDietaContAlimentar::selectedField() const {
    const TField* field = dbgConfesco->SelectedField();
    return field ? field->FieldName() : QString();
}

void TfrmDietaContAlimentar::focusField(const QString& fieldName) {
    dbgConfesco->setFocus();
    const int column = Consiste::IndiceCol(dbgConfesco, fieldName);
    if (column >= 0 && column != dbgConfesco->SelectedIndex())
        dbgConfesco->SetSelectedIndex(column);
}

// ---------------------------------------------------------------- drawing

void TfrmDietaContAlimentar::dbgConfescoDrawColumnCell(QPainter& painter, const QRect& rect, int,
                                                       TColumn& column, TField* field,
                                                       TGridDrawState state) {
    if (!field)
        return;
    const QString& name = column.FieldName;
    if (hasRows() && name == QLatin1String("IDESCOCONF")) {
        TDBGrid::DrawPicture(painter, rect,
                             field->AsString() == QLatin1String("S") ? imgCheck : imgUnCheck, 4);
    } else if (hasRows() && name == QLatin1String("IDOPCAOCONF")) {
        if (field->AsString() == QLatin1String("S"))
            TDBGrid::DrawPicture(painter, rect, imgOpcao, 6);
    } else if (isCodeColumn(name)) {
        const QString code = field->AsString();
        if (code.isEmpty())
            return;
        // Under an open editor the cell holds the code being edited, elsewhere the name.
        const bool underEditor = dbgConfesco->EditorMode() && state.selected && !state.focused;
        const char* nameField = name == QLatin1String("CDTIPOPRAT") ? "NMTIPOPRAT" : "NMPRATO";
        const QString text =
            underEditor ? code
                        : cdsConfescoDieta->FieldByName(QString::fromLatin1(nameField))->AsString();
        dbgConfesco->DrawCellText(painter, rect, text, state);
    }
}

// ---------------------------------------------------------------- ticking and keys

void TfrmDietaContAlimentar::dbgConfescoEnter() {
    dbgConfesco->OnCellClick = [this](TColumn& c) { dbgConfescoCellClick(c); };
}

void TfrmDietaContAlimentar::dbgConfescoCellClick(TColumn&) {
    if (selectedField() == QLatin1String("IDESCOCONF") && hasRows())
        tickCurrent();
}

void TfrmDietaContAlimentar::tickCurrent() {
    cdsConfescoDieta->Edit();
    TField* chosen = cdsConfescoDieta->FieldByName(u"IDESCOCONF");
    // Only "N" becomes "S": any other value unticks.
    const bool tick = chosen->AsString() == QLatin1String("N");
    chosen->SetAsString(tick ? QStringLiteral("S") : QStringLiteral("N"));
    cdsConfescoDieta->FieldByName(u"QTPRATCONF")->SetAsFloat(tick ? 1 : 0);
}

void TfrmDietaContAlimentar::dbgConfescoKeyDown(int& key, Qt::KeyboardModifiers) {
    if (!hasRows())
        return;
    const QString field = selectedField();
    if (key == Qt::Key_Space && field == QLatin1String("IDESCOCONF"))
        tickCurrent();
    if (!anyFreeComposition() && isCodeColumn(field) &&
        (key == Qt::Key_Delete || key == Qt::Key_Backspace))
        key = 0;
}

void TfrmDietaContAlimentar::dbgConfescoKeyPress(QChar& key) {
    if (hasRows() && !anyFreeComposition() && isCodeColumn(selectedField()))
        key = QChar();
}

// ---------------------------------------------------------------- columns

void TfrmDietaContAlimentar::dbgConfescoColEnter() {
    if (!hasRows())
        return;
    const QString field = selectedField();
    dbgConfesco->SetEditing(field != QLatin1String("IDESCOCONF") &&
                            field != QLatin1String("IDOPCAOCONF"));
}

void TfrmDietaContAlimentar::dbgConfescoColExit() {
    const QString field = selectedField();
    if (field == QLatin1String("CDTIPOPRAT"))
        Vd_TipoPrat(false);
    else if (field == QLatin1String("CDPRATO"))
        Vd_Prato(false);
    else if (field == QLatin1String("QTPRATCONF"))
        Atua_QtRom();
}

void TfrmDietaContAlimentar::Vd_TipoPrat(bool required) {
    if (!editing())
        return;
    TField* type = cdsConfescoDieta->FieldByName(u"CDTIPOPRAT");
    const QString code = Consiste::Ajusta(type->AsString(), type->Size());
    if (code != type->AsString())
        type->SetAsString(code);
    const auto fail = [this](const char* key) {
        focusField(QStringLiteral("CDTIPOPRAT"));
        Consiste::MensErro(msgPadrao->Msg(QString::fromLatin1(key)));
    };
    if (code.isEmpty()) {
        if (required)
            fail("TipoPrat_Inf");
        return;
    }
    qryValidTipoPrat->Close();
    qryValidTipoPrat->ParamByName(QStringLiteral("P_CDTIPOPRAT"))->SetAsString(code);
    qryValidTipoPrat->Open();
    if (qryValidTipoPrat->IsEmpty())
        fail("TipoPrat_Cad");
    cdsConfescoDieta->FieldByName(u"NMTIPOPRAT")
        ->SetAsString(qryValidTipoPrat->FieldByName(u"NMTIPOPRAT")->AsString());
}

void TfrmDietaContAlimentar::Vd_Prato(bool required) {
    if (!editing())
        return;
    const auto fail = [this](const char* key) {
        focusField(QStringLiteral("CDPRATO"));
        Consiste::MensErro(msgPadrao->Msg(QString::fromLatin1(key)));
    };
    const QString code = cdsConfescoDieta->FieldByName(u"CDPRATO")->AsString();
    if (Consiste::EmptyString(code)) {
        if (required)
            fail("Prato_Inf");
        return;
    }
    qryValidPrato->Close();
    qryValidPrato->ParamByName(QStringLiteral("P_CDPRATO"))->SetAsString(code);
    qryValidPrato->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(screen().filialCode());
    qryValidPrato->Open();
    if (qryValidPrato->IsEmpty())
        fail("Prato_Cad");
    // The dish's branch goes with its code: a branch left by an earlier lookup would name a
    // dish that does not exist.
    TField* branch = cdsConfescoDieta->FieldByName(u"CDFILAUXPRAT");
    if (!qryValidPrato->Locate(QStringLiteral("CDFILAUXPRAT"), branch->AsString()))
        qryValidPrato->First();
    branch->SetAsString(qryValidPrato->FieldByName(u"CDFILAUXPRAT")->AsString());
    cdsConfescoDieta->FieldByName(u"NMPRATO")
        ->SetAsString(qryValidPrato->FieldByName(u"NMPRATO")->AsString());
}

void TfrmDietaContAlimentar::Atua_QtRom() {
    if (!editing())
        return;
    const double quantity = cdsConfescoDieta->FieldByName(u"QTPRATCONF")->AsFloat();
    cdsConfescoDieta->FieldByName(u"IDESCOCONF")
        ->SetAsString(quantity > 0 ? QStringLiteral("S") : QStringLiteral("N"));
}

// ---------------------------------------------------------------- lookups in the grid

void TfrmDietaContAlimentar::dbgConfescoEditButtonClick() {
    const QString field = selectedField();
    if (field == QLatin1String("CDTIPOPRAT")) {
        qryTipoPrat->Close();
        const QString title = msgPadrao->Msg("TipoPrat") + u'|' + msgPadrao->Msg("TipoPrat_NCad");
        if (!Pesquisar_Plus(dtsTipoPrat, title, false, true, this))
            return;
        if (cdsConfescoDieta->State() == dsBrowse)
            cdsConfescoDieta->Edit();
        cdsConfescoDieta->FieldByName(u"NMTIPOPRAT")
            ->SetAsString(qryTipoPrat->FieldByName(u"NMTIPOPRAT")->AsString());
        cdsConfescoDieta->FieldByName(u"CDTIPOPRAT")
            ->SetAsString(qryTipoPrat->FieldByName(u"CDTIPOPRAT")->AsString());
    } else if (field == QLatin1String("CDPRATO")) {
        {
            ShowAviGuard busy(1);
            QVariantList args{screen().filialCode(),
                              QString::number(Vantor::DBPictObj(1).GetTtNiveis()),
                              edtCdServico->text()};
            cdsReceitaUtili->SetData(Consiste::CheckResultServ(
                screen().connection()->call(QString::fromLatin1(contracts::rdm::getReceitaUtili),
                                            args),
                true, 0));
        }
        const QString title = msgPadrao->Msg("Prato") + u'|' + msgPadrao->Msg("Prato_NCad");
        if (!Pesquisar(dtsReceitaUtili, title, false, true, this))
            return;
        if (cdsConfescoDieta->State() == dsBrowse)
            cdsConfescoDieta->Edit();
        for (const char* name : {"NMPRATO", "CDPRATO", "CDFILAUXPRAT"})
            cdsConfescoDieta->FieldByName(QString::fromLatin1(name))
                ->SetAsString(cdsReceitaUtili->FieldByName(QString::fromLatin1(name))->AsString());
    }
}

// ---------------------------------------------------------------- rows of a free composition

void TfrmDietaContAlimentar::cdsConfescoDietaBeforeInsert() {
    // Building the menu (the grid detached) adds its rows freely.
    if (!dbgConfesco->DataSource())
        return;
    if (!anyFreeComposition())
        Abort();
    if (freeComposition()) {
        stSequCopr = QString::number(cdsConfescoDieta->RecordCount());
        dbgConfesco->SetSelectedIndex(
            Consiste::IndiceCol(dbgConfesco, QStringLiteral("CDTIPOPRAT")));
    }
}

void TfrmDietaContAlimentar::cdsConfescoDietaNewRecord() {
    if (!freeComposition())
        return;
    cdsConfescoDieta->FieldByName(u"IDOPCAOCONF")->SetAsString(QStringLiteral("N"));
    cdsConfescoDieta->FieldByName(u"IDESCOCONF")->SetAsString(QStringLiteral("S"));
}

void TfrmDietaContAlimentar::cdsConfescoDietaBeforePost() {
    if (freeComposition()) {
        Vd_TipoPrat(true);
        Vd_Prato(true);
        if (cdsConfescoDieta->State() == dsInsert)
            cdsConfescoDieta->FieldByName(u"CDSEQUCOPR")
                ->SetAsString(Consiste::Ajusta(QString::number(stSequCopr.toInt() + 1), 4));
    } else if (quantityDiet()) {
        Atua_QtRom();
    }
}

} // namespace dieta::Cli_zfa13020
