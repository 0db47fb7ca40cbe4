// A packet written cell by cell gives the bytes of the same packet written whole, and travels
// as a call's result exactly as the packet would.

#include "platform/packetstream.h"
#include "platform/wirebytes.h"
#include "platform/wirevalue.h"

#include <QtTest>

using namespace dieta;

class tst_PacketStream : public QObject {
    Q_OBJECT

private:
    static QList<FieldDef> fields() {
        return {{QStringLiteral("NAME"), FieldKind::String, 40},
                {QStringLiteral("WHEN"), FieldKind::DateTime},
                {QStringLiteral("CODE"), FieldKind::String, 4, true, true, true}};
    }

private slots:
    void sameBytesAsTheWholePacket() {
        // Escapes, control characters, letters beyond ASCII and beyond the BMP, bytes that are
        // no UTF-8 (read as QString::fromUtf8 reads them), empty and null cells, dates outside
        // what the packet writes.
        const QByteArray notUtf8("a\xC3(b\xED\xA0\x80z", 8);
        const QList<std::pair<QByteArray, QDateTime>> cells = {
            {QByteArray("plain"), QDateTime(QDate(2026, 12, 7), QTime(0, 0))},
            {QByteArray("quote \" back \\ tab \t nl \n nul") + '\0' + "\x1f end",
             QDateTime(QDate(1, 1, 1), QTime(23, 59, 59))},
            {QStringLiteral("Conceição \U0001F600 \u00ff").toUtf8(),
             QDateTime(QDate(9999, 12, 31), QTime(12, 0))},
            {notUtf8, QDateTime(QDate(10000, 1, 1), QTime(0, 0))},
            {QByteArray(""), QDateTime()},
        };
        DataPacket whole;
        whole.fields = fields();
        PacketStream stream(fields());
        for (const auto& [text, when] : cells) {
            stream.beginRow();
            stream.utf8(text);
            stream.dateTime(when.date(), when.time());
            stream.null();
            stream.endRow();
            const bool written = when.isValid() && when.date().year() <= 9999;
            whole.rows.append(
                Row{QString::fromUtf8(text), written ? QVariant(when) : QVariant(), QVariant()});
        }
        QString lone = QStringLiteral("lone X surrogate");
        lone[5] = QChar(0xD800);
        stream.beginRow();
        stream.text(lone);
        stream.dateTime(QDate(), QTime());
        stream.text(QString());
        stream.endRow();
        whole.rows.append(Row{lone, QVariant(), QString()});
        QCOMPARE(stream.rowCount(), cells.size() + 1);
        QCOMPARE(stream.finish(), whole.toJsonBytes());

        DataPacket empty;
        empty.fields = fields();
        QCOMPARE(PacketStream(fields()).finish(), empty.toJsonBytes());
    }

    // A cell encoded once and repeated gives the bytes of the same cell written each time.
    void preEncodedCellsAsWritten() {
        QString lone = QStringLiteral("X surrogate \" \\");
        lone[0] = QChar(0xDC00);
        const QList<std::pair<QString, QDateTime>> cells = {
            {QStringLiteral("0001"), QDateTime(QDate(2026, 12, 7), QTime(0, 0))},
            {lone, QDateTime(QDate(10000, 1, 1), QTime(0, 0))},
            {QString(), QDateTime()},
        };
        PacketStream written(fields()), repeated(fields());
        for (const auto& [text, when] : cells) {
            const QByteArray textCell = PacketStream::textCell(text);
            const QByteArray whenCell = PacketStream::dateTimeCell(when.date(), when.time());
            for (int i = 0; i < 2; ++i) {
                written.beginRow();
                written.text(text);
                written.dateTime(when.date(), when.time());
                written.null();
                written.endRow();
                repeated.beginRow();
                repeated.cell(textCell);
                repeated.cell(whenCell);
                repeated.null();
                repeated.endRow();
            }
        }
        QCOMPARE(repeated.finish(), written.finish());
    }

    void travelsAsThePacket() {
        DataPacket packet;
        packet.fields = fields();
        packet.rows = {Row{QStringLiteral("Ana"), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)),
                           QStringLiteral("0001")}};
        const QVariant encoded = QVariant::fromValue(EncodedPacket{packet.toJsonBytes()});
        QCOMPARE(toWireBytes(encoded), toWireBytes(fromPacket(packet)));
        QCOMPARE(toWireBytes(QVariantList{encoded, 1}),
                 toWireBytes(QVariantList{fromPacket(packet), 1}));
        QCOMPARE(toWire(encoded), toWire(fromPacket(packet)));
        const std::optional<QVariant> back = fromWireBytes(toWireBytes(encoded));
        QVERIFY(back && isPacket(*back));
        QCOMPARE(toPacket(*back), packet);
    }
};

QTEST_GUILESS_MAIN(tst_PacketStream)
#include "tst_packetstream.moc"
