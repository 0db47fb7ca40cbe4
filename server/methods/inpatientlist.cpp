#include "server/methods/inpatientlist.h"

#include "platform/packetstream.h"
#include "platform/sqldatabase.h"
#include "server/methods/methodsupport.h"
#include "server/methods/restrictedstays.h"
#include "server/storage/rowcursor.h"

#include <atomic>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dieta::server {

namespace {

constexpr int listWidth = 4000;

// Positions of the list's fields (inpatientFields() order).
enum Column {
    NMPACIENTE,
    CDPACIENTE,
    DTALTA,
    DTINTERNA,
    CDSERPADDIE,
    CDLEITO,
    NMLEITO,
    NMSERPADDIE,
    DTNASCPACI,
    CDDIETPAD,
    DSDIETPAD,
    CDFILIAL,
    CDSERVFILI,
    DTSERVINTE,
    STPACIACOM,
    DSPRESMEDI,
    IDCHECK,
    NRSEQUSERV,
    IDFORMDIET,
    IDRESTSERIN,
    IDIMPRSERV,
    CDDIETGRUP,
    IDCHECKTODOS,
    DSSERVINTE,
    ColumnCount
};

struct Filters {
    QString branch;
    QDate date;
    QStringList services;
    CodeList floors, wings, diagnoses, standards, patientTypes;
};

QString paramText(const DataPacket& params, QStringView field, int width, const QString& what) {
    return checkedCode(cellText(params, 0, field), width, what);
}

Filters readFilters(const QSqlDatabase& conn, const DataPacket& params) {
    Filters filters;
    filters.branch = paramText(params, u"CDFILIAL", 4, QStringLiteral("Filial"));
    if (filters.branch.isEmpty())
        throw MethodError(QStringLiteral("Filial deve ser informada."));
    const QString service = paramText(params, u"CDSERVFILI", 5, QStringLiteral("Serviço"));
    if (service.isEmpty())
        throw MethodError(QStringLiteral("Serviço deve ser informado."));
    filters.date = cellDate(params, 0, u"DTSERVINTE");
    if (!filters.date.isValid())
        throw MethodError(QStringLiteral("Data deve ser informada."));
    filters.floors = parseCodeList(
        paramText(params, u"CDANDAR", listWidth, QStringLiteral("Andar")), QStringLiteral("Andar"));
    filters.wings = parseCodeList(paramText(params, u"CDALA", listWidth, QStringLiteral("Ala")),
                                  QStringLiteral("Ala"));
    filters.diagnoses =
        parseCodeList(paramText(params, u"CDDIAGNOST", listWidth, QStringLiteral("Diagnóstico")),
                      QStringLiteral("Diagnóstico"));
    filters.standards = parseCodeList(
        paramText(params, u"CDSERPADDIE", listWidth, QStringLiteral("Padrão de internação")),
        QStringLiteral("Padrão de internação"));
    // One type ("3") as the filter sends it, or a list of them.
    const QString type = paramText(params, u"IDTIPOPACI", 5, QStringLiteral("Tipo de paciente"));
    if (type.startsWith(u'_'))
        filters.patientTypes = parseCodeList(type, QStringLiteral("Tipo de paciente"));
    else if (!type.isEmpty() && type != u"T")
        filters.patientTypes = CodeList{false, {type}};
    filters.services = servicesOf(conn, filters.branch, service);
    if (filters.services.isEmpty())
        throw MethodError(QStringLiteral("Serviço não cadastrado."));
    return filters;
}

// Bed order the same on every engine: code-point order of the bed (none before any), the
// patient and the admission; within a stay the patient's records, then the companion's.
QString listOrder(bool postgres) {
    return postgres ? QStringLiteral(" ORDER BY COALESCE(I.CDLEITO, '') COLLATE \"C\","
                                     " I.CDPACIENTE COLLATE \"C\", I.DTINTERNA, S.STPACIACOM,"
                                     " S.NRSEQUSERV")
                    : QStringLiteral(" ORDER BY COALESCE(I.CDLEITO, ''), I.CDPACIENTE, I.DTINTERNA,"
                                     " S.STPACIACOM, S.NRSEQUSERV");
}

QString listQuery(const Filters& filters, bool postgres, QVariantMap& values) {
    values.insert(QStringLiteral("BRANCH"), filters.branch);
    values.insert(QStringLiteral("DAY"), filters.date);
    QString where = inCondition(QStringLiteral("I.CDSERVFILI"), filters.services,
                                QStringLiteral("SERV"), values);
    if (!filters.floors.all)
        where += inCondition(QStringLiteral("L.CDANDAR"), filters.floors.codes,
                             QStringLiteral("FLOOR"), values);
    if (!filters.wings.all)
        where += inCondition(QStringLiteral("L.CDALA"), filters.wings.codes, QStringLiteral("WING"),
                             values);
    if (!filters.standards.all)
        where += inCondition(QStringLiteral("I.CDSERPADDIE"), filters.standards.codes,
                             QStringLiteral("STD"), values);
    if (!filters.patientTypes.all)
        where += inCondition(QStringLiteral("I.IDTIPOPACI"), filters.patientTypes.codes,
                             QStringLiteral("TYPE"), values);
    if (!filters.diagnoses.all)
        where += QStringLiteral(" AND EXISTS (SELECT 1 FROM DIAGINTER DF WHERE DF.CDFILIAL ="
                                " I.CDFILIAL AND DF.CDPACIENTE = I.CDPACIENTE AND DF.DTINTERNA ="
                                " I.DTINTERNA") +
                 inCondition(QStringLiteral("DF.CDDIAGNOST"), filters.diagnoses.codes,
                             QStringLiteral("DIAG"), values) +
                 u')';
    return QStringLiteral(
               "SELECT P.NMPACIENTE, I.CDPACIENTE, I.DTALTA, I.DTINTERNA, I.CDSERPADDIE,"
               " I.CDLEITO, L.NMLEITO, P.DTNASCPACI, S.CDDIETPAD, I.CDSERVFILI, S.STPACIACOM,"
               " S.DSPRESMEDI, S.NRSEQUSERV, S.IDIMPRSERV, S.DSSERVINTE, I.IDACOMPANH"
               " FROM INTERNA I"
               " JOIN PACIENTE P ON P.CDPACIENTE = I.CDPACIENTE"
               " LEFT JOIN LEITO L ON L.CDFILIAL = I.CDFILIAL AND L.CDLEITO = I.CDLEITO"
               " LEFT JOIN SERVINTE S ON S.CDFILIAL = I.CDFILIAL AND S.CDPACIENTE ="
               " I.CDPACIENTE AND S.DTSERVINTE = :DAY"
               " WHERE I.CDFILIAL = :BRANCH AND I.DTINTERNA <= :DAY AND (I.DTALTA IS NULL OR"
               " I.DTALTA >= :DAY)%1%2")
        .arg(where, listOrder(postgres));
}

// The selected columns, by position in listQuery().
enum Selected {
    qNMPACIENTE,
    qCDPACIENTE,
    qDTALTA,
    qDTINTERNA,
    qCDSERPADDIE,
    qCDLEITO,
    qNMLEITO,
    qDTNASCPACI,
    qCDDIETPAD,
    qCDSERVFILI,
    qSTPACIACOM,
    qDSPRESMEDI,
    qNRSEQUSERV,
    qIDIMPRSERV,
    qDSSERVINTE,
    qIDACOMPANH
};

// A code table of a few dozen rows (standards, diets) read once per list and looked up per
// row: joined, it cost every row two index seeks. Holds each code's cells in their wire form.
class CodeCells {
public:
    // `sql` selects the code, then the cells.
    CodeCells(const QSqlDatabase& conn, const QString& sql, int cellCount)
        : nulls_(size_t(cellCount), QByteArray("null")) {
        RowCursor rows(conn, sql, {});
        while (rows.next()) {
            std::vector<QByteArray> cells;
            for (int i = 1; i <= cellCount; ++i)
                cells.push_back(rows.isNull(i) ? QByteArray("null")
                                               : PacketStream::textCell(QString::fromUtf8(
                                                     rows.utf8(i).toByteArray())));
            const QByteArrayView code = rows.utf8(0);
            cells_.emplace(std::string(code.data(), size_t(code.size())), std::move(cells));
        }
    }

