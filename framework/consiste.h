#pragma once
// Consiste: the validation and text helpers every window uses. A failed validation focuses
// the offending control, shows its text and abandons the handler with the silent abort.

#include "framework/framework_export.h"
#include "platform/datapacket.h"

#include <QDate>
#include <QString>
#include <QVariant>

class QWidget;

namespace dieta::Consiste {

// True for a text with no value: empty, or only blanks, the mask blank '_' and the usual mask
// literals ":/.-,()" (a masked edit left untouched, such as "    :  " or "  /  /    ").
FRAMEWORK_EXPORT bool EmptyString(const QString& text);

// Shows the text as an error (the control is focused first, when given) and abandons the
// operation: throws EAbort, so nothing after it runs.
[[noreturn]] FRAMEWORK_EXPORT void MensErro(const QString& text, QWidget* focus = nullptr);

// An error result of a server call (TNetConnection) shows its text and abandons; otherwise
// gives the result's data packet (empty when the result holds none). `show` false abandons
// without the message; `position` picks the packet out of an array result (0 = the result
// itself when it is a packet, else its first element).
FRAMEWORK_EXPORT DataPacket CheckResultServ(const QVariant& result, bool show = true,
                                            int position = 0);

// The code in its stored width: blanks trimmed, then leading zeros up to `width` ("1" gives
// "0001", "A1" gives "00A1"); an empty or blank code stays empty; a longer code is kept whole.
FRAMEWORK_EXPORT QString Ajusta(const QString& code, int width);
// Pads on the left with `fill` up to `width`; a longer text is kept whole.
FRAMEWORK_EXPORT QString PadL(const QString& text, int width, QChar fill = QLatin1Char(' '));
// Leading and trailing blanks (and control characters) removed.
FRAMEWORK_EXPORT QString AllTrim(const QString& text);
// Rounds half away from zero at `decimals` places, as the decimal text reads: 2.675 gives
// 2.68 and -2.5 gives -3 although their doubles lie a hair below. decimals 0..15.
FRAMEWORK_EXPORT double RoundDec(double value, int decimals);

// The date mask in the host's format ("!99/99/0000;1;_"); editmask.h converts it for Qt.
FRAMEWORK_EXPORT QString DateMask();
// The same mask in Qt's input-mask form, blank included ("00/00/9999;_").
FRAMEWORK_EXPORT QString DateMaskQt();

struct Age {
    int years = 0;
    int months = 0; // 0..11, months beyond the whole years
    bool operator==(const Age&) const = default;
};
// Whole years and months from `birth` to `date`. A month is complete on the same day of the
// month, or on the last day of a shorter month (31 Jan to 28/29 Feb is one month; a leap-day
// birthday completes its year on 28 Feb). A date before the birth gives 0 years 0 months.
FRAMEWORK_EXPORT Age Idade(const QDate& birth, const QDate& date);

// Enables or disables every child widget of `parent` (recursively); the parent keeps its state.
FRAMEWORK_EXPORT void SetChildEnabled(QWidget* parent, bool enabled);

// The branch's name. An empty code passes with an empty name. An unknown code shows
// "Filial não cadastrada." and abandons, unless `quiet`, which gives an empty name.
// Reads FILIAL through the general database (consiste_filial.cpp).
FRAMEWORK_EXPORT QString ValidaFilial(const QString& code, const QString& operador,
                                      bool quiet = false);

} // namespace dieta::Consiste
