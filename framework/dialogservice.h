#pragma once
// Every message box and modal dialog of the module goes through one injected service, so that
// tests can answer from a script (framework/scripteddialogs.h) and record what was asked.
// The real service uses QMessageBox with Portuguese captions.

#include "framework/framework_export.h"

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace dieta {

enum class MsgKind { Error, Warning, Information, Confirmation };

// Buttons as the callers test them.
enum MsgButton : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrYes = 6,
    mrNo = 7,
    mrFirstCustom = 10 // askButtons: the first caption answers 10, the next 11, ...
};

class FRAMEWORK_EXPORT DialogService {
public:
    virtual ~DialogService();

    // Confirmation shows "Sim"/"Não" and answers mrYes or mrNo (mrNo when closed);
    // the other kinds show "OK" and answer mrOk.
    virtual int message(MsgKind kind, const QString& text, QWidget* parent = nullptr) = 0;
    // One button per caption; answers mrFirstCustom + index, or mrNone when closed.
    virtual int askButtons(MsgKind kind, const QString& text, const QStringList& captions,
                           QWidget* parent = nullptr) = 0;
    // Shows a modal dialog and answers its result (QDialog::Accepted / Rejected).
    virtual int execDialog(QDialog& dialog) = 0;
};

// The service in use: the injected one, else the real one.
FRAMEWORK_EXPORT DialogService& dialogs();
// nullptr restores the real service. The caller keeps ownership.
FRAMEWORK_EXPORT void setDialogService(DialogService* service);

// Installs a service for a scope (tests), restoring the previous one at the end.
class FRAMEWORK_EXPORT ScopedDialogService {
public:
    explicit ScopedDialogService(DialogService& service);
    ~ScopedDialogService();
    ScopedDialogService(const ScopedDialogService&) = delete;
    ScopedDialogService& operator=(const ScopedDialogService&) = delete;

private:
    DialogService* m_previous;
};

class FRAMEWORK_EXPORT QtDialogService : public DialogService {
public:
    int message(MsgKind kind, const QString& text, QWidget* parent = nullptr) override;
    int askButtons(MsgKind kind, const QString& text, const QStringList& captions,
                   QWidget* parent = nullptr) override;
    int execDialog(QDialog& dialog) override;
};

} // namespace dieta
