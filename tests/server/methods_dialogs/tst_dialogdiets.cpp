// The diet dialogs' methods against the real server: the menu of a diet, the dishes of a free
// composition, setting a diet with its menu, and duplicating a diet.

#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "tests/server/methods_dialogs/dialogfixture.h"
#include "tests/support/seededserver.h"

#include <QtTest>

using namespace dieta;
using namespace dieta::test;

namespace {

const QString missingCard =
    QStringLiteral("Não existe cardápio cadastrado para  dieta e dia informado.");

QStringList column(const DataPacket& packet, const char* field) {
    QStringList values;
    for (int row = 0; row < packet.rows.size(); ++row)
        values.append(packet.value(row, QString::fromLatin1(field)).toString());
    return values;
}

QString choicesOf(SqlDatabase& db, const QString& patient, QDate day, const QString& sequence) {
    return columnOf(db,
                    QStringLiteral("SELECT CDPRATO || ':' || IDESCOCONF FROM CONFESCO WHERE"
                                   " CDFILIAL = '0001' AND CDPACIENTE = :P AND DTSERVINTE = :D"
                                   " AND NRSEQUSERV = :S ORDER BY CDSEQUCOPR"),
                    {{QStringLiteral("P"), patient},
                     {QStringLiteral("D"), day},
                     {QStringLiteral("S"), sequence}})
        .join(u' ');
}

QStringList recordsOf(SqlDatabase& db, const QString& patient, QDate day) {
    return columnOf(db,
                    QStringLiteral("SELECT NRSEQUSERV || '/' || STPACIACOM || '/' ||"
                                   " COALESCE(CDDIETPAD, '') FROM SERVINTE WHERE CDFILIAL = '0001'"
                                   " AND CDPACIENTE = :P AND DTSERVINTE = :D ORDER BY NRSEQUSERV"),
                    {{QStringLiteral("P"), patient}, {QStringLiteral("D"), day}});
}

} // namespace

class tst_DialogDiets : public QObject {
    Q_OBJECT

private:
    QDate today = QDate::currentDate();

    QVariantList confDietaArgs(const DataPacket& marked, const QStringList& menu,
                               const QString& diet, const QString& status, const QString& keep) {
        return {QStringLiteral("0001"),
                QStringLiteral("00010"),
                today,
                fromPacket(marked),
                fromPacket(menuRows(menu)),
                diet,
                status,
                QStringLiteral("NUTRI01"),
                keep,
                fromPacket(listParams(QStringLiteral("0001"), QStringLiteral("00010"), today))};
    }

private slots:
    void menuOfDiet_data() { addEngineRows(); }
    void menuOfDiet() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();

        // The diet's own card, in the service's dish-type order; options come unchosen.
        QVariantList args{"0001", "00010", today, "0001", "9001", missingCard, "D"};
        QVariant result = net.call(QStringLiteral("GetCardapioDieta"), args);
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        DataPacket menu = toPacket(result);
        QCOMPARE(column(menu, "CDPRATO"), (QStringList{"01.01.002", "02.01.001", "02.01.002"}));
        QCOMPARE(column(menu, "NMPRATO"), (QStringList{"Leite", "Arroz", "Feijão"}));
        QCOMPARE(column(menu, "IDESCOCONF"), (QStringList{"S", "S", "N"}));
        QCOMPARE(column(menu, "IDOPCAOCONF"), (QStringList{"N", "N", "S"}));
        QCOMPARE(column(menu, "CDSEQUCOPR"), (QStringList{"0001", "0002", "0003"}));
        QCOMPARE(column(menu, "NMTIPOPRAT").first(), QStringLiteral("Desjejum"));
        QCOMPARE(menu.value(2, u"QTPRATCONF").toDouble(), 0.0);
        QCOMPARE(menu.value(0, u"CDDIETGRUPSI").toString(), QStringLiteral("9001"));
        QCOMPARE(args[6].toString(), QStringLiteral("A")); // the service's real kind comes back
        QCOMPARE(args[3].toString(), QStringLiteral("0001"));

        // A diet with only a group card gets the group's; none at all: the text passed in.
        args = {"0001", "00010", today, "0002", "9001", missingCard, "A"};
        result = net.call(QStringLiteral("GetCardapioDieta"), args);
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        QCOMPARE(column(toPacket(result), "NMPRATO"), QStringList{"Frango"});
        args = {"0001", "00010", today, "0006", "", missingCard, "A"};
        QCOMPARE(serverErrorText(net.call(QStringLiteral("GetCardapioDieta"), args)), missingCard);
        args = {"0001", "00010", today.addDays(1), "0001", "9001", missingCard, "A"};
        QCOMPARE(serverErrorText(net.call(QStringLiteral("GetCardapioDieta"), args)), missingCard);

