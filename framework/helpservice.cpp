#include "framework/helpservice.h"

#include "framework/dialogservice.h"

namespace dieta {

namespace {

class MessageHelp : public HelpService {
public:
    void showHelp(const QString& file, int context, QWidget* parent) override {
        dialogs().message(MsgKind::Information, helpRequestText(file, context), parent);
    }
};

HelpService* g_installed = nullptr;

} // namespace

HelpService::~HelpService() = default;

HelpService& help() {
    static MessageHelp fallback;
    return g_installed ? *g_installed : fallback;
}

void setHelpService(HelpService* service) {
    g_installed = service;
}

QString helpRequestText(const QString& file, int context) {
    return QStringLiteral("Ajuda: %1, tópico %2.").arg(file).arg(context);
}

} // namespace dieta
