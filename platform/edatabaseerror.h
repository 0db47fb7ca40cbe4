#pragma once
// Errors of datasets and fields: an unknown field, a value that does not fit, a write outside
// edit. The text is meant for the operator (Portuguese); what() gives it in UTF-8.

#include "platform/platform_export.h"

#include <QString>
#include <stdexcept>

namespace dieta {

class PLATFORM_EXPORT EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const QString& message);
    ~EDatabaseError() override;
    QString message() const { return m_message; }

private:
    QString m_message;
};

} // namespace dieta
