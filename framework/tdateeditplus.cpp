#include "framework/tdateeditplus.h"

#include "framework/abortguard.h"
#include "framework/consiste.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>

namespace dieta {

namespace {

QLocale brazil() {
    return QLocale(QLocale::Portuguese, QLocale::Brazil);
}

} // namespace

TDateEditPlus::TDateEditPlus(QWidget* parent) : QLineEdit(parent) {
    // '0' digits are optional, so the edit may stay empty.
    setInputMask(QStringLiteral("00/00/0000; "));
    updateColour();
    connect(this, &QLineEdit::textChanged, this, [this] { textWasChanged(); });
}

QDate TDateEditPlus::GetDate() const {
    const QDate date = QDate::fromString(displayText(), format());
    return date.isValid() ? date : QDate();
}

void TDateEditPlus::SetDate(const QDate& date) {
    if (!date.isValid()) {
        Clear();
        return;
    }
    setText(date.toString(format()));
}

void TDateEditPlus::Clear() {
    setText(QString());
}

bool TDateEditPlus::IsEmpty() const {
    static const QRegularExpression digit(QStringLiteral("\\d"));
    return !displayText().contains(digit);
}

bool TDateEditPlus::IsValidDate() const {
    return GetDate().isValid();
}

void TDateEditPlus::CheckValidDate() {
    if (IsEmpty() || IsValidDate())
        return;
    Consiste::MensErro(QStringLiteral("Data inválida."), this);
}

void TDateEditPlus::textWasChanged() {
    updateColour();
    const QDate date = GetDate();
    const bool valid = date.isValid();
    if (valid == m_lastValid && date == m_lastDate)
        return;
    m_lastValid = valid;
    m_lastDate = date;
    emit dateChanged(date);
}

void TDateEditPlus::updateColour() {
    QPalette pal = palette();
    const QColor text = IsValidDate() ? QColor(Qt::blue) : QPalette().color(QPalette::Text);
    pal.setColor(QPalette::Text, text);
    setPalette(pal);
}

void TDateEditPlus::keyPressEvent(QKeyEvent* event) {
    const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
    if (altDown || event->key() == Qt::Key_F4) {
        runGuarded([this] { showCalendar(); });
        return;
    }
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && IsValidDate() &&
        !isReadOnly()) {
        SetDate(GetDate().addDays(event->key() == Qt::Key_Up ? 1 : -1));
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDateEditPlus::showCalendar() {
    if (isReadOnly())
        return;
    if (!m_calendar) {
        m_calendar = new QCalendarWidget(this);
        m_calendar->setWindowFlags(Qt::Popup);
        m_calendar->setLocale(brazil());
        m_calendar->setFirstDayOfWeek(Qt::Sunday);
        m_calendar->setGridVisible(true);
        connect(m_calendar, &QCalendarWidget::activated, this, [this](QDate date) {
            SetDate(date);
            m_calendar->hide();
            setFocus();
        });
        connect(m_calendar, &QCalendarWidget::clicked, this, [this](QDate date) {
            SetDate(date);
            m_calendar->hide();
        });
    }
    m_calendar->setSelectedDate(IsValidDate() ? GetDate() : QDate::currentDate());
    m_calendar->move(mapToGlobal(QPoint(0, height())));
    m_calendar->show();
    m_calendar->setFocus();
}

} // namespace dieta