    // The code's cells; nulls for a code the table lacks, as a left join gives them.
    const std::vector<QByteArray>& of(RowCursor& cursor, int column) const {
        if (cursor.isNull(column))
            return nulls_;
        const QByteArrayView code = cursor.utf8(column);
        const auto it = cells_.find(std::string_view(code.data(), size_t(code.size())));
        return it == cells_.end() ? nulls_ : it->second;
    }

private:
    std::map<std::string, std::vector<QByteArray>, std::less<>> cells_;
    std::vector<QByteArray> nulls_;
};

struct CodeTables {
    explicit CodeTables(const QSqlDatabase& conn)
        : standards(conn, QStringLiteral("SELECT CDSERPADDIE, NMSERPADDIE FROM PADRAOSERV"), 1),
          diets(conn,
                QStringLiteral("SELECT CDDIETPAD, DSDIETPAD, IDFORMDIET, CDDIETGRUP FROM DIETPADR"),
                3) {}

    CodeCells standards; // NMSERPADDIE by CDSERPADDIE
    CodeCells diets;     // DSDIETPAD, IDFORMDIET, CDDIETGRUP by CDDIETPAD
};

// Writes one row of the list: the stay's part from the current row of the query, then the
// record's part (a record row) or the empty record of a patient who has none yet.
class ListWriter {
public:
    // The cells every row repeats are encoded once.
    ListWriter(RowCursor& cursor, const Filters& filters, const CodeTables& codes)
        : cursor_(cursor), stream_(fieldsPart()), branch_(PacketStream::textCell(filters.branch)),
          day_(PacketStream::dateTimeCell(filters.date, QTime(0, 0))), codes_(codes) {}