        // A service whose menu ignores the diet is asked with an empty diet.
        args = {"0001", "00070", today, "", "", missingCard, "N"};
        result = net.call(QStringLiteral("GetCardapioDieta"), args);
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        QCOMPARE(column(toPacket(result), "CDPRATO"), QStringList{"01.01.002"});

        args = {"0001", "00010", today, "", "", missingCard, "A"};
        QCOMPARE(serverErrorText(net.call(QStringLiteral("GetCardapioDieta"), args)),
                 QStringLiteral("Dieta deve ser informada."));
        args = {"0001", "99999", today, "0001", "", missingCard, "A"};
        QVERIFY(serverErrorText(net.call(QStringLiteral("GetCardapioDieta"), args))
                    .startsWith(QStringLiteral("Serviço 99999 não cadastrado")));
    }

    void freeCompositionDishes_data() { addEngineRows(); }
    void freeCompositionDishes() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        // Complete three-level codes of this branch or of every branch; upper levels and the
        // other branch's dish are left out.
        QVariant result = net.call(QStringLiteral("getReceitaUtili"), {"0001", "3", "00010"});
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        const DataPacket dishes = toPacket(result);
        QCOMPARE(column(dishes, "CDPRATO"),
                 (QStringList{"01.01.001", "01.01.002", "02.01.001", "02.01.002"}));
        QCOMPARE(column(dishes, "CDFILAUXPRAT"), (QStringList{"0001", "P", "P", "P"}));
        result = net.call(QStringLiteral("getReceitaUtili"), {"0001", "2", "00010"});
        QCOMPARE(column(toPacket(result), "CDPRATO"), QStringList{"02.01"});
        QVERIFY(net.call(QStringLiteral("getReceitaUtili"), {"0001", "3", "00020"})
                    .value<DataPacket>()
                    .rows.isEmpty());
        QVERIFY(
            serverErrorText(net.call(QStringLiteral("getReceitaUtili"), {"0001", "três", "00010"}))
                .startsWith(QStringLiteral("Número de níveis")));
    }

    void setDietForMarkedPatients_data() { addEngineRows(); }
    void setDietForMarkedPatients() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();
        // P002 already has a record of the day with another diet and a menu.
        addDayRecord(db, QStringLiteral("P002"), today, QStringLiteral("01"), QStringLiteral("0"),
                     QStringLiteral("00010"), QStringLiteral("0002"), {"02|P|02.02.001|S|1"});
        const QStringList menu{"02|P|02.01.001|S|1", "02|P|02.01.002|N|0"};

        QVariantList args =
            confDietaArgs(markedRows({{"P001", "0", ""}, {"P002", "0", "01"}}, today), menu,
                          QStringLiteral("0001"), QStringLiteral("0"), QStringLiteral("N"));
        QVariant result = net.call(QStringLiteral("SetConfDieta"), args);
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        QCOMPARE(recordsOf(db, QStringLiteral("P001"), today), QStringList{"01/0/0001"});
        QCOMPARE(recordsOf(db, QStringLiteral("P002"), today), QStringList{"01/0/0001"});
        QCOMPARE(choicesOf(db, QStringLiteral("P002"), today, QStringLiteral("01")),
                 QStringLiteral("02.01.001:S 02.01.002:N"));
        // "N" drops the previous record's remark.
        QCOMPARE(columnOf(db, QStringLiteral("SELECT COALESCE(DSSERVINTE, '') FROM SERVINTE WHERE"
                                             " CDPACIENTE = 'P002'")),
                 QStringList{""});
        QCOMPARE(args[8].toString(), QStringLiteral("N"));
        const DataPacket list = toPacket(result);
        QVERIFY(list.fieldIndex(u"IDCHECKTODOS") >= 0);
        bool listed = false;
        for (int row = 0; row < list.rows.size(); ++row)
            listed |= list.value(row, u"CDPACIENTE") == QStringLiteral("P001") &&
                      list.value(row, u"CDDIETPAD") == QStringLiteral("0001");
        QVERIFY(listed);
        QCOMPARE(auditCount(db, QStringLiteral("SetConfDieta")), 1);
        QCOMPARE(columnOf(db, QStringLiteral(
                                  "SELECT DSPACIENTES FROM AUDIT WHERE DSPACIENTES IS NOT NULL")),
                 QStringList{"_P001_P002_"});

        // The companion gets a record of its own; "S" keeps the remark.
        execOn(db, QStringLiteral(
                       "UPDATE SERVINTE SET DSSERVINTE = 'manter' WHERE CDPACIENTE = 'P001'"));
        execOn(db, QStringLiteral("UPDATE CONFESCO SET DSOBSCONF = 'sem sal' WHERE CDPACIENTE ="
                                  " 'P001' AND CDPRATO = '02.01.001'"));
        args = confDietaArgs(markedRows({{"P001", "0", "01"}}, today), menu, QStringLiteral("0001"),
                             QStringLiteral("1"), QStringLiteral("S"));
        QVERIFY(isPacket(net.call(QStringLiteral("SetConfDieta"), args)));
        QCOMPARE(recordsOf(db, QStringLiteral("P001"), today),
                 (QStringList{"01/0/0001", "02/1/0001"}));
        args = confDietaArgs(markedRows({{"P001", "0", "01"}}, today), menu, QStringLiteral("0001"),
                             QStringLiteral("0"), QStringLiteral("S"));
        QVERIFY(isPacket(net.call(QStringLiteral("SetConfDieta"), args)));
        QCOMPARE(columnOf(db, QStringLiteral("SELECT DSSERVINTE FROM SERVINTE WHERE CDPACIENTE ="
                                             " 'P001' AND NRSEQUSERV = '01'")),
                 QStringList{"manter"});
        // ... and the remark of a dish the new menu still holds.
        QCOMPARE(columnOf(db, QStringLiteral("SELECT DSOBSCONF FROM CONFESCO WHERE CDPACIENTE ="
                                             " 'P001' AND NRSEQUSERV = '01' AND CDPRATO ="
                                             " '02.01.001'")),
                 QStringList{"sem sal"});
    }

    // One call for several patients at once: a patient without a record gets a new one, a
    // record whose dishes had remarks keeps them ("S") with its own rows, the others share the
    // menu as sent; every record ends with exactly the menu's dishes.
    void setDietForSeveralPatientsAtOnce_data() { addEngineRows(); }
    void setDietForSeveralPatientsAtOnce() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        addDayRecord(db, QStringLiteral("P002"), today, QStringLiteral("01"), QStringLiteral("0"),
                     QStringLiteral("00010"), QStringLiteral("0002"),
                     {"02|P|02.01.001|S|1", "02|P|02.02.001|S|1"});
        addDayRecord(db, QStringLiteral("P003"), today, QStringLiteral("01"), QStringLiteral("0"),
                     QStringLiteral("00010"), QStringLiteral("0002"), {"02|P|02.01.002|S|1"});
        execOn(db, QStringLiteral("UPDATE CONFESCO SET DSOBSCONF = 'sem sal' WHERE CDPACIENTE ="
                                  " 'P002' AND CDPRATO = '02.01.001'"));
        const QStringList menu{"02|P|02.01.001|S|1", "02|P|02.01.002|N|0"};
        const QVariantList args = confDietaArgs(
            markedRows({{"P001", "0", ""}, {"P002", "0", "01"}, {"P003", "0", "01"}}, today), menu,
            QStringLiteral("0001"), QStringLiteral("0"), QStringLiteral("S"));
        const QVariant result = server->connection().call(QStringLiteral("SetConfDieta"), args);
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));

        for (const char* patient : {"P001", "P002", "P003"}) {
            QCOMPARE(recordsOf(db, QLatin1String(patient), today), QStringList{"01/0/0001"});
            QCOMPARE(choicesOf(db, QLatin1String(patient), today, QStringLiteral("01")),
                     QStringLiteral("02.01.001:S 02.01.002:N"));
        }
        QCOMPARE(columnOf(db, QStringLiteral("SELECT CDPACIENTE || ':' || CDSEQUCOPR || ':' ||"
                                             " COALESCE(DSOBSCONF, '-') FROM CONFESCO WHERE"
                                             " CDPRATO = '02.01.001' ORDER BY CDPACIENTE")),
                 (QStringList{"P001:0001:-", "P002:0001:sem sal", "P003:0001:-"}));
        QCOMPARE(countOf(db, QStringLiteral("SELECT COUNT(*) FROM SERVINTE WHERE NRVERSAO > 1")),
                 2);
        QCOMPARE(columnOf(db, QStringLiteral(
                                  "SELECT DSPACIENTES FROM AUDIT WHERE DSPACIENTES IS NOT NULL")),
                 QStringList{"_P001_P002_P003_"});

        // A row that names a record no longer there falls back to the person's first record.
        execOn(db, QStringLiteral("DELETE FROM CONFESCO WHERE CDPACIENTE = 'P003'"));
        const QVariantList stale =
            confDietaArgs(markedRows({{"P003", "0", "07"}}, today), menu, QStringLiteral("0005"),
                          QStringLiteral("0"), QStringLiteral("N"));
        QVERIFY(isPacket(server->connection().call(QStringLiteral("SetConfDieta"), stale)));
        QCOMPARE(recordsOf(db, QStringLiteral("P003"), today), QStringList{"01/0/0005"});
        QCOMPARE(choicesOf(db, QStringLiteral("P003"), today, QStringLiteral("01")),
                 QStringLiteral("02.01.001:S 02.01.002:N"));
    }

    // In a quantity diet the quantity decides: a dish with more than 0 portions is chosen, one
    // with 0 is not, whatever chosen flag the row carries.
    void quantityDietChoosesByQuantity_data() { addEngineRows(); }
    void quantityDietChoosesByQuantity() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        const QStringList menu{"01|P|01.01.002|N|0.5", "02|P|02.01.001|S|0", "02|P|02.01.002|N|2",
                               "02|P|02.02.001|S|0"};
        const QVariantList args =
            confDietaArgs(markedRows({{"P002", "0", ""}}, today), menu, QStringLiteral("0005"),
                          QStringLiteral("0"), QStringLiteral("N"));
        const QVariant result = server->connection().call(QStringLiteral("SetConfDieta"), args);
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        QCOMPARE(recordsOf(db, QStringLiteral("P002"), today), QStringList{"01/0/0005"});
        QCOMPARE(choicesOf(db, QStringLiteral("P002"), today, QStringLiteral("01")),
                 QStringLiteral("01.01.002:S 02.01.001:N 02.01.002:S 02.02.001:N"));

        // Any other diet keeps the chosen flags as sent.
        const QVariantList general =
            confDietaArgs(markedRows({{"P003", "0", ""}}, today), menu, QStringLiteral("0001"),
                          QStringLiteral("0"), QStringLiteral("N"));
        QVERIFY(isPacket(server->connection().call(QStringLiteral("SetConfDieta"), general)));
        QCOMPARE(choicesOf(db, QStringLiteral("P003"), today, QStringLiteral("01")),
                 QStringLiteral("01.01.002:N 02.01.001:S 02.01.002:N 02.02.001:S"));
    }

    void setDietRefusals_data() { addEngineRows(); }
    void setDietRefusals() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();
        const QStringList menu{"02|P|02.01.001|S|1"};
        const auto refusal = [&](QVariantList args, TNetConnection& client) {
            return serverErrorText(client.call(QStringLiteral("SetConfDieta"), args));
        };

        // All or nothing: P002 has no companion, so P001's companion gets nothing either.
        QCOMPARE(refusal(confDietaArgs(markedRows({{"P001", "0", ""}, {"P002", "0", ""}}, today),
                                       menu, "0001", "1", "N"),
                         net),
                 QStringLiteral("Acompanhante para o paciente P002 deve estar cadastrado."));
        QVERIFY(
            refusal(confDietaArgs(markedRows({{"P001", "0", ""}}, today), menu, "0009", "0", "N"),
                    net)
                .startsWith(QStringLiteral("Dieta 0009 não cadastrada")));
        // The service is refused before the diet, an empty diet before an unknown one, and a
        // diet the service does not serve after both.
        const auto inService = [&](const QString& service, const QString& diet) {
            QVariantList args =
                confDietaArgs(markedRows({{"P001", "0", ""}}, today), menu, diet, "0", "N");
            args[1] = service;
            return refusal(args, net);
        };
        QCOMPARE(inService("99999", "0009"),
                 QStringLiteral("Serviço 99999 não cadastrado na filial 0001."));
        QCOMPARE(inService("00020", ""), QStringLiteral("Dieta deve ser informada."));
        QCOMPARE(inService("00020", "0009"), QStringLiteral("Dieta 0009 não cadastrada."));
        QCOMPARE(inService("00020", "0002"),
                 QStringLiteral("Dieta 0002 não cadastrada para o serviço 00020."));
        QCOMPARE(refusal(confDietaArgs(markedRows({{"P001", "0", ""}}, today),
                                       {"09|P|02.01.001|S|1"}, "0001", "0", "N"),
                         net),
                 QStringLiteral("Tipo de prato 09 não cadastrado."));
        QCOMPARE(refusal(confDietaArgs(markedRows({}, today), menu, "0001", "0", "N"), net),
                 QStringLiteral("Paciente deve ser informado."));
        QCOMPARE(
            refusal(confDietaArgs(markedRows({{"P004", "0", ""}}, today), menu, "0001", "0", "N"),
                    net),
            QStringLiteral("Paciente P004 não está internado na filial 0001 em %1.")
                .arg(today.toString(QStringLiteral("dd/MM/yyyy"))));
        QCOMPARE(refusal(confDietaArgs(markedRows({{"P001", "0", ""}}, today),
                                       {"02|P|09.09.999|S|1"}, "0001", "0", "N"),
                         net),
                 QStringLiteral("Prato 09.09.999 não cadastrado."));
        QCOMPARE(
            refusal(confDietaArgs(markedRows({{"P001", "0", ""}}, today), menu, "0001", "2", "N"),
                    net),
            QStringLiteral("Indique paciente (\"0\") ou acompanhante (\"1\"), não \"2\"."));

        // Operators who are no nutritionist of the branch are refused by the server itself.
        std::unique_ptr<TNetConnection> clerk = server->connect(QStringLiteral("OPER99"));
        QVariantList args =
            confDietaArgs(markedRows({{"P001", "0", ""}}, today), menu, "0001", "0", "N");
        args[7] = QStringLiteral("OPER99");
        QVERIFY(refusal(args, *clerk)
                    .contains(QStringLiteral("não está cadastrado como nutricionista")));
        // A call naming another operator than its session is refused too.
        QVERIFY(refusal(args, net).contains(QStringLiteral("difere do operador")));

        QCOMPARE(countOf(db, QStringLiteral("SELECT COUNT(*) FROM SERVINTE")), 0);
        QCOMPARE(countOf(db, QStringLiteral("SELECT COUNT(*) FROM CONFESCO")), 0);
        QCOMPARE(auditCount(db, QStringLiteral("SetConfDieta")), 0);
    }

    void duplicateDiet_data() { addEngineRows(); }
    void duplicateDiet() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();
        addDayRecord(db, QStringLiteral("P002"), today, QStringLiteral("01"), QStringLiteral("0"),
                     QStringLiteral("00010"), QStringLiteral("0002"), {"02|P|02.02.001|S|1"});
        const auto dup = [&](const QString& diet, double quantity, const DataPacket& marked,
                             const QString& status = QStringLiteral("0")) {
            QVariantList args{
                "0001",
                "00010",
                today,
                diet,
                missingCard,
                status,
                "NUTRI01",
                quantity,
                fromPacket(marked),
                fromPacket(listParams(QStringLiteral("0001"), QStringLiteral("00010"), today)),
                "D"};
            QVariant result = net.call(QStringLiteral("SetDupDieta"), args);
            if (isPacket(result))
                return args[10].toString();
            return serverErrorText(result);
        };
        const DataPacket bruno = markedRows({{"P002", "0", "01"}}, today);

        QCOMPARE(dup(QStringLiteral("0001"), 2.7, bruno), QStringLiteral("A"));
        QCOMPARE(recordsOf(db, QStringLiteral("P002"), today),
                 (QStringList{"01/0/0002", "02/0/0001", "03/0/0001"}));
        QCOMPARE(choicesOf(db, QStringLiteral("P002"), today, QStringLiteral("03")),
                 QStringLiteral("01.01.002:S 02.01.001:S 02.01.002:N"));
        QCOMPARE(auditCount(db, QStringLiteral("SetDupDieta")), 1);

        // A free composition needs no card; any other diet without one gets the text passed.
        QCOMPARE(dup(QStringLiteral("0003"), 1, bruno), QStringLiteral("A"));
        QCOMPARE(choicesOf(db, QStringLiteral("P002"), today, QStringLiteral("04")), QString());
        QCOMPARE(dup(QStringLiteral("0006"), 1, bruno), missingCard);
        QCOMPARE(dup(QStringLiteral("0001"), 0, bruno),
                 QStringLiteral("Quantidade deve ser maior que zero."));
        QCOMPARE(
            dup(QStringLiteral("0001"), 1,
                markedRows({{"P001", "0", ""}, {"P002", "0", ""}}, today)),
            QStringLiteral("Não é possível acrescentar/duplicar dieta para mais de um paciente."));
        QCOMPARE(dup(QStringLiteral("0001"), 1, bruno, QStringLiteral("1")),
                 QStringLiteral("Acompanhante para o paciente P002 deve estar cadastrado."));
        QCOMPARE(recordsOf(db, QStringLiteral("P002"), today).size(), 4);
        QCOMPARE(auditCount(db, QStringLiteral("SetDupDieta")), 2);
    }
};

QTEST_GUILESS_MAIN(tst_DialogDiets)
#include "tst_dialogdiets.moc"
