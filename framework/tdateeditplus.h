#pragma once
// TDateEditPlus: a date edit that can hold no date (the "Data_Inf" checks need an empty
// value, which QDateEdit cannot give). The text is always "dd/MM/yyyy", whatever the
// machine's locale; a complete valid date is shown in blue. Alt+Down or F4 opens a calendar;
// Up and Down move a valid date one day.

#include "framework/framework_export.h"

#include <QDate>
#include <QLineEdit>

class QCalendarWidget;

namespace dieta {

class FRAMEWORK_EXPORT TDateEditPlus : public QLineEdit {
    Q_OBJECT
public:
    explicit TDateEditPlus(QWidget* parent = nullptr);

    // The date typed, or a null QDate when the text is empty or not a valid date.
    QDate GetDate() const;
    // A null date empties the edit.
    void SetDate(const QDate& date);
    void Clear();
    // True when no digit has been typed.
    bool IsEmpty() const;
    // True when the text is a complete, valid date.
    bool IsValidDate() const;
    // A text that is neither empty nor a valid date focuses the edit, shows
    // "Data inválida." and abandons (EAbort).
    void CheckValidDate();
    // The text with its blanks, as the operator sees it ("  /  /    " when empty).
    QString Text() const { return displayText(); }

    static QString format() { return QStringLiteral("dd/MM/yyyy"); }

signals:
    // The date changed (typing, SetDate, Clear or the calendar); null when it became empty
    // or invalid.
    void dateChanged(const QDate& date);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void textWasChanged();
    void showCalendar();
    void updateColour();

    QDate m_lastDate;
    bool m_lastValid = false;
    QCalendarWidget* m_calendar = nullptr;
};

} // namespace dieta
