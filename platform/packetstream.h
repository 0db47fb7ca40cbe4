#pragma once
// A data packet written row by row, cell by cell, straight into its wire bytes: for answers of
// thousands of rows read from the database, which then never exist as QVariant rows. The bytes
// are exactly DataPacket::toJsonBytes of the same packet. The caller writes every row with one
// cell per field, in field order.
//
// EncodedPacket carries such bytes as a remote-call result; the wire writes it as it would the
// packet itself.

#include "platform/datapacket.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QTime>

namespace dieta {

struct EncodedPacket {
    QByteArray json;     // the packet's bytes, {"fields":...,"rows":...}
    qsizetype rows = -1; // how many rows the bytes hold, when the writer counted them
};

class PLATFORM_EXPORT PacketStream {
public:
    explicit PacketStream(const QList<FieldDef>& fields);
    // From the fields' part as header() wrote it: a packet asked for on every call encodes
    // its fields once.
    explicit PacketStream(const QByteArray& header);
    static QByteArray header(const QList<FieldDef>& fields);

    void beginRow();
    void endRow();

    void null();
    void text(const QString& value);
    // UTF-8 text; bytes that are not valid UTF-8 are read as QString::fromUtf8 reads them.
    void utf8(QByteArrayView value);
    // A date-time cell; null when the date is invalid or outside years 1 to 9999.
    void dateTime(QDate date, QTime time);
    // A cell already in its wire form (from textCell or dateTimeCell): a value repeated on
    // every row is encoded once.
    void cell(QByteArrayView encoded);

    static QByteArray textCell(const QString& value);
    static QByteArray dateTimeCell(QDate date, QTime time);

    // Room for this many bytes in all, so that a long packet is not copied as it grows.
    void reserve(qsizetype bytes) { out_.reserve(bytes); }

    qsizetype rowCount() const { return rows_; }
    QByteArray finish();

private:
    void separate();

    QByteArray out_;
    qsizetype rows_ = 0;
    bool firstCell_ = true;
};

} // namespace dieta

Q_DECLARE_METATYPE(dieta::EncodedPacket)
