#pragma once
// One column of a TClientDataSet, seen through the dataset's active record: the current
// record, or the record being calculated or drawn. Values follow the packet's kinds (see
// datapacket.h); a cleared value is null, never "".

#include "platform/datapacket.h"
#include "platform/platform_export.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>

namespace dieta {

class TClientDataSet;

enum class TFieldKind { Data, Calculated };

class PLATFORM_EXPORT TField {
public:
    // Sender, the text to change, and whether it is for display (true) or for editing.
    using GetTextEvent = std::function<void(TField* sender, QString& text, bool displayText)>;
    using FieldEvent = std::function<void(TField* sender)>;

    TField(TClientDataSet* dataSet, const FieldDef& def, TFieldKind kind);
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TClientDataSet* DataSet() const { return m_dataSet; }
    const QString& FieldName() const { return m_def.name; }
    FieldKind DataType() const { return m_def.kind; }
    int Size() const { return m_def.size; }
    TFieldKind Kind() const { return m_kind; }
    bool Calculated() const { return m_kind == TFieldKind::Calculated; }
    int Index() const; // position among the dataset's fields
    FieldDef Def() const;

    QString DisplayLabel() const { return m_displayLabel.isEmpty() ? m_def.name : m_displayLabel; }
    void SetDisplayLabel(const QString& label) { m_displayLabel = label; }
    bool Visible() const { return !m_def.hidden; }
    void SetVisible(bool visible) { m_def.hidden = !visible; }
    bool ReadOnly() const { return m_def.readOnly; }
    void SetReadOnly(bool readOnly) { m_def.readOnly = readOnly; }
    bool Required() const { return m_def.required; }
    void SetRequired(bool required) { m_def.required = required; }
    QString EditMask() const { return m_editMask; }
    void SetEditMask(const QString& mask) { m_editMask = mask; }
    // Float: "0.00", "#,##0.00" (pt-BR separators on display); dates: "dd/mm/yyyy hh:nn".
    QString DisplayFormat() const { return m_displayFormat; }
    void SetDisplayFormat(const QString& format) { m_displayFormat = format; }
    int DisplayWidth() const; // characters; the size of a string field unless set
    void SetDisplayWidth(int width) { m_displayWidth = width; }

    GetTextEvent OnGetText;
    FieldEvent OnChange; // after a value was written

    // Reading. Null reads as "", 0, an invalid date or false.
    QVariant Value() const;
    bool IsNull() const;
    QString AsString() const; // dates "dd/MM/yyyy", numbers with a decimal comma
    double AsFloat() const;
    qint64 AsInteger() const;
    QDateTime AsDateTime() const;
    QDate AsDate() const;
    bool AsBoolean() const;
    QString DisplayText() const; // through OnGetText(displayText = true), else formatted
    QString Text() const;        // through OnGetText(displayText = false), else AsString
    QVariant OldValue() const;   // the value before the current edit (null when inserting)

    // Writing: only while the dataset is in edit or insert (calculated fields: while it
    // calculates). Raise EDatabaseError with a Portuguese text when a value does not fit.
    void SetValue(const QVariant& value);  // an empty text clears
    void SetAsString(const QString& text); // "" clears; dates "dd/MM/yyyy" or ISO
    void SetAsFloat(double value);
    void SetAsInteger(qint64 value);
    void SetAsDateTime(const QDateTime& value); // invalid clears
    void SetAsDate(QDate value);                // invalid clears
    void SetAsBoolean(bool value);
    void Clear();

    // The value converted to this field's kind; throws EDatabaseError when it does not fit.
    QVariant convert(const QVariant& value) const;
    // Where the dataset keeps this field's value in a record: an index into the data values
    // (or, for a calculated field, the calculated ones). -1 before the dataset places it.
    int column() const { return m_column; }

private:
    friend class TClientDataSet;
    QString formatted(const QVariant& value) const;
    QString textThroughHandler(bool displayText) const;

    TClientDataSet* m_dataSet;
    FieldDef m_def;
    TFieldKind m_kind;
    int m_column = -1; // index into the record's data or calculated values
    QString m_displayLabel;
    QString m_editMask;
    QString m_displayFormat;
    int m_displayWidth = 0;
};

} // namespace dieta
