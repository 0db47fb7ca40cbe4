#pragma once
// Helpers of the suites that drive the windows the main screen opens (the filter, the copy):
// the screen's parts by object name, a list loaded in service or group mode, a window shown
// from the scripted dialog service, pick lists answered by code, and the server's database
// read back.

#include "contracts/contalimentar.h"
#include "framework/lookups.h"
#include "framework/scripteddialogs.h"
#include "framework/tmaskedit.h"
#include "framework/vantor.h"
#include "platform/sqldatabase.h"
#include "platform/tclientdataset.h"
#include "platform/tfield.h"
#include "platform/tnetconnection.h"
#include "screen/Cli_zfa13000.h"
#include "tests/screen/screenfixture.h"

#include <QComboBox>
#include <QDialog>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>
#include <QtTest>
#include <functional>

namespace dieta::test {

template <typename T> T* part(QObject* form, const char* name) {
    return form->findChild<T*>(QString::fromLatin1(name));
}

inline contracts::ContAlimentar& screen() {
    return *contracts::frmContAlimentar;
}

// Opens the screen and loads the list of its first service for today.
inline QWidget* openWithList(ScreenFixture& fx) {
    QWidget* form = fx.openScreen();
    if (!form)
        return nullptr;
    fx.enterPanel(part<QWidget>(form, "medCdServico"));
    fx.leavePanel();
    return screen().inpatients()->Active() ? form : nullptr;
}

// Loads the list of a service group ("Grupo" mode).
inline bool loadGroup(ScreenFixture& fx, QWidget* form, const QString& group) {
    auto* combo = part<QComboBox>(form, "cmbServGrupo");
    auto* code = part<TMaskEdit>(form, "medCdServico");
    fx.enterPanel(code);
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    code->setText(group);
    fx.leavePanel();
    return screen().grupoMode() && screen().inpatients()->Active();
}

// Answers the next modal window of type W: it is shown (not modally) and activated, so that
// its first activation runs, then `body` drives it; the window is hidden afterwards as the
// end of a modal showing would, and the host's window is active again.
template <typename W> void whileShown(ScreenFixture& fx, std::function<void(W&)> body) {
    QMainWindow* main = &fx.mainWindow();
    fx.dialogs().answerDialog([body, main](QDialog& dialog) {
        auto* window = dynamic_cast<W*>(&dialog);
        if (!window)
            return int(QDialog::Rejected);
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog)) {
            QTest::qFail("the window did not become active", __FILE__, __LINE__);
            return int(QDialog::Rejected);
        }
        // The window's activation is delivered queued: let it run before the test body.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        body(*window);
        const int result = dialog.result();
        dialog.hide();
        main->activateWindow();
        if (!QTest::qWaitForWindowActive(main))
            qWarning("the host's window did not become active again");
        return result;
    });
}

// A pick list answer: checks the rows whose first column is one of the codes; `offered`
// receives the codes the list offered.
inline ScriptedDialogs::DialogScript pickCodes(const QStringList& codes,
                                               QStringList* offered = nullptr) {
    return [codes, offered](QDialog& dialog) {
        auto& pick = dynamic_cast<TPickListDialog&>(dialog);
        if (offered)
            offered->clear();
        for (int row = 0; row < pick.rowCount(); ++row) {
            const QString code = pick.cellText(row, 0);
            if (offered)
                *offered << code;
            pick.setChecked(row, codes.contains(code));
        }
        return int(QDialog::Accepted);
    };
}

// A port where nothing listens: the server looks down.
inline int deadPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

// The screen's connection reaches the server on this port from its next call on.
inline void pointConnectionAt(int port) {
    HostValues values = Vantor::host();
    values.webPort = port;
    Vantor::setHost(values);
    screen().connection()->setConnected(false);
}

// Rows of a query on the server's database.
inline QList<QVariantList> dbRows(ScreenFixture& fx, const QString& sql,
                                  const QVariantList& values = {}) {
    QSqlQuery query(fx.server().database().connection());
    if (!query.prepare(sql))
        qWarning() << query.lastError().text();
    for (const QVariant& v : values)
        query.addBindValue(v);
    QList<QVariantList> rows;
    if (!query.exec())
        qWarning() << query.lastError().text();
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << query.value(i);
        rows << row;
    }
    return rows;
}

inline QStringList dbColumn(ScreenFixture& fx, const QString& sql,
                            const QVariantList& values = {}) {
    QStringList column;
    for (const QVariantList& row : dbRows(fx, sql, values))
        column << row.value(0).toString();
    return column;
}

// A field of every record of a dataset, in its order.
inline QStringList column(TClientDataSet* ds, const char* name) {
    QStringList values;
    const TField* field = ds->FieldByName(QString::fromLatin1(name));
    for (int row = 0; row < ds->ViewCount(); ++row)
        values << ds->RowValue(row, field).toString();
    return values;
}

} // namespace dieta::test
