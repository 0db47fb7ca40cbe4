// The byte road of wire values must agree with the general one (toWire/fromWire) on every
// value and refuse the same garbage, without crashing on hostile nesting.

#include "platform/datapacket.h"
#include "platform/wirebytes.h"
#include "platform/wirevalue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

using namespace dieta;

namespace {

DataPacket packet() {
    DataPacket p;
    p.fields = {{"CDPACIENTE", FieldKind::String, 12}, {"DTSERVINTE", FieldKind::Date},
                {"HRCONF", FieldKind::DateTime},       {"QTPRATCONF", FieldKind::Float},
                {"NRORDEM", FieldKind::Integer},       {"IDCHECK", FieldKind::Boolean}};
    p.rows = {{QString("P\"0001\\"), QDate(2026, 12, 7), QDateTime(QDate(2026, 12, 7), QTime(8, 0)),
               2.5, qint64(3), true},
              {QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()}};
    return p;
}

DataPacket changeLog() {
    DataPacket p;
    p.fields = {{"CDPRATO", FieldKind::String, 8}};
    p.changeLog = true;
    p.changes = {{Change::Status::Modified, {QString("01.01")}, {QString("01.02")}},
                 {Change::Status::Inserted, {QString("02.01")}, {}}};
    return p;
}

QJsonValue parsed(const QByteArray& bytes) {
    return QJsonDocument::fromJson("[" + bytes + "]").array().at(0);
}

} // namespace

class tst_WireBytes : public QObject {
    Q_OBJECT

private slots:
    void agreesWithTheGeneralRoad_data();
    void agreesWithTheGeneralRoad();
    void refusesGarbage_data();
    void refusesGarbage();
    void objectMembersKeepRawValues();
};

void tst_WireBytes::agreesWithTheGeneralRoad_data() {
    QTest::addColumn<QVariant>("value");
    QTest::newRow("null") << QVariant();
    QTest::newRow("text") << QVariant(QString("Ação \"x\" \\ \n fim "));
    QTest::newRow("empty text") << QVariant(QString(""));
    QTest::newRow("integer") << QVariant(qint64(42));
    QTest::newRow("fraction") << QVariant(0.1);
    QTest::newRow("boolean") << QVariant(false);
    QTest::newRow("date") << QVariant(QDate(2026, 2, 28));
    QTest::newRow("date-time") << QVariant(QDateTime(QDate(2026, 2, 28), QTime(23, 59, 59)));
    QTest::newRow("packet") << fromPacket(packet());
    QTest::newRow("empty packet") << fromPacket(DataPacket{});
    QTest::newRow("change log") << fromPacket(changeLog());
    QTest::newRow("empty array") << QVariant(QVariantList{});
    QTest::newRow("array of packets and numbers")
        << QVariant(QVariantList{fromPacket(packet()), qint64(7), QString("NExist_Conf"),
                                 QVariantList{fromPacket(changeLog()), QVariant()}});
}

void tst_WireBytes::agreesWithTheGeneralRoad() {
    QFETCH(QVariant, value);
    const QByteArray bytes = toWireBytes(value);
    QCOMPARE(parsed(bytes), toWire(value));
    const std::optional<QVariant> back = fromWireBytes(bytes);
    QVERIFY(back);
    QCOMPARE(*back, *fromWire(toWire(value)));
    // Blanks between tokens change nothing (an indented document wraps the value in a list).
    const QByteArray indented =
        QJsonDocument(QJsonArray{parsed(bytes)}).toJson(QJsonDocument::Indented);
    const std::optional<QVariant> wrapped = fromWireBytes(indented);
    QVERIFY(wrapped);
    QCOMPARE(wrapped->toList().value(0), *back);
}

void tst_WireBytes::refusesGarbage_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("nothing") << QByteArray();
    QTest::newRow("cut array") << QByteArray("[1,");
    QTest::newRow("extra bracket") << QByteArray("[1]]");
    QTest::newRow("unterminated text") << QByteArray("\"abc");
    QTest::newRow("bare word") << QByteArray("nope");
    QTest::newRow("leading zero") << QByteArray("[01]");
    QTest::newRow("unknown object") << QByteArray(R"({"when": "today"})");
    QTest::newRow("packet not an object") << QByteArray(R"({"packet": [1]})");
    QTest::newRow("packet fields wrong") << QByteArray(R"({"packet": {"fields": 5, "rows": []}})");
    QTest::newRow("packet row too short")
        << QByteArray(R"({"packet": {"fields": [{"name": "A", "type": "string"}], "rows": [[]]}})");
    QTest::newRow("impossible date") << QByteArray(R"([{"date": "2026-02-30"}])");
    // A half of a surrogate pair would come back from the database as another character.
    QTest::newRow("lone surrogate") << QByteArray(R"(["a\ud800"])");
    QTest::newRow("lone surrogate in a packet")
        << QByteArray(R"({"packet": {"fields": [{"name": "A", "type": "string"}],)"
                      R"( "rows": [["\ude00"]]}})");
    QTest::newRow("trailing garbage") << QByteArray(R"({"packet": {"fields": [], "rows": []}} x)");
    // The writer's compact form is read in place: the same refusals hold there.
    QTest::newRow("compact packet not an object") << QByteArray(R"({"packet":[1]})");
    QTest::newRow("compact packet, cut") << QByteArray(R"({"packet":{"fields":[],"rows":[]})");
    QTest::newRow("compact packet and another member")
        << QByteArray(R"({"packet":{"fields":[],"rows":[]},"x":1})");
    QTest::newRow("compact packet row too short")
        << QByteArray(R"({"packet":{"fields":[{"name":"A","type":"string"}],"rows":[[]]}})");
    QTest::newRow("hostile nesting") << QByteArray(200000, '[') + QByteArray(200000, ']');
    QTest::newRow("hostile object nesting")
        << QByteArray(100000, '{').replace("{", "{\"a\":") + "1" + QByteArray(100000, '}');
}

void tst_WireBytes::refusesGarbage() {
    QFETCH(QByteArray, bytes);
    QString error;
    QVERIFY(!fromWireBytes(bytes, &error));
    QVERIFY(!error.isEmpty());
}

void tst_WireBytes::objectMembersKeepRawValues() {
    const QByteArray body = R"( {"args" : [1, {"packet": {}}], "a\"b": "x", "n": null} )";
    const auto members = wireObjectMembers(body);
    QVERIFY(members);
    QCOMPARE(members->size(), 3);
    QCOMPARE(members->at(0).first, QString("args"));
    QCOMPARE(members->at(0).second, QByteArrayView(R"([1, {"packet": {}}])"));
    QCOMPARE(members->at(1).first, QString("a\"b"));
    QCOMPARE(members->at(2).second, QByteArrayView("null"));
    const auto elements = wireArrayElements(members->at(0).second);
    QVERIFY(elements);
    QCOMPARE(elements->size(), 2);
    QCOMPARE(elements->at(1), QByteArrayView(R"({"packet": {}})"));

    QVERIFY(!wireObjectMembers("[1]"));
    QVERIFY(!wireObjectMembers(R"({"a": 1} {"b": 2})"));
    QVERIFY(!wireObjectMembers(R"({"a" 1})"));
    QVERIFY(!wireObjectMembers(R"({"a": 1,})"));
    QVERIFY(!wireArrayElements("[1 2]"));
}

QTEST_GUILESS_MAIN(tst_WireBytes)
#include "tst_wirebytes.moc"
