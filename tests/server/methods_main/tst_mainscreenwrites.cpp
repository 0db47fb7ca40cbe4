// The main screen's writing methods against the real server: saving a day record, applying
// menu-choice changes (with concurrent changes reported), deleting records and marking
// restrictions; authorisation, audit, all-or-nothing transactions and concurrent writers.

#include "contracts/rdmdietaoral.h"
#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "tests/server/methods_main/mainhospital.h"
#include "tests/support/seededserver.h"

#include <QtTest>
#include <atomic>
#include <barrier>
#include <thread>

using namespace dieta;
using namespace dieta::test;
using namespace dieta::test::mainscreen;
using namespace Qt::StringLiterals;

namespace {

const QString branch = QStringLiteral("0001");

bool succeeded(const QVariant& result) {
    if (isServerError(result)) {
        qWarning().noquote() << "error result:" << serverErrorText(result);
        return false;
    }
    return true;
}

// The change log of a menu-choice packet: each edit applied to a copy of a read row.
struct DeltaBuilder {
    DataPacket read;
    DataPacket delta;

    explicit DeltaBuilder(const DataPacket& choices) : read(choices) {
        delta.fields = choices.fields;
        delta.changeLog = true;
    }
    int column(const char* field) const { return read.fieldIndex(QString::fromLatin1(field)); }
    int rowOf(const QString& dish) const {
        for (int row = 0; row < read.rows.size(); ++row)
            if (read.value(row, u"CDPRATO").toString() == dish)
                return row;
        return -1;
    }
    DeltaBuilder& modify(const QString& dish, const QVariantMap& values) {
        const int row = rowOf(dish);
        Change change{Change::Status::Modified, read.rows[row], read.rows[row]};
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            change.row[column(it.key().toLatin1().constData())] = it.value();
        delta.changes.append(change);
        return *this;
    }
    DeltaBuilder& remove(const QString& dish) {
        delta.changes.append({Change::Status::Deleted, {}, read.rows[rowOf(dish)]});
        return *this;
    }
    DeltaBuilder& insert(Row row) {
        delta.changes.append({Change::Status::Inserted, std::move(row), {}});
        return *this;
    }
    // A new row for the record of the first read row.
    Row newRow(const QString& type, const QString& dish) const {
        Row row = read.rows.first();
        for (const char* field : {"NMTIPOPRAT", "NMPRATO", "DSOBSCONF", "CDSEQUCOPR", "HRINTECONF",
                                  "HRPERICONF", "HRCONSCONF", "DTCONSCONF", "IDRESTCONF"})
            row[column(field)] = QVariant();
        row[column("CDTIPOPRAT")] = type;
        row[column("CDPRATO")] = dish;
        row[column("CDFILAUXPRAT")] = QStringLiteral("P");
        row[column("IDESCOCONF")] = QStringLiteral("S");
        row[column("IDOPCAOCONF")] = QStringLiteral("N");
        row[column("QTPRATCONF")] = 2.0;
        return row;
    }
};

} // namespace

class tst_MainScreenWrites : public QObject {
    Q_OBJECT

private:
    QDate today = QDate::currentDate();

    QVariantList saveArgs(const QString& patient, const QString& sequence, const QString& diet,
                          const QString& remark, const QString& operatorCode = "NUTRI01") {
        DataPacket choices;
        return {branch, patient,      today, sequence, QStringLiteral("00010"),
                diet,   operatorCode, true,  remark,   fromPacket(choices)};
    }

    DataPacket choices(TNetConnection& net, const QString& patient, const QString& sequence) {
        const QVariant result =
            net.call(QStringLiteral("GetConfesco"), {branch, patient, today, sequence});
        return isPacket(result) ? toPacket(result) : DataPacket();
    }

    // "dish:chosen:restriction" per stored choice, in choice order.
    static QString stored(SqlDatabase& db, const QString& patient, const QString& sequence) {
        return columnOf(db,
                        QStringLiteral("SELECT CDPRATO || ':' || IDESCOCONF || ':' || IDRESTCONF"
                                       " FROM CONFESCO WHERE CDPACIENTE = :P AND NRSEQUSERV = :S"
                                       " ORDER BY CDSEQUCOPR"),
                        {{QStringLiteral("P"), patient}, {QStringLiteral("S"), sequence}})
            .join(u' ');
    }

