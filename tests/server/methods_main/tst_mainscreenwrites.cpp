// The main screen's writing methods against the real server: saving a day record, applying
// menu-choice changes (with concurrent changes reported), deleting records and marking
// restrictions; authorisation, audit, all-or-nothing transactions and concurrent writers.

#include "platform/tnetconnection.h"
#include "platform/wirevalue.h"
#include "tests/server/methods_main/mainhospital.h"
#include "tests/support/testserver.h"

#include <QtTest>
#include <atomic>
#include <thread>

using namespace dieta;
using namespace dieta::test;
using namespace dieta::test::mainscreen;

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

    std::unique_ptr<TestServer> start(TestEngine engine) {
        TestServerOptions options;
        options.engine = engine;
        auto server = std::make_unique<TestServer>(options);
        if (server->ok())
            seedMainHospital(server->database(), today);
        return server;
    }

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
        auto server = start(engine);
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
        auto server = start(engine);
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
        auto server = start(engine);
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
        auto server = start(engine);
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

    void failureMidwayLeavesNothing_data() { addEngineRows(); }
    void failureMidwayLeavesNothing() {
        DIETA_FETCH_ENGINE(engine);
        auto server = start(engine);
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
        auto server = start(engine);
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
        auto server = start(engine);
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

        auto outsider = server->connect("OPER99");
        args = {branch, "P005", "00020", "0", list, fromPacket(params)};
        QCOMPARE(serverErrorText(outsider->call("GetVerifRestInto", args)),
                 QStringLiteral("Operador não está cadastrado como nutricionista."));
        QCOMPARE(args[3].toString(), QStringLiteral("0"));
    }

    // Writers from several connections wait for each other instead of failing (on SQLite
    // with "database is locked"); two screens saving the same new record create one.
    void concurrentWriters_data() { addEngineRows(); }
    void concurrentWriters() {
        DIETA_FETCH_ENGINE(engine);
        auto server = start(engine);
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
