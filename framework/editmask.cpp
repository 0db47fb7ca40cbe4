#include "framework/editmask.h"

namespace dieta {

namespace {

// Characters Qt reads as mask characters or meta characters: as literals they need a '\'.
bool isQtSpecial(QChar c) {
    static const QString special = QStringLiteral("AaNnXx9D0dHhBb#><!\\[]{}");
    return special.contains(c);
}

// The Qt twin of an original mask character, or QChar() when it is no mask character.
QChar qtTwin(QChar c) {
    switch (c.unicode()) {
    case '9':
        return QLatin1Char('0');
    case '0':
        return QLatin1Char('9');
    case 'a':
        return QLatin1Char('n');
    case 'A':
        return QLatin1Char('N');
    case 'c':
        return QLatin1Char('x');
    case 'C':
        return QLatin1Char('X');
    case 'l':
        return QLatin1Char('a');
    case 'L':
        return QLatin1Char('A');
    case '#':
        return QLatin1Char('#');
    case '>':
        return QLatin1Char('>');
    case '<':
        return QLatin1Char('<');
    default:
        return {};
    }
}

struct Fields {
    QString mask;
    QString keep;
    QString blank;
};

// Splits "mask;keep;blank". A ';' escaped with '\' belongs to the mask.
Fields splitFields(const QString& original) {
    Fields fields;
    QString* current = &fields.mask;
    int field = 0;
    for (qsizetype i = 0; i < original.size(); ++i) {
        const QChar c = original.at(i);
        if (field == 0 && c == QLatin1Char('\\') && i + 1 < original.size()) {
            *current += c;
            *current += original.at(++i);
            continue;
        }
        if (c == QLatin1Char(';') && field < 2) {
            ++field;
            current = field == 1 ? &fields.keep : &fields.blank;
            continue;
        }
        *current += c;
    }
    return fields;
}

void addLiteral(EditMask& result, QChar c) {
    if (isQtSpecial(c))
        result.qtMask += QLatin1Char('\\');
    result.qtMask += c;
    if (!result.literals.contains(c))
        result.literals += c;
}

} // namespace

QString EditMask::inputMask() const {
    if (qtMask.isEmpty())
        return {};
    return qtMask + QLatin1Char(';') + blank;
}

EditMask convertMask(const QString& original) {
    const Fields fields = splitFields(original);
    EditMask result;
    result.keepLiterals = fields.keep.trimmed() != QLatin1String("0");
    if (!fields.blank.isEmpty())
        result.blank = fields.blank.at(0);
    for (qsizetype i = 0; i < fields.mask.size(); ++i) {
        const QChar c = fields.mask.at(i);
        if (c == QLatin1Char('\\') && i + 1 < fields.mask.size()) {
            addLiteral(result, fields.mask.at(++i));
            continue;
        }
        if (c == QLatin1Char('!'))
            continue;
        if (c == QLatin1Char('_')) {
            addLiteral(result, QLatin1Char(' '));
            continue;
        }
        const QChar twin = qtTwin(c);
        if (twin.isNull())
            addLiteral(result, c);
        else
            result.qtMask += twin;
    }
    return result;
}

bool isMaskedTextEmpty(const QString& displayText, const EditMask& mask) {
    for (QChar c : displayText) {
        if (c == mask.blank || c.isSpace() || mask.literals.contains(c))
            continue;
        return false;
    }
    return true;
}

} // namespace dieta
