// Pick lists, nutrient totals and diet prescriptions through the real server.

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

QStringList rowsOf(const DataPacket& packet, const QStringList& fields) {
    QStringList rows;
    for (int row = 0; row < packet.rows.size(); ++row) {
        QStringList cells;
        for (const QString& field : fields)
            cells.append(packet.value(row, field).toString());
        rows.append(cells.join(u'/'));
    }
    return rows;
}

} // namespace

class tst_DialogClinical : public QObject {
    Q_OBJECT

private:
    const QDate today = QDate::currentDate();

    QVariant prescriptions(TNetConnection& net, const QString& mark) {
        QVariantList args{"0001", mark, fromPacket(listParams("0001", "00010", today))};
        return net.call(QStringLiteral("GetPrescricao"), args);
    }

private slots:
    void pickLists_data() { addEngineRows(); }
    void pickLists() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        QVariant result = net.call(QStringLiteral("GetPaciInter"), {"0001"});
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        // Davi left two days ago; everyone else is staying.
        QCOMPARE(rowsOf(toPacket(result), {"IDMARCADO", "CDPACIENTE", "NMPACIENTE"}),
                 (QStringList{"N/P001/Ana", "N/P002/Bruno", "N/P003/Carla", "N/P005/Eva"}));
        QVERIFY(toPacket(net.call(QStringLiteral("GetPaciInter"), {"0002"})).rows.isEmpty());
        result = net.call(QStringLiteral("GetDiagnost"));
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        QCOMPARE(rowsOf(toPacket(result), {"IDMARCADO", "CDDIAGNOST", "NMDIAGNOST"}),
                 (QStringList{"N/D01/Diabetes", "N/D02/Hipertensão"}));
    }

    // P002's chosen day (dialogfixture.h): protein 20 g, carbohydrate 50 g, lipid 30 g.
    void nutrientTotals_data() { addEngineRows(); }
    void nutrientTotals() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        addChosenDayOfP002(db, today);
        // Another day and another service do not count.
        addDayRecord(db, "P002", today.addDays(-1), "01", "0", "00010", "0001",
                     {"02|P|02.01.001|S|5"});
        addDayRecord(db, "P002", today, "03", "0", "00020", "0001", {"02|P|02.01.001|S|5"});
        TNetConnection& net = server->connection();
        const auto calc = [&](const QString& service, const QString& group, const QString& list) {
            QVariantList args{"0001", "P002", service, today, group, list};
            return net.call(QStringLiteral("GetCalcNutriente"), args);
        };

        QVariant result = calc("00010", "T", "_001_002_003_004_010_");
        QVERIFY2(result.metaType().id() == QMetaType::QVariantList,
                 qPrintable(serverErrorText(result)));
        QVariantList parts = result.toList();
        QCOMPARE(parts.size(), 5);
        QCOMPARE(rowsOf(toPacket(parts[0]), {"CDNUTRIENTE", "NUTRIENTE", "TOTAL"}),
                 (QStringList{"001/Proteína/20", "002/Carboidrato/50", "003/Lipídio/30",
                              "004/Álcool/0", "010/Sódio/10"}));
        QCOMPARE(parts[1].toDouble(), 80.0);
        QCOMPARE(parts[2].toDouble(), 200.0);
        QCOMPARE(parts[3].toDouble(), 270.0);
        QCOMPARE(parts[4].toDouble(), 0.0);

        // The group and list narrow the rows, not the energy of the menu.
        parts = calc("00010", "01", "_001_").toList();
        QCOMPARE(rowsOf(toPacket(parts[0]), {"CDNUTRIENTE", "TOTAL"}), QStringList{"001/20"});
        QCOMPARE(parts[3].toDouble(), 270.0);
        parts = calc("00010", "02", "_").toList();
        QVERIFY(toPacket(parts[0]).rows.isEmpty());
        // A service group stands for its services: Cirurgia's five portions of rice join in.
        parts = calc("G01", "T", "_001_").toList();
        QCOMPARE(rowsOf(toPacket(parts[0]), {"CDNUTRIENTE", "TOTAL"}), QStringList{"001/30"});

        QCOMPARE(serverErrorText(calc("00010", "T", "001")),
                 QStringLiteral("Nutriente: lista inválida."));
        QVERIFY(
            serverErrorText(calc("XXXXX", "T", "T")).contains(QStringLiteral("não cadastrado")));
    }

    void listPrescriptions_data() { addEngineRows(); }
    void listPrescriptions() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        QVariant result = prescriptions(net, "S");
        QVERIFY2(isPacket(result), qPrintable(serverErrorText(result)));
        QCOMPARE(rowsOf(toPacket(result), {"CDPACIENTE", "CDLEITO", "CDDIETPAD", "DSDIETPAD",
                                           "DSPRESDIET", "NMSERPADDIE", "IDPRESDIET"}),
                 (QStringList{"P002/L102/0001/Dieta Geral/Sem sal/Enfermaria/S",
                              "P003/L201/0006/Dieta Sem Cardápio/Jejum/Enfermaria/S"}));
        QCOMPARE(toPacket(result).value(0, u"DTPRESDIET").toDateTime().date(), today);
        QCOMPARE(rowsOf(toPacket(prescriptions(net, "N")), {"IDPRESDIET"}),
                 (QStringList{"N", "N"}));
        // A parameter packet without a row (a reload before any load) lists nothing.
        DataPacket empty = listParams("0001", "00010", today);
        empty.rows.clear();
        QVariantList args{"0001", "S", fromPacket(empty)};
        QVERIFY(toPacket(net.call(QStringLiteral("GetPrescricao"), args)).rows.isEmpty());
        QVERIFY(serverErrorText(prescriptions(net, "X")).startsWith(QStringLiteral("Marca")));
    }

    void confirmPrescriptions_data() { addEngineRows(); }
    void confirmPrescriptions() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedDialogHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        SqlDatabase& db = server->database();
        TNetConnection& net = server->connection();
        // P003's record of the day holds another diet's menu, which must not survive.
        addDayRecord(db, "P003", today, "01", "0", "00010", "0002", {"02|P|02.02.001|S|1"});
        const DataPacket listed = toPacket(prescriptions(net, "S"));
        const auto confirm = [&](const DataPacket& packet, TNetConnection& client,
                                 const QString& operatorCode) {
            QVariantList args{"0001",     "00010", "A", today, operatorCode, fromPacket(packet),
                              missingCard};
            return client.call(QStringLiteral("SetConfirmaPrescricao"), args);
        };

        std::unique_ptr<TNetConnection> clerk = server->connect(QStringLiteral("OPER99"));
        QVERIFY(serverErrorText(confirm(listed, *clerk, "OPER99"))
                    .contains(QStringLiteral("não está cadastrado como nutricionista")));
        DataPacket unmarked = listed;
        for (Row& row : unmarked.rows)
            row[unmarked.fieldIndex(u"IDPRESDIET")] = QStringLiteral("N");
        QCOMPARE(serverErrorText(confirm(unmarked, net, "NUTRI01")),
                 QStringLiteral("Paciente deve ser informado."));
        QCOMPARE(auditCount(db, QStringLiteral("SetConfirmaPrescricao")), 0);

        const QVariant result = confirm(listed, net, "NUTRI01");
        QVERIFY2(!isServerError(result), qPrintable(serverErrorText(result)));
        QCOMPARE(result.toString(), missingCard + QStringLiteral("\n0006 - Dieta Sem Cardápio"));
        QCOMPARE(columnOf(db, QStringLiteral("SELECT CDPACIENTE || '/' || NRSEQUSERV || '/' ||"
                                             " CDDIETPAD || '/' || DSSERVINTE FROM SERVINTE"
                                             " ORDER BY CDPACIENTE")),
                 (QStringList{"P002/01/0001/Sem sal", "P003/01/0006/Jejum"}));
        QCOMPARE(columnOf(db, QStringLiteral("SELECT CDPRATO FROM CONFESCO WHERE CDPACIENTE ="
                                             " 'P002' ORDER BY CDSEQUCOPR")),
                 (QStringList{"01.01.002", "02.01.001", "02.01.002"}));
        QCOMPARE(
            countOf(db, QStringLiteral("SELECT COUNT(*) FROM CONFESCO WHERE CDPACIENTE = 'P003'")),
            0);
        QCOMPARE(auditCount(db, QStringLiteral("SetConfirmaPrescricao")), 1);

        // Confirming again updates the same records, never a second one.
        QVERIFY(!isServerError(confirm(listed, net, "NUTRI01")));
        QCOMPARE(countOf(db, QStringLiteral("SELECT COUNT(*) FROM SERVINTE")), 2);
    }
};

QTEST_GUILESS_MAIN(tst_DialogClinical)
#include "tst_dialogclinical.moc"