    void reserve(qsizetype bytes) { stream_.reserve(bytes); }

    static const QByteArray& fieldsPart() {
        static const QByteArray part = PacketStream::header(inpatientFields());
        return part;
    }

    void emptyPatientRow(bool restricted) {
        stayPart();
        stream_.cell(emptyText);        // CDDIETPAD
        stream_.cell(emptyText);        // DSDIETPAD
        stayTail();                     // CDFILIAL, CDSERVFILI, DTSERVINTE
        stream_.cell("\"0\"");          // STPACIACOM
        stream_.null();                 // DSPRESMEDI
        stream_.cell("\"N\"");          // IDCHECK
        stream_.cell(emptyText);        // NRSEQUSERV
        stream_.null();                 // IDFORMDIET
        stream_.cell(flag(restricted)); // IDRESTSERIN
        stream_.null();                 // IDIMPRSERV
        stream_.null();                 // CDDIETGRUP
        stream_.cell("\"S\"");          // IDCHECKTODOS
        stream_.null();                 // DSSERVINTE
        stream_.endRow();
    }

    // Restrictions are the patient's; a companion's meals are not checked against them.
    void recordRow(bool patient, bool restricted) {
        stayPart();
        const std::vector<QByteArray>& diet = codes_.diets.of(cursor_, qCDDIETPAD);
        text(qCDDIETPAD);
        stream_.cell(diet[0]); // DSDIETPAD
        stayTail();
        text(qSTPACIACOM);
        text(qDSPRESMEDI);
        stream_.cell("\"N\""); // IDCHECK
        text(qNRSEQUSERV);
        stream_.cell(diet[1]); // IDFORMDIET
        stream_.cell(flag(patient && restricted));
        text(qIDIMPRSERV);
        stream_.cell(diet[2]); // CDDIETGRUP
        stream_.cell("\"S\""); // IDCHECKTODOS
        text(qDSSERVINTE);
        stream_.endRow();
    }

    QByteArray finish() { return stream_.finish(); }
    qsizetype rowCount() const { return stream_.rowCount(); }

private:
    void text(int column) { cursor_.appendText(stream_, column); }
    void dateTime(int column) { cursor_.appendDateTime(stream_, column); }

    // NMPACIENTE up to DTNASCPACI.
    void stayPart() {
        stream_.beginRow();
        text(qNMPACIENTE);
        text(qCDPACIENTE);
        dateTime(qDTALTA);
        dateTime(qDTINTERNA);
        text(qCDSERPADDIE);
        text(qCDLEITO);
        text(qNMLEITO);
        stream_.cell(codes_.standards.of(cursor_, qCDSERPADDIE)[0]); // NMSERPADDIE
        dateTime(qDTNASCPACI);
    }

    void stayTail() {
        stream_.cell(branch_);
        text(qCDSERVFILI);
        stream_.cell(day_);
    }

    static constexpr QByteArrayView emptyText = "\"\"";
    static QByteArrayView flag(bool on) { return on ? "\"1\"" : "\"0\""; }

    RowCursor& cursor_;
    PacketStream stream_;
    QByteArray branch_; // CDFILIAL's cell
    QByteArray day_;    // DTSERVINTE's cell
    const CodeTables& codes_;
};

// Tells when the rows move on to the next stay (patient and admission) without building a key
// for every row.
class StayChange {
public:
    bool next(QByteArrayView patient, QByteArrayView admission) {
        if (patient == QByteArrayView(patient_) && admission == QByteArrayView(admission_))
            return false;
        patient_.assign(patient.data(), size_t(patient.size()));
        admission_.assign(admission.data(), size_t(admission.size()));
        return true;
    }

private:
    std::string patient_, admission_;
};

} // namespace

