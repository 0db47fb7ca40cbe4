#include "server/methods/mainscreen/staydiagnoses.h"

#include "platform/packetstream.h"
#include "platform/wiredate.h"
#include "server/storage/rowcursor.h"

#include <QHash>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace dieta::server {

namespace {

QVariantMap branchSince(const QString& branch, const QDate& since) {
    return {{QStringLiteral("BRANCH"), branch}, {QStringLiteral("SINCE"), since}};
}

// Byte order, which is code-point order for UTF-8 and SQLite's BINARY collation.
int compareBytes(QByteArrayView a, QByteArrayView b) {
    const int common = std::memcmp(a.data(), b.data(), size_t(std::min(a.size(), b.size())));
    if (common != 0)
        return common;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

void appendShortDate(PacketStream& packet, const QDate& day) {
    if (!day.isValid()) {
        packet.text(formatShortDate(day));
        return;
    }
    char text[11];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", day.day(), day.month(), day.year());
    packet.utf8(QByteArrayView(text, 10));
}

bool isoDay(QByteArrayView iso) {
    if (iso.size() < 10 || iso[4] != '-' || iso[7] != '-')
        return false;
    for (const int at : {0, 1, 2, 3, 5, 6, 8, 9})
        if (iso[at] < '0' || iso[at] > '9')
            return false;
    return true;
}

// A stored day ("yyyy-MM-dd...") as "dd/MM/yyyy", shuffled from the cell's own bytes: no QDate,
// no QString per row. Anything else takes the general road.
void appendShortDate(PacketStream& packet, RowCursor& rows, int column) {
    const QByteArrayView iso = rows.isNull(column) ? QByteArrayView() : rows.utf8(column);
    if (isoDay(iso)) {
        const auto number = [&iso](int at, int length) {
            int value = 0;
            for (int i = at; i < at + length; ++i)
                value = value * 10 + (iso[i] - '0');
            return value;
        };
        if (QDate::isValid(number(0, 4), number(5, 2), number(8, 2))) {
            const char text[10] = {iso[8], iso[9], '/',    iso[5], iso[6],
                                   '/',    iso[0], iso[1], iso[2], iso[3]};
            packet.utf8(QByteArrayView(text, 10));
            return;
        }
    }
    appendShortDate(packet, rows.date(column));
}

// Diagnosis names by code, each looked up once per answer: a branch uses few of the codes,
// and an index seek per row cost more than the rest of the row.
class DiagnosisNames {
public:
    explicit DiagnosisNames(const QSqlDatabase& conn) : conn_(conn) {}

    const std::optional<QByteArray>& of(QByteArrayView code) {
        // Looked up over the cell's own bytes; copied only when first met.
        const QByteArray probe = QByteArray::fromRawData(code.data(), code.size());
        auto known = names_.find(probe);
        if (known == names_.end()) {
            const QByteArray key = code.toByteArray();
            known = names_.insert(key, lookUp(key));
        }
        return *known;
    }

private:
    std::optional<QByteArray> lookUp(const QByteArray& code) {
        RowCursor row(conn_,
                      QStringLiteral("SELECT NMDIAGNOST FROM DIAGNOST WHERE CDDIAGNOST = :CODE"),
                      {{QStringLiteral("CODE"), QString::fromUtf8(code)}});
        if (!row.next())
            return std::nullopt; // an unknown code: the stay's row is left out, as a join would
        return row.utf8(0).toByteArray();
    }

    QSqlDatabase conn_;
    QHash<QByteArray, std::optional<QByteArray>> names_;
};

// A stay's patient and admission day as a cursor's current row holds them.
struct StayKey {
    QByteArrayView patient;
    QByteArrayView admission;
};

int compare(const StayKey& a, const StayKey& b) {
    const int patient = compareBytes(a.patient, b.patient);
    return patient != 0 ? patient : compareBytes(a.admission, b.admission);
}

// SQLite: the branch's stays and its diagnoses each walked once along an index in the answer's
// order and merged here. A join probes the diagnoses' index once per stay and the names' twice
// per row, several times the cost of the walks.
void writeFromSqlite(const QSqlDatabase& conn, const QString& branch, const QDate& since,
                     PacketStream& packet) {
    RowCursor stays(conn,
                    QStringLiteral("SELECT CDPACIENTE, DTINTERNA FROM INTERNA WHERE"
                                   " CDFILIAL = :BRANCH AND (DTALTA IS NULL OR DTALTA >= :SINCE)"
                                   " ORDER BY CDPACIENTE, DTINTERNA"),
                    branchSince(branch, since));
    RowCursor diagnoses(conn,
                        QStringLiteral("SELECT CDPACIENTE, DTINTERNA, CDDIAGNOST FROM DIAGINTER"
                                       " WHERE CDFILIAL = :BRANCH"
                                       " ORDER BY CDPACIENTE, DTINTERNA, NRORDDIAG"),
                        {{QStringLiteral("BRANCH"), branch}});
    DiagnosisNames names(conn);
    StayKey stay;
    bool stayLeft = stays.next();
    if (stayLeft)
        stay = {stays.utf8(0), stays.utf8(1)};
    while (stayLeft && diagnoses.next()) {
        const StayKey of{diagnoses.utf8(0), diagnoses.utf8(1)};
        int order = 0;
        while ((order = compare(stay, of)) < 0 && (stayLeft = stays.next()))
            stay = {stays.utf8(0), stays.utf8(1)};
        if (!stayLeft || order != 0)
            continue; // a diagnosis of a stay ended too long ago
        const std::optional<QByteArray>& name = names.of(diagnoses.utf8(2));
        if (!name)
            continue;
        packet.beginRow();
        packet.utf8(of.patient);
        appendShortDate(packet, diagnoses, 1);
        packet.utf8(*name);
        packet.endRow();
    }
}

struct DiagnosisRow {
    QByteArray patient;
    QDate admission;
    int order = 0;
    QByteArray name;
};

// PostgreSQL: one hash join, sorted here. Its own sort in code-point order (the database's
// collation may differ) cost more than the join itself.
void writeFromPostgres(const QSqlDatabase& conn, const QString& branch, const QDate& since,
                       PacketStream& packet) {
    RowCursor rows(conn,
                   QStringLiteral("SELECT DI.CDPACIENTE, DI.DTINTERNA, DI.NRORDDIAG, DG.NMDIAGNOST"
                                  " FROM INTERNA I JOIN DIAGINTER DI ON DI.CDFILIAL = I.CDFILIAL"
                                  " AND DI.CDPACIENTE = I.CDPACIENTE AND DI.DTINTERNA = I.DTINTERNA"
                                  " JOIN DIAGNOST DG ON DG.CDDIAGNOST = DI.CDDIAGNOST"
                                  " WHERE I.CDFILIAL = :BRANCH"
                                  " AND (I.DTALTA IS NULL OR I.DTALTA >= :SINCE)"),
                   branchSince(branch, since));
    std::vector<DiagnosisRow> all;
    while (rows.next())
        all.push_back({rows.utf8(0).toByteArray(), rows.date(1), rows.utf8(2).toInt(),
                       rows.utf8(3).toByteArray()});
    std::sort(all.begin(), all.end(), [](const DiagnosisRow& a, const DiagnosisRow& b) {
        if (const int patient = compareBytes(a.patient, b.patient); patient != 0)
            return patient < 0;
        if (a.admission != b.admission)
            return a.admission < b.admission;
        return a.order < b.order;
    });
    for (const DiagnosisRow& row : all) {
        packet.beginRow();
        packet.utf8(row.patient);
        appendShortDate(packet, row.admission);
        packet.utf8(row.name);
        packet.endRow();
    }
}

} // namespace

void writeStayDiagnoses(const QSqlDatabase& conn, SqlEngine engine, const QString& branch,
                        const QDate& since, PacketStream& packet) {
    if (engine == SqlEngine::PostgreSQL)
        writeFromPostgres(conn, branch, since, packet);
    else
        writeFromSqlite(conn, branch, since, packet);
}

} // namespace dieta::server
