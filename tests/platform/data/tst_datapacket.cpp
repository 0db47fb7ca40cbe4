// Data packets and wire values: what goes out comes back identical, and bad input is refused
// with a Portuguese message instead of a crash or a half-read packet.
#include "platform/datapacket.h"
#include "platform/wiredate.h"
#include "platform/wirevalue.h"
#include "readersamples.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace dieta;

class tst_DataPacket : public QObject {
    Q_OBJECT

private:
    static DataPacket samplePacket() {
        DataPacket packet;
        packet.fields = {{"CDPACIENTE", FieldKind::String, 12, true, false, false},
                         {"NMPACIENTE", FieldKind::String, 80},
                         {"DTINTERNA", FieldKind::DateTime, 0, false, true, true},
                         {"DTSERVINTE", FieldKind::Date},
                         {"QTPRATCONF", FieldKind::Float},
                         {"NRORDEM", FieldKind::Integer},
                         {"IDATIVO", FieldKind::Boolean}};
        packet.rows = {
            {QString("P0001"), QString("João Conceição Ávila"),
             QDateTime(QDate(2026, 12, 7), QTime(13, 45, 0)), QDate(2026, 12, 7), 1.5,
             qint64(9007199254740000LL), true},
            {QString(""), QVariant(), QVariant(), QVariant(), 0.1, qint64(-3), false},
            {QString("P0003"), QString("O\"Brien\\ \n\t"), QVariant(), QDate(1, 1, 1), -2e-7,
             qint64(0), QVariant()},
        };
        return packet;
    }

    static QByteArray packetWithRow(const QByteArray& fields, const QByteArray& row) {
        return "{\"fields\":" + fields + ",\"rows\":[" + row + "]}";
    }

private slots:
    void roundTripKeepsEveryValue() {
        const DataPacket packet = samplePacket();
        QString error;
        const auto back = DataPacket::fromJsonBytes(packet.toJsonBytes(), &error);
        QVERIFY2(back.has_value(), qPrintable(error));
        QCOMPARE(*back, packet);
        // Null and the empty text are different values and stay so.
        QVERIFY(!back->rows[1][1].isValid());
        QCOMPARE(back->rows[1][0].toString(), QString(""));
        QVERIFY(back->rows[1][0].isValid());
        QCOMPARE(back->rows[0][2].metaType(), QMetaType::fromType<QDateTime>());
        QCOMPARE(back->rows[0][3].metaType(), QMetaType::fromType<QDate>());
        QCOMPARE(back->rows[0][5].metaType(), QMetaType::fromType<qint64>());
    }

    void roundTripOfChangeLog() {
        DataPacket delta = samplePacket();
        const QList<Row> rows = delta.rows;
        delta.rows.clear();
        delta.changeLog = true;
        delta.changes = {{Change::Status::Modified, rows[0], rows[1]},
                         {Change::Status::Inserted, rows[2], {}},
                         {Change::Status::Deleted, {}, rows[1]}};
        QString error;
        const auto back = DataPacket::fromJsonBytes(delta.toJsonBytes(), &error);
        QVERIFY2(back.has_value(), qPrintable(error));
        QCOMPARE(*back, delta);
        QVERIFY(!delta.toJson().contains("rows"));
    }

    void wireFormatIsTheAgreedOne() {
        const QJsonObject json = samplePacket().toJson();
        const QJsonObject first = json["fields"].toArray()[0].toObject();
        QCOMPARE(first["type"].toString(), QString("string"));
        QCOMPARE(first["size"].toInt(), 12);
        QCOMPARE(first["required"].toBool(), true);
        QVERIFY(!first.contains("hidden"));
        const QJsonArray row = json["rows"].toArray()[0].toArray();
        QCOMPARE(row[2].toString(), QString("2026-12-07T13:45:00"));
        QCOMPARE(row[3].toString(), QString("2026-12-07"));
        QVERIFY(json["rows"].toArray()[1].toArray()[1].isNull());
    }

    void fieldLookupIgnoresCase() {
        const DataPacket packet = samplePacket();
        QCOMPARE(packet.fieldIndex(u"cdpaciente"), 0);
        QCOMPARE(packet.fieldIndex(u"NADA"), -1);
        QCOMPARE(packet.value(0, u"nmPaciente").toString(), QString("João Conceição Ávila"));
        QVERIFY(!packet.value(9, u"NMPACIENTE").isValid());
        QVERIFY(!packet.value(0, u"NADA").isValid());
    }