QList<FieldDef> inpatientFields() {
    QList<FieldDef> fields{
        textField(QStringLiteral("NMPACIENTE"), 80),
        textField(QStringLiteral("CDPACIENTE"), 12),
        dateTimeField(QStringLiteral("DTALTA"), true),
        dateTimeField(QStringLiteral("DTINTERNA"), true),
        textField(QStringLiteral("CDSERPADDIE"), 3, true),
        textField(QStringLiteral("CDLEITO"), 12),
        textField(QStringLiteral("NMLEITO"), 40, true),
        textField(QStringLiteral("NMSERPADDIE"), 30),
        dateTimeField(QStringLiteral("DTNASCPACI"), true),
        textField(QStringLiteral("CDDIETPAD"), 4),
        textField(QStringLiteral("DSDIETPAD"), 50),
        textField(QStringLiteral("CDFILIAL"), 4, true),
        textField(QStringLiteral("CDSERVFILI"), 5),
        dateTimeField(QStringLiteral("DTSERVINTE"), true),
        textField(QStringLiteral("STPACIACOM"), 1, true),
        textField(QStringLiteral("DSPRESMEDI"), 40, true),
        textField(QStringLiteral("IDCHECK"), 1, true),
        textField(QStringLiteral("NRSEQUSERV"), 2, true),
        textField(QStringLiteral("IDFORMDIET"), 1, true),
        textField(QStringLiteral("IDRESTSERIN"), 1, true),
        textField(QStringLiteral("IDIMPRSERV"), 1, true),
        textField(QStringLiteral("CDDIETGRUP"), 4, true),
        textField(QStringLiteral("IDCHECKTODOS"), 1, true),
        textField(QStringLiteral("DSSERVINTE"), 255),
    };
    fields[CDSERVFILI].readOnly = true;
    return fields;
}

QByteArray encodeInpatientList(const QSqlDatabase& conn, const DataPacket& params,
                               qsizetype* rowCount) {
    if (rowCount)
        *rowCount = 0;
    if (params.rows.isEmpty())
        return PacketStream(inpatientFields()).finish();
    const Filters filters = readFilters(conn, params);
    QVariantMap values;
    const QString sql = listQuery(filters, conn.driverName() == u"QPSQL", values);
    const CodeTables codes(conn);
    const std::shared_ptr<const RestrictedStays> restrictedStays =
        RestrictedStays::of(conn, filters.branch, filters.date, filters.services);
    RowCursor cursor(conn, sql, values);
    ListWriter writer(cursor, filters, codes);
    // Room for the last list's size and a little more: a list of a thousand beds grew through
    // four copies of itself.
    static std::atomic<qsizetype> lastSize{0};
    writer.reserve(lastSize.load(std::memory_order_relaxed) * 9 / 8);
    StayChange stays;
    bool stayHasPatientRow = false;
    bool restricted = false;
    while (cursor.next()) {
        const QByteArrayView patientCode = cursor.utf8(qCDPACIENTE);
        const QByteArrayView admission = cursor.utf8(qDTINTERNA);
        if (stays.next(patientCode, admission)) {
            stayHasPatientRow = false;
            restricted = restrictedStays->contains({patientCode.data(), size_t(patientCode.size())},
                                                   {admission.data(), size_t(admission.size())});
        }
        const bool noRecord = cursor.isNull(qSTPACIACOM);
        const bool patient = noRecord || cursor.utf8(qSTPACIACOM) == "0";
        const bool companionShown = cursor.utf8(qIDACOMPANH) == "S";
        if (!patient && !stayHasPatientRow) {
            // Only the companion has a record: the patient still gets a row of its own.
            writer.emptyPatientRow(restricted);
            stayHasPatientRow = true;
        }
        if (noRecord)
            writer.emptyPatientRow(restricted);
        else if (patient || companionShown)
            writer.recordRow(patient, restricted);
        stayHasPatientRow = stayHasPatientRow || patient;
    }
    if (rowCount)
        *rowCount = writer.rowCount();
    QByteArray packet = writer.finish();
    lastSize.store(packet.size(), std::memory_order_relaxed);
    return packet;
}

QVariant inpatientListResult(const QSqlDatabase& conn, const DataPacket& params) {
    EncodedPacket list;
    list.json = encodeInpatientList(conn, params, &list.rows);
    return QVariant::fromValue(list);
}

DataPacket buildInpatientList(const QSqlDatabase& conn, const DataPacket& params) {
    QString error;
    std::optional<DataPacket> list =
        DataPacket::fromJsonBytes(encodeInpatientList(conn, params), &error);
    if (!list)
        throw std::logic_error("inpatient list unreadable: " + error.toStdString());
    return std::move(*list);
}

} // namespace dieta::server
