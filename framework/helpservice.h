#pragma once
// Help by context: F1 and the "Ajuda" button of every standard window ask the help service
// for the window's help file and context number. The host may install a real viewer; the
// default one tells the operator which topic would open, through the dialog service, so tests
// see the request too.

#include "framework/framework_export.h"

#include <QString>

class QWidget;

namespace dieta {

class FRAMEWORK_EXPORT HelpService {
public:
    virtual ~HelpService();
    virtual void showHelp(const QString& file, int context, QWidget* parent) = 0;
};

// The service in use: the installed one, else the default message.
FRAMEWORK_EXPORT HelpService& help();
// nullptr restores the default. The caller keeps ownership.
FRAMEWORK_EXPORT void setHelpService(HelpService* service);

// The default's text: "Ajuda: zfahelp.hlp, tópico 11113000."
FRAMEWORK_EXPORT QString helpRequestText(const QString& file, int context);

} // namespace dieta
