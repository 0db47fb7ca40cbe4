#pragma once
// TNumberEdit: a number edit that can hold no value (the "Quant_Inf" checks need an empty
// value, which QSpinBox cannot give). Numbers are written the pt-BR way (decimal comma, no
// group separator) whatever the machine's locale; a typed '.' is taken as the comma.

#include "framework/framework_export.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <optional>

namespace dieta {

class FRAMEWORK_EXPORT TNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TNumberEdit(QWidget* parent = nullptr);

    // The number typed; 0 when empty (ask IsEmpty() to tell them apart).
    double GetNumber() const;
    // nullopt when empty or not a number.
    std::optional<double> Value() const;
    // Writes the number with the edit's decimals.
    void SetNumber(double value);
    void Clear() { clear(); }
    bool IsEmpty() const;

    // Decimal places accepted and written (0 by default: whole numbers).
    int decimals() const { return m_decimals; }
    void setDecimals(int decimals);
    // Whether a minus sign is accepted (no by default).
    bool allowNegative() const { return m_allowNegative; }
    void setAllowNegative(bool allow);

signals:
    // The text changed (typing, SetNumber or Clear).
    void numberChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateValidator();

    int m_decimals = 0;
    bool m_allowNegative = false;
    QRegularExpressionValidator* m_validator = nullptr;
};

} // namespace dieta
