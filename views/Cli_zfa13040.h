#pragma once
// Cli_zfa13040: the read-only view of the current inpatient's restrictions and intolerances
// (with the diagnosis behind each and the restricted product group) and of the medicines whose
// active ingredient interacts with a nutrient. Opened from the main screen for the patient's
// whole service day or for one dish of the menu.

#include "framework/tfrmrotigeral.h"

class QFrame;
class QLabel;
class QSplitter;

namespace dieta {
class TClientDataSet;
class TDataSource;
class TDBGrid;
class TField;
} // namespace dieta

namespace dieta::Cli_zfa13040 {

class TfrmVisuRestInto : public TfrmRotiGeral {
    Q_OBJECT
public:
    explicit TfrmVisuRestInto(QWidget* parent = nullptr);
    ~TfrmVisuRestInto() override;

    QFrame* panRestInto = nullptr;
    QLabel* Label1 = nullptr;
    TDBGrid* dbgVisuRestInto = nullptr;
    QSplitter* Splitter1 = nullptr;
    QFrame* panMedicamento = nullptr;
    QLabel* Label2 = nullptr;
    TDBGrid* dbgConsMedNut = nullptr;

    TClientDataSet* cdsVisuaRestInto = nullptr;
    TClientDataSet* cdsVisualizaMedica = nullptr;
    TDataSource* dtsVisuaRestInto = nullptr;
    TDataSource* dtsMedicamento = nullptr;

    // Loads both lists from the server (GerVisuaRestInto); a failure propagates and the
    // window is not shown.
    void FormCreate() override;
    void FormActivate() override;
    void cdsVisuaRestIntoIDRESTINTOGetText(TField* sender, QString& text, bool displayText);

private:
    void buildDataSets();
    void buildPanels();
};

// The window while it is shown.
extern TfrmVisuRestInto* frmVisuRestInto;
// true: all dishes of the patient's day; false: the current dish of the menu choices.
extern bool boTPratos;

// Stores the flag, creates a new window and shows it modally.
void CriaVisuRestInto(bool todosPratos);

} // namespace dieta::Cli_zfa13040
