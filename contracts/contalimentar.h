#pragma once
// The oral diet control screen as the windows it opens see it. Dialogs and views read the
// selection (branch, service or group, date), the screen's datasets and its server connection
// through this interface and never include screen/: what is not here stays the screen's own.
//
// The screen registers itself in frmContAlimentar while it is open, so a window finds it by the
// same name whatever opened it; tests of a single window may register a stand-in.

#include <QDate>
#include <QString>

class QWidget;

namespace dieta {
class TClientDataSet;
class TMessages;
class TNetConnection;
} // namespace dieta

namespace dieta::contracts {

class ContAlimentar {
public:
    virtual ~ContAlimentar() = default;

    // --- The selection panel.
    // Branch code as typed (medCdFilial, blanks trimmed) and the branch's name (edtNmFilial).
    virtual QString filialCode() const = 0;
    virtual QString filialName() const = 0;
    // True while the screen works by service group (cmbServGrupo shows "Grupo").
    virtual bool grupoMode() const = 0;
    // Service code, or service-group code in group mode (medCdServico, blanks trimmed).
    virtual QString servicoCode() const = 0;
    // IDTIPOSERV of the selected service (qryServicoIDTIPOSERV); empty in group mode.
    virtual QString tipoServico() const = 0;
    // The service day (depData); null when none is chosen.
    virtual QDate serviceDate() const = 0;

    // --- The screen's data. The pointers live as long as the screen.
    virtual TClientDataSet* inpatients() const = 0;       // cdsInternacao, the inpatient list
    virtual TClientDataSet* markedInpatients() const = 0; // cdsInterAux, the marked rows
    virtual TClientDataSet* listParams() const = 0;       // cdsParams, of the last list load
    virtual TClientDataSet* menuChoices() const = 0;      // cdsConfesco, current patient's
    virtual TClientDataSet* confCard() const = 0;         // cdsConfCard, the service's
    virtual TMessages* messages() const = 0;              // msgPadrao, the screen's catalogue
    virtual TNetConnection* connection() const = 0;       // netDietaOral

    // --- What windows may ask of the screen.
    // The screen's window, to own dialogs and to place messages over.
    virtual QWidget* widget() = 0;
    // Calls GetInternacao with cdsParams and puts the list on its first row. The list grid is
    // re-attached whatever happens; a server error is shown and abandons the caller.
    virtual void reloadInpatients() = 0;
    // Makes the row of the patient current (case-insensitive); no move when none matches.
    virtual void positionOnPatient(const QString& patient) = 0;
    // Puts the focus on the service code of the selection panel.
    virtual void focusServico() = 0;
    // The filter dialog was created for this screen (it lives until the screen closes).
    virtual bool filtroCriado() const = 0;
    virtual void setFiltroCriado(bool created) = 0;
};

// The open main screen; null while none is open.
inline ContAlimentar* frmContAlimentar = nullptr;

} // namespace dieta::contracts