    static int audits(SqlDatabase& db, const QString& method) {
        return countOf(db,
                       QStringLiteral("SELECT COUNT(*) FROM AUDIT WHERE NMMETODO = :M"
                                      " AND DSMOTIVO IS NULL"),
                       {{QStringLiteral("M"), method}});
    }

private slots:
    void saveDayRecord_data() { addEngineRows(); }
    void saveDayRecord() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        SqlDatabase& db = server->database();

        // Bruno has no record: the save creates "01" with the card's dishes (the option not
        // chosen) and marks the potassium-rich beans against his medicine.
        QVERIFY(succeeded(net.call("SetUpdServinte", saveArgs("P002", "", "0001", "Sem sal"))));
        QCOMPARE(stored(db, "P002", "01"), QStringLiteral("01.01.001:S:0 01.01.002:S:0 "
                                                          "03.01.001:S:0 02.01.001:S:0 "
                                                          "02.01.002:S:1 02.02.001:N:0"));
        const DataPacket rows =
            toPacket(net.call("GetInternacao", {fromPacket(listParams(branch, "00010", today))}));
        QCOMPARE(listKeys(rows), QStringList({"P001/0/01", "P001/1/02", "P002/0/01", "P003/0/"}));
        QCOMPARE(rows.value(2, u"DSDIETPAD").toString(), QStringLiteral("Geral"));
        QCOMPARE(rows.value(2, u"DSSERVINTE").toString(), QStringLiteral("Sem sal"));
        QCOMPARE(rows.value(2, u"IDIMPRSERV").toString(), QStringLiteral("N"));
        QCOMPARE(choices(net, "P002", "01").rows.size(), 6);

        // The screen still holds the empty sequence: the same record is found, never a second
        // one; a new diet rebuilds the menu from its card.
        QVERIFY(succeeded(net.call("SetUpdServinte", saveArgs("P002", "", "0005", "Sem sal"))));
        QCOMPARE(columnOf(db, "SELECT NRSEQUSERV FROM SERVINTE WHERE CDPACIENTE = 'P002'"),
                 QStringList({"01"}));
        QCOMPARE(stored(db, "P002", "01"), QStringLiteral("01.01.001:S:0 02.01.001:S:0"));

        // The same diet with another remark keeps the choices as they are.
        execOn(db, "UPDATE CONFESCO SET IDESCOCONF = 'N' WHERE CDPACIENTE = 'P002'");
        QVERIFY(succeeded(net.call("SetUpdServinte", saveArgs("P002", "01", "0005", "Jejum"))));
        QCOMPARE(stored(db, "P002", "01"), QStringLiteral("01.01.001:N:0 02.01.001:N:0"));
        QCOMPARE(columnOf(db, "SELECT DSSERVINTE FROM SERVINTE WHERE CDPACIENTE = 'P002'"),
                 QStringList({"Jejum"}));

        // A diet with only a group card takes the group's dishes; a free diet none.
        QVERIFY(succeeded(net.call("SetUpdServinte", saveArgs("P002", "01", "0002", ""))));
        QCOMPARE(stored(db, "P002", "01"), QStringLiteral("03.01.001:S:0 02.01.001:S:0"));
        QVERIFY(succeeded(net.call("SetUpdServinte", saveArgs("P002", "01", "0003", ""))));
        QCOMPARE(stored(db, "P002", "01"), QString());

