#include "platform/edatabaseerror.h"

namespace dieta {

EDatabaseError::EDatabaseError(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

EDatabaseError::~EDatabaseError() = default;

} // namespace dieta
