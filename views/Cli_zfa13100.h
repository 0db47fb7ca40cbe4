#pragma once
// Cli_zfa13100: the inpatient filter dialog's unit state, shared with the main screen, which
// resets it for every new screen and frees the dialog when it closes.

#include <QPointer>
#include <QWidget>

namespace dieta::Cli_zfa13100 {

// The dialog's first activation is still to come.
extern bool boPrimVez;
// The filter dialog; it lives from its first opening until the main screen closes.
extern QPointer<QWidget> frmFiltro;

// Creates the filter dialog once per screen and shows it modally.
void CriaFiltroCont();
// Frees the dialog (the main screen's close).
void LiberaFiltro();

} // namespace dieta::Cli_zfa13100
