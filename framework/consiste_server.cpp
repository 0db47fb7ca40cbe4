// CheckResultServ: the one place where the result of a remote call is judged.
#include "framework/consiste.h"
#include "framework/dialogservice.h"
#include "platform/eabort.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"

namespace dieta::Consiste {

DataPacket CheckResultServ(const QVariant& result, bool show, int position) {
    if (isServerError(result)) {
        QString text = serverErrorText(result);
        if (text.trimmed().isEmpty())
            text = QStringLiteral("O servidor de aplicação informou um erro.");
        if (show)
            dialogs().message(MsgKind::Error, text);
        throw EAbort{};
    }
    if (isPacket(result) && position == 0)
        return toPacket(result);
    if (result.metaType() == QMetaType::fromType<QVariantList>()) {
        const QVariantList list = result.toList();
        if (position >= 0 && position < list.size() && isPacket(list.at(position)))
            return toPacket(list.at(position));
    }
    return {};
}

} // namespace dieta::Consiste
