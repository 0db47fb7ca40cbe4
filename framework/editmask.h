#pragma once
// Edit masks in the host's format ("mask;keepLiterals;blank", e.g. "9999:99;1; ") and their
// Qt input-mask form. Host 9 (optional digit) is Qt 0, 0 (required digit) is Qt 9, a/A
// (letter or digit) n/N, c/C (any character) x/X, l/L (letter) a/A, # stays, > and < stay;
// '!' (blank handling) and '_' (a blank in the text) have no Qt twin: '!' is dropped, '_'
// becomes a literal blank. '\' escapes the next character; other characters are literals
// (escaped where Qt would read them as mask characters). Qt cannot hold ';' as a literal (it
// ends the mask there): masks with one are not used here.
// The second field (keep literals in the value, default true) and the third (the blank
// character, default ' ') become settings. The text with its blanks, which masked values are
// compared and stored as, is Qt's displayText(); text() drops them.

#include "framework/framework_export.h"

#include <QString>

namespace dieta {

struct FRAMEWORK_EXPORT EditMask {
    QString qtMask;           // Qt input mask without the ";blank" part; empty: no mask
    bool keepLiterals = true; // the value includes the literals
    QChar blank = QLatin1Char(' ');
    QString literals; // the literal characters of the mask, each once

    // The form QLineEdit::setInputMask takes ("0000:00; "); empty for no mask.
    QString inputMask() const;
    bool isEmpty() const { return qtMask.isEmpty(); }
};

FRAMEWORK_EXPORT EditMask convertMask(const QString& original);

// True when a display text holds no value: only blanks, the mask's blank character and the
// mask's literals.
FRAMEWORK_EXPORT bool isMaskedTextEmpty(const QString& displayText, const EditMask& mask);

} // namespace dieta
