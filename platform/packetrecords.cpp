#include "platform/packetrecords.h"

#include "platform/edatabaseerror.h"
#include "platform/fieldvalues.h"
#include "platform/tfield.h"

namespace dieta {

std::vector<int> PacketRecords::columnsOf(const std::vector<TField*>& fields,
                                          const DataPacket& packet, const QString& dataSetName) {
    std::vector<int> columnOf;
    for (const TField* field : fields) {
        const int column = packet.fieldIndex(field->FieldName());
        if (column < 0)
            throw EDatabaseError(
                QStringLiteral("Campo '%1' não encontrado no pacote de dados de %2.")
                    .arg(field->FieldName(), dataSetName));
        const FieldKind packetKind = packet.fields[column].kind;
        if (!fieldKindsCompatible(packetKind, field->DataType()))
            throw EDatabaseError(
                QStringLiteral("O campo '%1' é do tipo %2 no pacote de dados; esperado %3.")
                    .arg(field->FieldName(), fieldKindLabel(packetKind),
                         fieldKindLabel(field->DataType())));
        columnOf.push_back(column);
    }
    return columnOf;
}

PacketRecords::PacketRecords(const DataPacket& packet, const std::vector<TField*>& fields,
                             std::vector<int> columnOf)
    : m_packet(packet), m_fields(fields), m_columnOf(std::move(columnOf)),
      m_adapt(fields.size(), false), m_limit(fields.size(), 0) {
    m_identity = packet.fields.size() == qsizetype(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        const TField* field = fields[i];
        const FieldDef& source = packet.fields[m_columnOf[i]];
        m_adapt[i] = source.kind != field->DataType();
        m_identity = m_identity && m_columnOf[i] == int(i) && !m_adapt[i];
        if (field->DataType() == FieldKind::String && field->Size() > 0 &&
            (source.size == 0 || source.size > field->Size()))
            m_limit[i] = field->Size();
    }
}

DataSetRecords PacketRecords::build(qsizetype calcCount, quint64* nextId) const {
    DataSetRecords records;
    records.reserve(size_t(m_packet.rows.size()));
    qint64 order = 0;
    for (qsizetype r = 0; r < m_packet.rows.size(); ++r) {
        const Row& row = m_packet.rows[r];
        if (row.size() != m_packet.fields.size())
            throw EDatabaseError(
                QStringLiteral("Pacote de dados inválido: a linha %1 tem %2 valores, esperados %3.")
                    .arg(r + 1)
                    .arg(row.size())
                    .arg(m_packet.fields.size()));
        auto record = std::make_unique<DataSetRecord>();
        record->id = (*nextId)++;
        record->order = (order += recordOrderGap);
        record->values = m_identity ? row : valuesOf(row); // shared with the packet until written
        checkSizes(record->values);
        record->calc = Row(calcCount);
        records.push_back(std::move(record));
    }
    return records;
}

Row PacketRecords::valuesOf(const Row& row) const {
    Row values;
    values.reserve(qsizetype(m_fields.size()));
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const QVariant& value = row[m_columnOf[i]];
        values.append(m_adapt[i] ? adaptFieldValue(value, m_fields[i]->DataType()) : value);
    }
    return values;
}

void PacketRecords::checkSizes(const Row& values) const {
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const QVariant& value = values[qsizetype(i)];
        if (m_limit[i] > 0 && value.isValid() && value.toString().size() > m_limit[i])
            throw EDatabaseError(
                QStringLiteral("O valor '%1' excede o tamanho do campo %2 (%3 caracteres).")
                    .arg(value.toString(), m_fields[i]->FieldName())
                    .arg(m_limit[i]));
    }
}

} // namespace dieta
