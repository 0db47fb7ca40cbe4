// Message catalogues: exact texts, missing keys, and the buttons of scripted and real boxes.
#include "framework/dialogservice.h"
#include "framework/modaldriver.h"
#include "framework/scripteddialogs.h"
#include "framework/tmessages.h"

#include <QTest>

using namespace dieta;

class tst_TMessages : public QObject {
    Q_OBJECT

private slots:
    void keepsTextsByteForByte();
    void missingKeyIsVisibleNeverACrash();
    void fallsBackToStandardCatalogue();
    void showMsgAnswersTheButton();
    void msgAlertExNumbersButtonsFromTen();
    void realBoxesAnswerTheirButtons();
};

void tst_TMessages::keepsTextsByteForByte() {
    TMessages messages;
    messages.setText(QString::fromUtf8("N_Exis_Card|Não existe cardápio  para o serviço.\r\n"
                                       "Acomp|Acompanhante  \n"
                                       "\n"
                                       "sem separador\n"
                                       "Pipe|a|b\n"
                                       "Vazio|\n"
                                       "Acomp|Acompanhante  "));
    QCOMPARE(messages.Msg("N_Exis_Card"),
             QString::fromUtf8("Não existe cardápio  para o serviço."));
    QCOMPARE(messages.Msg("Acomp"), QString("Acompanhante  "));
    QCOMPARE(messages.Msg("Pipe"), QString("a|b"));
    QVERIFY(messages.contains("Vazio"));
    QCOMPARE(messages.Msg("Vazio"), QString());
    QVERIFY(!messages.contains("sem separador"));
}

void tst_TMessages::missingKeyIsVisibleNeverACrash() {
    TMessages messages({"Paci_Inf|Paciente deve ser informado."});
    QCOMPARE(messages.Msg("Nao_Existe"), QString("[Msg: Nao_Existe]"));
    QCOMPARE(messages.Msg(""), QString("[Msg: ]"));
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    messages.ShowMsg("Nao_Existe", MsgKind::Error);
    QCOMPARE(script.texts(), QStringList({"[Msg: Nao_Existe]"}));
}

void tst_TMessages::fallsBackToStandardCatalogue() {
    TMessages messages({"Conf|Confirma a gravação?"});
    QCOMPARE(messages.Msg("Conf"), QString::fromUtf8("Confirma a gravação?"));
    QCOMPARE(messages.Msg("Nao"), QString::fromUtf8("Não"));
    messages.setFallback(nullptr);
    QCOMPARE(messages.Msg("Nao"), QString("[Msg: Nao]"));
}

void tst_TMessages::showMsgAnswersTheButton() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    TMessages messages({"Conf|Confirma operação?", "Gravado|Gravado com sucesso."});
    script.answer(mrYes);
    QCOMPARE(messages.ShowMsg("Conf", MsgKind::Confirmation), 6);
    script.answer(mrNo);
    QCOMPARE(messages.ShowMsg("Conf", MsgKind::Confirmation), 7);
    QCOMPARE(messages.ShowMsg("Gravado", MsgKind::Information), 1); // unscripted: OK
    QCOMPARE(script.unscripted(), 1);
    QCOMPARE(script.asked.at(0).kind, MsgKind::Confirmation);
    QCOMPARE(script.asked.at(2).text, QString("Gravado com sucesso."));
}

void tst_TMessages::msgAlertExNumbersButtonsFromTen() {
    ScriptedDialogs script;
    ScopedDialogService scope(script);
    TMessages messages;
    script.answer(mrFirstCustom + 1);
    QCOMPARE(messages.MsgAlertEx("Manter?", MsgKind::Confirmation, {"Sim", "Não"}), 11);
    QCOMPARE(script.asked.first().captions, QStringList({"Sim", "Não"}));
}

void tst_TMessages::realBoxesAnswerTheirButtons() {
    TMessages messages({"Conf|Confirma operação?"});
    ModalDriver driver;
    driver.thenPress("Sim");
    driver.thenPress(QString::fromUtf8("Não"));
    driver.thenPress("OK");
    driver.thenPress("Manter");
    driver.thenReject();
    QCOMPARE(messages.ShowMsg("Conf", MsgKind::Confirmation), 6);
    QCOMPARE(messages.ShowMsg("Conf", MsgKind::Confirmation), 7);
    QCOMPARE(messages.ShowMsg("Conf", MsgKind::Information), 1);
    QCOMPARE(messages.MsgAlertEx("Manter?", MsgKind::Confirmation, {"Descartar", "Manter"}), 11);
    QCOMPARE(messages.ShowMsg("Conf", MsgKind::Confirmation), 7); // Esc is "Não"
    QCOMPARE(driver.handled(), 5);
    QCOMPARE(driver.seenTexts.first(), QString::fromUtf8("Confirma operação?"));
}

QTEST_MAIN(tst_TMessages)
#include "tst_tmessages.moc"