        QCOMPARE(audits(db, "SetUpdServinte"), 5);
        QCOMPARE(columnOf(db,
                          "SELECT CDOPERADOR || ' ' || CDFILIAL || ' ' || DSPACIENTES FROM AUDIT"
                          " WHERE NMMETODO = 'SetUpdServinte' AND DSMOTIVO IS NULL")
                     .value(0),
                 QStringLiteral("NUTRI01 0001 _P002_"));
    }

    void saveRefused_data() { addEngineRows(); }
    void saveRefused() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        SqlDatabase& db = server->database();
        const auto errorOf = [&](const QVariantList& args) {
            return serverErrorText(net.call("SetUpdServinte", args));
        };
        // An operator who is no nutritionist, in its own session.
        auto clerk = server->connect("OPER99");
        QCOMPARE(serverErrorText(
                     clerk->call("SetUpdServinte", saveArgs("P002", "", "0001", "", "OPER99"))),
                 QStringLiteral("Operador não está cadastrado como nutricionista."));
        QVERIFY(errorOf(saveArgs("P002", "", "0009", "")).contains(u"0009"));
        QVERIFY(errorOf(saveArgs("P002", "", "00001", "")).contains(u"Dieta"));
        QVERIFY(errorOf(saveArgs("P002", "", "0001", QString(256, u'x'))).contains(u"Observação"));
        QVERIFY(errorOf(saveArgs("P004", "", "0001", "")).contains(u"internado"));
        QVERIFY(errorOf(saveArgs("P001", "07", "0001", "")).contains(u"Atualize"));
        QCOMPARE(errorOf(saveArgs("P002", "", "", "")),
                 QStringLiteral("Dieta deve ser informada."));
        QCOMPARE(countOf(db, "SELECT COUNT(*) FROM SERVINTE WHERE CDPACIENTE IN ('P002', 'P004')"),
                 0);
        QCOMPARE(audits(db, "SetUpdServinte"), 0);
    }

    void choiceChanges_data() { addEngineRows(); }
    void choiceChanges() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        SqlDatabase& db = server->database();

        DeltaBuilder edit(choices(net, "P001", "01"));
        edit.modify("01.01.002", {{"IDESCOCONF", "N"}, {"DSOBSCONF", "sem açúcar"}})
            .remove("03.01.001")
            .insert(edit.newRow("02", "02.02.001"));
        // The operator of the request must be a nutritionist of the branch.
        auto outsider = server->connect("OPER99");
        QCOMPARE(serverErrorText(outsider->call("SetUpdConfesco", {fromPacket(edit.delta)})),
                 QStringLiteral("Operador não está cadastrado como nutricionista."));
        QCOMPARE(audits(db, "SetUpdConfesco"), 0);

        QVERIFY(succeeded(net.call("SetUpdConfesco", {fromPacket(edit.delta)})));

        const DataPacket after = choices(net, "P001", "01");
        QCOMPARE(columnValues(after, "NMPRATO"),
                 QStringList({"Pão francês", "Café com leite", "Arroz", "Frango grelhado"}));
        QCOMPARE(columnValues(after, "IDESCOCONF"), QStringList({"S", "N", "S", "S"}));
        QCOMPARE(columnValues(after, "DSOBSCONF"), QStringList({"", "sem açúcar", "", ""}));
        // The server numbers new choices after the highest one left.
        QCOMPARE(after.value(3, u"CDSEQUCOPR").toString(), QStringLiteral("0004"));
        QCOMPARE(after.value(3, u"QTPRATCONF").toDouble(), 2.0);
        QCOMPARE(audits(db, "SetUpdConfesco"), 1);
        QCOMPARE(columnOf(db, "SELECT CDOPERADOR FROM SERVINTE WHERE CDPACIENTE = 'P001' AND"
                              " NRSEQUSERV = '01'"),
                 QStringList({"NUTRI01"}));
    }

    void concurrentChangeReported_data() { addEngineRows(); }
    void concurrentChangeReported() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        auto other = server->connect("NUTRI01");
        SqlDatabase& db = server->database();

        // Both screens read the same choices; the other one saves first.
        const DataPacket read = choices(net, "P001", "01");
        DeltaBuilder first(read);
        first.modify("01.01.001", {{"DSOBSCONF", "torrado"}});
        QVERIFY(succeeded(other->call("SetUpdConfesco", {fromPacket(first.delta)})));

        DeltaBuilder second(read);
        second.modify("02.01.001", {{"IDESCOCONF", "N"}})
            .modify("01.01.001", {{"DSOBSCONF", "sem manteiga"}});
        const QString error =
            serverErrorText(net.call("SetUpdConfesco", {fromPacket(second.delta)}));
        QVERIFY2(error.contains(u"Pão francês") && error.contains(u"alterado por outro usuário"),
                 qPrintable(error));
        // Nothing of the refused change log landed, and the first save stands.
        QCOMPARE(columnOf(db,
                          "SELECT COALESCE(DSOBSCONF, '') || ':' || IDESCOCONF FROM CONFESCO WHERE"
                          " CDPACIENTE = 'P001' AND CDPRATO IN ('01.01.001', '02.01.001')"
                          " AND NRSEQUSERV = '01' ORDER BY CDPRATO"),
                 QStringList({"torrado:S", ":S"}));
        QCOMPARE(stored(db, "P001", "01").section(u' ', 0, 0), QStringLiteral("02.01.001:S:0"));

        // Deleting the row the other screen changed since it was read is refused as well: the
        // other change is kept, not lost with the row.
        DeltaBuilder staleRemoval(read);
        staleRemoval.remove("01.01.001");
        const QString removalError =
            serverErrorText(net.call("SetUpdConfesco", {fromPacket(staleRemoval.delta)}));
        QVERIFY2(removalError.contains(u"Pão francês") &&
                     removalError.contains(u"alterado por outro usuário"),
                 qPrintable(removalError));
        QCOMPARE(columnOf(db, "SELECT COALESCE(DSOBSCONF, '') FROM CONFESCO WHERE CDPACIENTE ="
                              " 'P001' AND NRSEQUSERV = '01' AND CDPRATO = '01.01.001'"),
                 QStringList{"torrado"});
        // Read again, the same deletion goes through.
        DeltaBuilder freshRemoval(choices(net, "P001", "01"));
        freshRemoval.remove("01.01.001");
        QVERIFY(succeeded(net.call("SetUpdConfesco", {fromPacket(freshRemoval.delta)})));
        QCOMPARE(countOf(db, "SELECT COUNT(*) FROM CONFESCO WHERE CDPACIENTE = 'P001' AND"
                             " NRSEQUSERV = '01' AND CDPRATO = '01.01.001'"),
                 0);

        // A row deleted meanwhile is reported too.
        DeltaBuilder removal(read);
        removal.remove("03.01.001");
        QVERIFY(succeeded(other->call("SetUpdConfesco", {fromPacket(removal.delta)})));
        DeltaBuilder late(read);
        late.modify("03.01.001", {{"IDESCOCONF", "S"}});
        QVERIFY(serverErrorText(net.call("SetUpdConfesco", {fromPacket(late.delta)}))
                    .contains(u"excluído por outro usuário"));
        QCOMPARE(audits(db, "SetUpdConfesco"), 3);
    }

    // Two screens change the same choice at the same moment, many times over: every time one
    // change is stored and the other is reported, never both answered success with one lost.
    // DIETA_CONFLICT_PAIRS sets the number of pairs (100 by default).
    void simultaneousChangesOneWins_data() { addEngineRows(); }
    void simultaneousChangesOneWins() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        const int pairs = qEnvironmentVariableIntValue("DIETA_CONFLICT_PAIRS") > 0
                              ? qEnvironmentVariableIntValue("DIETA_CONFLICT_PAIRS")
                              : 100;
        SqlDatabase& db = server->database();
        DataPacket deltas[2];
        QVariant results[2];
        std::barrier start(3);
        std::barrier done(3);
        const auto writer = [&](int side) {
            auto net = server->connect("NUTRI01");
            for (int pair = 0; pair < pairs; ++pair) {
                start.arrive_and_wait();
                results[side] = net->call("SetUpdConfesco", {fromPacket(deltas[side])});
                done.arrive_and_wait();
            }
        };
        std::thread a(writer, 0);
        std::thread b(writer, 1);
        QStringList faults;
        int conflicts = 0;
        for (int pair = 0; pair < pairs; ++pair) {
            const DataPacket read = choices(server->connection(), "P001", "01");
            for (int side = 0; side < 2; ++side) {
                DeltaBuilder change(read);
                change.modify("01.01.001",
                              {{"DSOBSCONF", QStringLiteral("%1-%2").arg(side).arg(pair)}});
                deltas[side] = change.delta;
            }
            start.arrive_and_wait();
            done.arrive_and_wait();
            const bool won[2] = {!isServerError(results[0]), !isServerError(results[1])};
            const QString lost = serverErrorText(results[won[0] ? 1 : 0]);
            const QStringList stored =
                columnOf(db, "SELECT DSOBSCONF FROM CONFESCO WHERE CDPACIENTE = 'P001' AND"
                             " NRSEQUSERV = '01' AND CDPRATO = '01.01.001'");
            if (won[0] == won[1] || !lost.contains(u"alterado por outro usuário"))
                faults.append(QStringLiteral("pair %1: %2 / %3")
                                  .arg(pair)
                                  .arg(serverErrorText(results[0]), serverErrorText(results[1])));
            else if (stored != QStringList{QStringLiteral("%1-%2").arg(won[0] ? 0 : 1).arg(pair)})
                faults.append(
                    QStringLiteral("pair %1: stored %2").arg(pair).arg(stored.join(u',')));
            else
                ++conflicts;
        }
        a.join();
        b.join();
        qInfo("%d pairs, %d with one success and one conflict", pairs, conflicts);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 5).join(u'\n')));
        QCOMPARE(audits(db, "SetUpdConfesco"), pairs);
    }

    // Quantities: an absurd or non-finite one is refused and nothing is written; a negative
    // one (how the screen unticks a dish) is kept.
    void quantitiesWithinTheDomain_data() { addEngineRows(); }
    void quantitiesWithinTheDomain() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        SqlDatabase& db = server->database();
        const auto quantity = [&] {
            return columnOf(db, "SELECT QTPRATCONF FROM CONFESCO WHERE CDPACIENTE = 'P001' AND"
                                " NRSEQUSERV = '01' AND CDPRATO = '01.01.001'");
        };
        const QStringList before = quantity();
        for (const double absurd : {1e308, -1e308, 1e6}) {
            DeltaBuilder edit(choices(net, "P001", "01"));
            edit.modify("01.01.001", {{"QTPRATCONF", absurd}});
            QVERIFY(serverErrorText(net.call("SetUpdConfesco", {fromPacket(edit.delta)}))
                        .contains(u"QTPRATCONF: valor inválido"));
        }
        QCOMPARE(quantity(), before);
        QCOMPARE(audits(db, "SetUpdConfesco"), 0);
        DeltaBuilder untick(choices(net, "P001", "01"));
        untick.modify("01.01.001", {{"QTPRATCONF", -1.0}});
        QVERIFY(succeeded(net.call("SetUpdConfesco", {fromPacket(untick.delta)})));
        QCOMPARE(choices(net, "P001", "01").value(0, u"QTPRATCONF").toDouble(), -1.0);
    }

    // Every method refuses alike: a code wider than its column gets the same error result;
    // an argument that must be a packet and holds something else, or a date outside the
    // calendar the hospital works in, is a malformed request.
    void argumentsWithinTheDomain() {
        auto server = startSeeded(TestEngine::SQLite, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        const auto neutral = [&](contracts::rdm::ArgKind kind) -> QVariant {
            switch (kind) {
            case contracts::rdm::ArgKind::Number:
                return 1.0;
            case contracts::rdm::ArgKind::Date:
                return today;
            case contracts::rdm::ArgKind::Boolean:
                return false;
            case contracts::rdm::ArgKind::Packet:
                return fromPacket(DataPacket());
            default:
                return QString();
            }
        };
        int checked = 0;
        for (const contracts::rdm::MethodDecl& method : contracts::rdm::methodTable()) {
            QVariantList args;
            for (const contracts::rdm::ArgDecl& arg : method.args)
                args.append(neutral(arg.kind));
            const int branchAt = method.position("branch");
            if (branchAt >= 0) {
                QVariantList wide = args;
                wide[branchAt] = QStringLiteral("00001");
                QCOMPARE(serverErrorText(net.call(method.name, wide)),
                         QStringLiteral("Filial: \"00001\" tem mais de 4 caracteres."));
                ++checked;
            }
            for (int i = 0; i < method.args.size(); ++i) {
                QVariantList malformed = args;
                if (method.args[i].kind == contracts::rdm::ArgKind::Variant)
                    malformed[i] = QStringLiteral("x");
                else if (method.args[i].kind == contracts::rdm::ArgKind::Date)
                    malformed[i] = QDate(2300, 1, 1);
                else
                    continue;
                const QString error = serverErrorText(net.call(method.name, malformed));
                QVERIFY2(error.contains(u"o argumento %1 deve ser"_s.arg(i + 1)),
                         qPrintable(u"%1: %2"_s.arg(method.name, error)));
            }
        }
        QVERIFY(checked > 10);
        QCOMPARE(audits(server->database(), "SetUpdConfesco"), 0);
    }

    void failureMidwayLeavesNothing_data() { addEngineRows(); }
    void failureMidwayLeavesNothing() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        SqlDatabase& db = server->database();
        const QString before = stored(db, "P001", "01");

        // A good modification, then a row for a record that does not exist.
        DeltaBuilder edit(choices(net, "P001", "01"));
        Row orphan = edit.newRow("02", "02.01.002");
        orphan[edit.column("NRSEQUSERV")] = QStringLiteral("09");
        edit.modify("02.01.001", {{"IDESCOCONF", "N"}}).insert(orphan);
        QVERIFY(isServerError(net.call("SetUpdConfesco", {fromPacket(edit.delta)})));
        QCOMPARE(stored(db, "P001", "01"), before);

        // A value longer than its column, after a good deletion.
        DeltaBuilder tooLong(choices(net, "P001", "01"));
        tooLong.delta.fields[tooLong.column("DSOBSCONF")].size = 0;
        tooLong.remove("03.01.001").modify("02.01.001", {{"DSOBSCONF", QString(300, u'y')}});
        QVERIFY(serverErrorText(net.call("SetUpdConfesco", {fromPacket(tooLong.delta)}))
                    .contains(u"DSOBSCONF"));
        QCOMPARE(stored(db, "P001", "01"), before);

        // A modification that does not say what it read.
        DeltaBuilder blind(choices(net, "P001", "01"));
        blind.modify("02.01.001", {{"IDESCOCONF", "N"}});
        blind.delta.changes.first().original.clear();
        QVERIFY(isServerError(net.call("SetUpdConfesco", {fromPacket(blind.delta)})));
        QCOMPARE(stored(db, "P001", "01"), before);

        // Not a change log at all.
        QVERIFY(isServerError(net.call("SetUpdConfesco", {QStringLiteral("x")})));
        QCOMPARE(audits(db, "SetUpdConfesco"), 0);
    }

    void deleteRecords_data() { addEngineRows(); }
    void deleteRecords() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        SqlDatabase& db = server->database();
        const DataPacket rows =
            toPacket(net.call("GetInternacao", {fromPacket(listParams(branch, "G01", today))}));
        const auto marked = [&](QList<int> indexes) {
            DataPacket packet;
            packet.fields = rows.fields;
            for (int index : indexes)
                packet.rows.append(rows.rows[index]);
            return fromPacket(packet);
        };
        // rows: P001/0/01, P001/1/02, P002/0/, P003/0/, P005/0/01

        QCOMPARE(net.call("DelServ", {branch, marked({2})}).toString(),
                 QStringLiteral("Os pacientes marcados não têm registro de dieta no dia."));
        auto outsider = server->connect("OPER99");
        QCOMPARE(outsider->call("DelServ", {branch, marked({0})}).toString(),
                 QStringLiteral("Operador não está cadastrado como nutricionista."));

        // Eva's record vanished meanwhile: nothing at all is deleted.
        execOn(db, "DELETE FROM SERVINTE WHERE CDPACIENTE = 'P005'");
        QVERIFY(net.call("DelServ", {branch, marked({0, 4})}).toString().contains(u"Atualize"));
        QCOMPARE(countOf(db, "SELECT COUNT(*) FROM SERVINTE WHERE CDPACIENTE = 'P001'"), 2);

        QCOMPARE(net.call("DelServ", {branch, marked({0, 1, 2})}).toString(), QString());
        QCOMPARE(countOf(db, "SELECT COUNT(*) FROM SERVINTE WHERE CDPACIENTE = 'P001'"), 0);
        QCOMPARE(countOf(db, "SELECT COUNT(*) FROM CONFESCO WHERE CDPACIENTE = 'P001'"), 0);
        QCOMPARE(audits(db, "DelServ"), 1);
        const DataPacket after =
            toPacket(net.call("GetInternacao", {fromPacket(listParams(branch, "00010", today))}));
        QCOMPARE(listKeys(after), QStringList({"P001/0/", "P002/0/", "P003/0/"}));
    }

    void restrictionCheck_data() { addEngineRows(); }
    void restrictionCheck() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        TNetConnection& net = server->connection();
        SqlDatabase& db = server->database();
        const DataPacket params = listParams(branch, "G01", today);
        const QVariant list = net.call("GetInternacao", {fromPacket(params)});

        // Only the current patient (mode "1").
        QVariantList args{branch, "P005", "00020", "1", list, fromPacket(params)};
        QVERIFY(succeeded(net.call("GetVerifRestInto", args)));
        QCOMPARE(args[3].toString(), QStringLiteral("1"));
        QCOMPARE(stored(db, "P001", "01"), QStringLiteral("02.01.001:S:0 01.01.001:S:0 "
                                                          "01.01.002:S:0 03.01.001:N:0"));

        // Every listed patient (mode "0"): Ana's bread (gluten) and coffee (sugar); her
        // companion's meals are not hers to restrict.
        execOn(db, "UPDATE CONFESCO SET IDRESTCONF = '1' WHERE CDPACIENTE = 'P001' AND"
                   " NRSEQUSERV = '02'");
        args = {branch, "P005", "00020", "0", list, fromPacket(params)};
        const QVariant result = net.call("GetVerifRestInto", args);
        QVERIFY(succeeded(result));
        QCOMPARE(stored(db, "P001", "01"), QStringLiteral("02.01.001:S:0 01.01.001:S:1 "
                                                          "01.01.002:S:1 03.01.001:N:0"));
        QCOMPARE(stored(db, "P001", "02"), QStringLiteral("02.01.001:S:0"));
        QCOMPARE(listKeys(toPacket(result)).size(), 5);
        QCOMPARE(audits(db, "GetVerifRestInto"), 2);

        // Refused like every write: no mark changes, nothing audited.
        execOn(db, "UPDATE CONFESCO SET IDRESTCONF = '0'");
        auto outsider = server->connect("OPER99");
        args = {branch, "P005", "00020", "0", list, fromPacket(params)};
        QCOMPARE(serverErrorText(outsider->call("GetVerifRestInto", args)),
                 QStringLiteral("Operador não está cadastrado como nutricionista."));
        QCOMPARE(args[3].toString(), QStringLiteral("0"));
        QCOMPARE(stored(db, "P001", "01"), QStringLiteral("02.01.001:S:0 01.01.001:S:0 "
                                                          "01.01.002:S:0 03.01.001:N:0"));
        QCOMPARE(audits(db, "GetVerifRestInto"), 2);
    }

    // Writers from several connections wait for each other instead of failing (on SQLite
    // with "database is locked"); two screens saving the same new record create one.
    void concurrentWriters_data() { addEngineRows(); }
    void concurrentWriters() {
        DIETA_FETCH_ENGINE(engine);
        auto server = startSeeded(engine, seedMainHospital, today);
        QVERIFY2(server->ok(), qPrintable(server->error()));
        constexpr int rounds = 25;
        std::atomic<int> failures{0};
        QStringList errors;
        QMutex errorsLock;
        const auto writer = [&](const QString& patient, const QString& sequence) {
            auto net = server->connect("NUTRI01");
            for (int i = 0; i < rounds; ++i) {
                QVariantList args =
                    saveArgs(patient, sequence, i % 2 ? "0005" : "0001", QString::number(i));
                const QVariant result = net->call("SetUpdServinte", args);
                if (isServerError(result)) {
                    ++failures;
                    QMutexLocker lock(&errorsLock);
                    errors.append(serverErrorText(result));
                }
            }
        };
        std::thread a(writer, QStringLiteral("P001"), QStringLiteral("01"));
        std::thread b(writer, QStringLiteral("P002"), QString());
        std::thread c(writer, QStringLiteral("P002"), QString());
        a.join();
        b.join();
        c.join();
        QVERIFY2(failures == 0, qPrintable(errors.join(u'\n')));
        QCOMPARE(columnOf(server->database(),
                          "SELECT NRSEQUSERV FROM SERVINTE WHERE CDPACIENTE = 'P002'"),
                 QStringList({"01"}));
        QCOMPARE(audits(server->database(), "SetUpdServinte"), 3 * rounds);
    }
};

QTEST_GUILESS_MAIN(tst_MainScreenWrites)
#include "tst_mainscreenwrites.moc"