    void malformedInputIsRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected"); // a fragment of the message
        const QByteArray text = R"([{"name":"CDLEITO","type":"string","size":3}])";
        const QByteArray date = R"([{"name":"DT","type":"date"}])";
        const QByteArray dateTime = R"([{"name":"DT","type":"datetime"}])";
        const QByteArray integer = R"([{"name":"N","type":"integer"}])";
        QTest::newRow("not json") << QByteArray("{\"fields\": [") << "JSON malformado";
        QTest::newRow("empty") << QByteArray() << "JSON malformado";
        QTest::newRow("array") << QByteArray("[]") << "não é um objeto";
        QTest::newRow("no fields") << QByteArray("{\"rows\":[]}") << "campos";
        QTest::newRow("unknown type")
            << QByteArray(R"({"fields":[{"name":"A","type":"blob"}]})") << "tipo desconhecido";
        QTest::newRow("nameless field")
            << QByteArray(R"({"fields":[{"type":"string"}]})") << "sem nome";
        QTest::newRow("duplicate field")
            << QByteArray(R"({"fields":[{"name":"A","type":"string"},{"name":"a","type":"date"}]})")
            << "repetido";
        QTest::newRow("negative size")
            << QByteArray(R"({"fields":[{"name":"A","type":"string","size":-1}]})") << "tamanho";
        QTest::newRow("text too long") << packetWithRow(text, R"(["1234"])") << "excede 3";
        QTest::newRow("number for text") << packetWithRow(text, "[12]") << "espera um texto";
        // The fast reader refuses a lone surrogate; the general one must too, or the text
        // changes on its way through a file or the wire.
        QTest::newRow("lone surrogate")
            << packetWithRow(text, R"(["\ude00"])") << "caractere inválido";
        QTest::newRow("lone surrogate in a name")
            << QByteArray(R"({"fields":[{"name":"A\ud800","type":"string"}]})") << "sem nome";
        QTest::newRow("short row") << packetWithRow(text, "[]") << "tem 0 valores, esperados 1";
        QTest::newRow("long row") << packetWithRow(text, R"(["a","b"])") << "esperados 1";
        QTest::newRow("row not array") << packetWithRow(text, R"({"a":1})") << "não é uma lista";
        QTest::newRow("bad date") << packetWithRow(date, R"(["2026-02-30"])") << "aaaa-mm-dd";
        QTest::newRow("date slashes") << packetWithRow(date, R"(["07/12/2026"])") << "aaaa-mm-dd";
        QTest::newRow("date number") << packetWithRow(date, "[20261207]") << "aaaa-mm-dd";
        QTest::newRow("bad hour") << packetWithRow(dateTime, R"(["2026-12-07T24:00:00"])")
                                  << "hh:mm:ss";
        QTest::newRow("fraction for integer") << packetWithRow(integer, "[1.5]") << "inteiro";
        QTest::newRow("huge integer") << packetWithRow(integer, "[1e300]") << "inteiro";
        // Under a key neither reader knows, so only the fast one's skipping sees it.
        QTest::newRow("number beyond double under an unknown key")
            << QByteArray(R"({"fields":[],"extra":31e308})") << "JSON malformado";
        QTest::newRow("bad status")
            << QByteArray(R"({"fields":[],"changes":[{"status":"gone"}]})") << "situação";
        QTest::newRow("modified without original")
            << QByteArray(R"({"fields":[],"changes":[{"status":"modified","row":[]}]})")
            << "não é uma lista";
    }

    void malformedInputIsRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QString error;
        const auto packet = DataPacket::fromJsonBytes(bytes, &error);
        QVERIFY(!packet.has_value());
        QVERIFY2(error.contains(expected), qPrintable(error));
        QVERIFY(error.startsWith("Pacote de dados inválido"));
    }

    // Bytes are read by a fast reader that hands anything unusual to the general one: both
    // must accept the same packets with the same values.
    void fastAndGeneralReadersAgree_data() {
        QTest::addColumn<QByteArray>("bytes");
        for (const auto& [name, bytes] : readerSamples())
            QTest::newRow(name) << bytes;
    }

    void fastAndGeneralReadersAgree() {
        QFETCH(QByteArray, bytes);
        QString fastError;
        const auto fast = DataPacket::fromJsonBytes(bytes, &fastError);
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
        const auto general = parseError.error == QJsonParseError::NoError && document.isObject()
                                 ? DataPacket::fromJson(document.object())
                                 : std::nullopt;
        QCOMPARE(fast.has_value(), general.has_value());
        if (fast)
            QCOMPARE(*fast, *general);
        else
            QVERIFY(!fastError.isEmpty());
    }

    void writerMatchesTheJsonTree() {
        DataPacket packet = samplePacket();
        packet.rows.append(awkwardRow());
        const QJsonObject written = QJsonDocument::fromJson(packet.toJsonBytes()).object();
        QCOMPARE(written, packet.toJson());
        // A lone surrogate has no UTF-8 form: the replacement character keeps the JSON valid.
        packet.rows = {{QString(QChar(0xd800)), QVariant(), QVariant(), QVariant(), QVariant(),
                        QVariant(), QVariant()}};
        const auto back = DataPacket::fromJsonBytes(packet.toJsonBytes());
        QVERIFY(back.has_value());
        QCOMPARE(back->rows[0][0].toString(), QString(QChar(0xfffd)));
    }

    void limitsAreInclusive() {
        const QByteArray fields = R"([{"name":"A","type":"string","size":3}])";
        QVERIFY(DataPacket::fromJsonBytes(packetWithRow(fields, R"(["ção"])")).has_value());
        QVERIFY(DataPacket::fromJsonBytes(packetWithRow(fields, R"([""])")).has_value());
        const QByteArray dates = R"([{"name":"D","type":"datetime"}])";
        const auto leap = DataPacket::fromJsonBytes(packetWithRow(dates, R"(["2028-02-29"])"));
        QVERIFY(leap.has_value());
        QCOMPARE(leap->rows[0][0].toDateTime(), QDateTime(QDate(2028, 2, 29), QTime(0, 0)));
        const auto noRows = DataPacket::fromJsonBytes(R"({"fields":[]})");
        QVERIFY(noRows.has_value());
        QVERIFY(noRows->rows.isEmpty());
    }

    void fileRoundTrip() {
        QTemporaryDir dir;
        const QString path = dir.filePath("FILPACI.cds");
        QVERIFY(samplePacket().saveToFile(path));
        const auto loaded = DataPacket::loadFromFile(path);
        QVERIFY(loaded.has_value());
        QCOMPARE(*loaded, samplePacket());
        QString error;
        QVERIFY(!DataPacket::loadFromFile(dir.filePath("nada.cds"), &error).has_value());
        QVERIFY(error.contains("Não foi possível ler"));
        QVERIFY(!samplePacket().saveToFile(dir.filePath("sem/pasta.cds"), &error));
        QVERIFY(error.contains("Não foi possível gravar"));
    }

    void dateHelpers() {
        QCOMPARE(formatShortDate(QDate(2026, 12, 7)), QString("07/12/2026"));
        QCOMPARE(parseShortDate(u"07/12/2026"), QDate(2026, 12, 7));
        QVERIFY(!parseShortDate(u"31/02/2026").isValid());
        QVERIFY(!parseIsoDate(u"2026-1-07").isValid());
        QVERIFY(!parseIsoDate(u"0000-01-01").isValid());
        QCOMPARE(parseIsoDateTime(u"2026-12-07 08:05:09"),
                 QDateTime(QDate(2026, 12, 7), QTime(8, 5, 9)));
        QCOMPARE(formatIsoDate(QDate()), QString());
    }

    void wireValuesRoundTrip() {
        const QVariantList values = {QVariant(),
                                     QString("texto ç"),
                                     QString(""),
                                     true,
                                     qint64(42),
                                     1.25,
                                     QDate(2026, 12, 7),
                                     QDateTime(QDate(2026, 12, 7), QTime(13, 45)),
                                     QVariantList{qint64(1), QString("a")},
                                     fromPacket(samplePacket())};
        for (const QVariant& value : values) {
            QString error;
            const auto back = fromWire(toWire(value), &error);
            QVERIFY2(back.has_value(), qPrintable(error));
            QCOMPARE(back->metaType(), value.metaType());
            if (isPacket(value))
                QCOMPARE(toPacket(*back), toPacket(value));
            else
                QCOMPARE(*back, value);
        }
        QCOMPARE(toWire(QDate(2026, 12, 7)).toObject()["date"].toString(), QString("2026-12-07"));
        QVERIFY(toWire(QVariant()).isNull());
    }

    void badWireValuesAreRefused() {
        const char* inputs[] = {
            R"({"date":"2026-13-01"})",  R"({"datetime":"x"})", R"({"packet":[]})",
            R"({"packet":{"rows":[]}})", R"({"x":1})",          R"({"date":"2026-12-07","x":1})"};
        for (const char* input : inputs) {
            QString error;
            const QJsonValue value =
                QJsonDocument::fromJson(QByteArray("[") + input + "]").array().at(0);
            QVERIFY2(!fromWire(value, &error).has_value(), input);
            QVERIFY2(!error.isEmpty(), input);
        }
        QJsonArray nested;
        // Appended, not braced: clang reads QJsonArray{nested} as a copy, not as a wrapper.
        for (int i = 0; i < 100; ++i) {
            QJsonArray outer;
            outer.append(nested);
            nested = outer;
        }
        QString error;
        QVERIFY(!fromWire(nested, &error).has_value());
        QVERIFY(error.contains("aninhadas"));
    }
};

QTEST_GUILESS_MAIN(tst_DataPacket)
#include "tst_datapacket.moc"
