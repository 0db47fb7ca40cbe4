#include "platform/tclientdataset.h"

#include "platform/eabort.h"
#include "platform/tdatasource.h"
#include "platform/wiredate.h"

#include <algorithm>
#include <cmath>

namespace dieta {

// Gaps between data-order keys, so that an insert between two records rarely renumbers.
constexpr qint64 orderGap = qint64(1) << 20;

struct TClientDataSet::Record {
    enum class Log { None, Inserted, Modified };

    quint64 id = 0;   // bookmark
    qint64 order = 0; // data order
    Row values;       // data fields
    Row calc;         // calculated fields
    bool calcValid = false;
    Log log = Log::None;
    Row original; // values at the last merge, for a logged modification or deletion
    quint64 logSeq = 0;
};

// One condition of a filter, with the literal already in the field's terms.
struct TClientDataSet::FilterTerm {
    enum class Op { Eq, Ne, Lt, Gt, Le, Ge, IsNull, NotNull };
    QString fieldName;
    Op op = Op::Eq;
    QString literal;
    bool literalQuoted = false;
    // Resolved when the filter is compiled against the fields:
    const TField* field = nullptr;
    QVariant value;
    bool compareDateOnly = false;
};

// The dataset reads the record being calculated and reports the calculation state.
class TClientDataSet::CalcScope {
public:
    CalcScope(const TClientDataSet* dataSet, const Record* record)
        : m_dataSet(dataSet), m_saved(dataSet->m_readRecord) {
        m_dataSet->m_readRecord = record;
        ++m_dataSet->m_calcDepth;
    }
    ~CalcScope() {
        --m_dataSet->m_calcDepth;
        m_dataSet->m_readRecord = m_saved;
    }
    CalcScope(const CalcScope&) = delete;
    CalcScope& operator=(const CalcScope&) = delete;

private:
    const TClientDataSet* m_dataSet;
    const Record* m_saved;
};

namespace {

QStringList splitNames(const QString& names) {
    QStringList list;
    for (const QString& name : names.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty())
            list.append(trimmed);
    }
    return list;
}

int compareVariants(const QVariant& a, const QVariant& b, FieldKind kind) {
    const bool aNull = !a.isValid();
    const bool bNull = !b.isValid();
    if (aNull || bNull)
        return aNull == bNull ? 0 : (aNull ? -1 : 1);
    switch (kind) {
    case FieldKind::String:
        return a.toString().compare(b.toString());
    case FieldKind::Date: {
        const QDate x = a.toDate(), y = b.toDate();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    case FieldKind::DateTime: {
        const QDateTime x = a.toDateTime(), y = b.toDateTime();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    case FieldKind::Float: {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    case FieldKind::Integer: {
        const qint64 x = a.toLongLong(), y = b.toLongLong();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    case FieldKind::Boolean:
        return int(a.toBool()) - int(b.toBool());
    }
    return 0;
}

bool compatibleKinds(FieldKind from, FieldKind to) {
    if (from == to)
        return true;
    const auto isDate = [](FieldKind k) {
        return k == FieldKind::Date || k == FieldKind::DateTime;
    };
    const auto isNumber = [](FieldKind k) {
        return k == FieldKind::Float || k == FieldKind::Integer;
    };
    return (isDate(from) && isDate(to)) || (isNumber(from) && isNumber(to));
}

// A packet value into a field of a compatible kind (see compatibleKinds).
QVariant adaptValue(const QVariant& value, FieldKind to) {
    if (!value.isValid())
        return value;
    switch (to) {
    case FieldKind::Date:
        return value.toDate();
    case FieldKind::DateTime:
        return value.metaType().id() == QMetaType::QDate ? QDateTime(value.toDate(), QTime(0, 0))
                                                         : value.toDateTime();
    case FieldKind::Float:
        return value.toDouble();
    case FieldKind::Integer:
        return qint64(std::llround(value.toDouble()));
    case FieldKind::String:
    case FieldKind::Boolean:
        break;
    }
    return value;
}

QString kindLabel(FieldKind kind) {
    switch (kind) {
    case FieldKind::String:
        return QStringLiteral("texto");
    case FieldKind::Date:
        return QStringLiteral("data");
    case FieldKind::DateTime:
        return QStringLiteral("data e hora");
    case FieldKind::Float:
        return QStringLiteral("número");
    case FieldKind::Integer:
        return QStringLiteral("número inteiro");
    case FieldKind::Boolean:
        return QStringLiteral("lógico");
    }
    return {};
}

} // namespace

QString QuotedStr(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

// ---------------------------------------------------------------------------------------------
// Construction and fields

TClientDataSet::TClientDataSet(QObject* parent) : QObject(parent) {}

TClientDataSet::~TClientDataSet() {
    const QList<TDataSource*> sources = m_sources;
    for (TDataSource* source : sources)
        source->datasetDestroyed();
}

void TClientDataSet::requireInactive(const char* operation) const {
    if (Active())
        throw EDatabaseError(QStringLiteral("%1: operação não permitida com o conjunto de dados "
                                            "%2 aberto.")
                                 .arg(QString::fromUtf8(operation), objectName()));
}

void TClientDataSet::requireActive() const {
    if (!Active())
        throw EDatabaseError(
            QStringLiteral("O conjunto de dados %1 está fechado.").arg(objectName()));
}

void TClientDataSet::requireFields() const {
    if (m_dataFields.empty())
        throw EDatabaseError(
            QStringLiteral("O conjunto de dados %1 não tem campos definidos.").arg(objectName()));
}

void TClientDataSet::addFieldChecked(std::unique_ptr<TField> field) {
    requireInactive("Criar campo");
    if (field->FieldName().trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("Campo sem nome em %1.").arg(objectName()));
    if (FindField(field->FieldName()))
        throw EDatabaseError(
            QStringLiteral("Campo '%1' repetido em %2.").arg(field->FieldName(), objectName()));
    m_fields.push_back(std::move(field));
    renumberColumns();
}

TField* TClientDataSet::AddField(const FieldDef& def) {
    if (m_fieldsFromPacket) {
        // Fields defined in code replace those a packet brought.
        ClearFields();
    }
    addFieldChecked(std::make_unique<TField>(this, def, TFieldKind::Data));
    return m_fields.back().get();
}

TField* TClientDataSet::AddField(const QString& name, FieldKind type, int size) {
    FieldDef def;
    def.name = name;
    def.kind = type;
    def.size = size;
    return AddField(def);
}

TField* TClientDataSet::AddCalcField(const QString& name, FieldKind type, int size) {
    FieldDef def;
    def.name = name;
    def.kind = type;
    def.size = size;
    addFieldChecked(std::make_unique<TField>(this, def, TFieldKind::Calculated));
    return m_fields.back().get();
}

void TClientDataSet::ClearFields() {
    requireInactive("Remover campos");
    m_fields.clear();
    m_fieldsFromPacket = false;
    renumberColumns();
}

void TClientDataSet::renumberColumns() {
    ++m_fieldsGeneration;
    m_dataFields.clear();
    m_calcFields.clear();
    for (const auto& field : m_fields) {
        auto& list = field->Calculated() ? m_calcFields : m_dataFields;
        field->m_column = int(list.size());
        list.push_back(field.get());
    }
    m_indexFieldPtrs.clear();
}

TField* TClientDataSet::Fields(int index) const {
    if (index < 0 || index >= FieldCount())
        throw EDatabaseError(QStringLiteral("Índice de campo %1 fora dos limites em %2.")
                                 .arg(index)
                                 .arg(objectName()));
    return m_fields[size_t(index)].get();
}

QList<TField*> TClientDataSet::FieldList() const {
    QList<TField*> list;
    list.reserve(qsizetype(m_fields.size()));
    for (const auto& field : m_fields)
        list.append(field.get());
    return list;
}

TField* TClientDataSet::FindField(QStringView name) const {
    for (const auto& field : m_fields)
        if (QStringView(field->FieldName()).compare(name, Qt::CaseInsensitive) == 0)
            return field.get();
    return nullptr;
}

TField* TClientDataSet::FieldByName(QStringView name) const {
    if (TField* field = FindField(name))
        return field;
    throw EDatabaseError(
        QStringLiteral("Campo '%1' não encontrado em %2.").arg(name.toString(), objectName()));
}

QList<FieldDef> TClientDataSet::DataFieldDefs() const {
    QList<FieldDef> defs;
    defs.reserve(qsizetype(m_dataFields.size()));
    for (const TField* field : m_dataFields)
        defs.append(field->Def());
    return defs;
}

// ---------------------------------------------------------------------------------------------
// Opening and data

std::unique_ptr<TClientDataSet::Record> TClientDataSet::newRecord() const {
    auto record = std::make_unique<Record>();
    record->id = const_cast<TClientDataSet*>(this)->m_nextId++;
    record->values = Row(qsizetype(m_dataFields.size()));
    record->calc = Row(qsizetype(m_calcFields.size()));
    return record;
}

void TClientDataSet::bindFieldsToPacket(const DataPacket& packet, std::vector<int>* columnOf) {
    columnOf->clear();
    const bool fieldsInCode = !m_dataFields.empty() && !m_fieldsFromPacket;
    if (!fieldsInCode) {
        // The packet's fields, reusing fields of the same name and kind (their handlers and
        // labels stay); calculated fields defined in code follow.
        std::vector<std::unique_ptr<TField>> old;
        std::vector<std::unique_ptr<TField>> calc;
        for (auto& field : m_fields)
            (field->Calculated() ? calc : old).push_back(std::move(field));
        m_fields.clear();
        for (const FieldDef& def : packet.fields) {
            auto reuse = std::find_if(old.begin(), old.end(), [&](const auto& f) {
                return f && f->FieldName().compare(def.name, Qt::CaseInsensitive) == 0 &&
                       f->DataType() == def.kind;
            });
            if (reuse != old.end()) {
                (*reuse)->m_def = def;
                m_fields.push_back(std::move(*reuse));
            } else {
                m_fields.push_back(std::make_unique<TField>(this, def, TFieldKind::Data));
            }
        }
        for (auto& field : calc) {
            if (packet.fieldIndex(field->FieldName()) >= 0)
                throw EDatabaseError(QStringLiteral("O campo calculado '%1' também está no "
                                                    "pacote de dados.")
                                         .arg(field->FieldName()));
            m_fields.push_back(std::move(field));
        }
        m_fieldsFromPacket = true;
        renumberColumns();
        for (qsizetype i = 0; i < packet.fields.size(); ++i)
            columnOf->push_back(int(i));
        return;
    }
    for (const TField* field : m_dataFields) {
        const int column = packet.fieldIndex(field->FieldName());
        if (column < 0)
            throw EDatabaseError(QStringLiteral("Campo '%1' não encontrado no pacote de dados "
                                                "de %2.")
                                     .arg(field->FieldName(), objectName()));
        const FieldKind packetKind = packet.fields[column].kind;
        if (!compatibleKinds(packetKind, field->DataType()))
            throw EDatabaseError(
                QStringLiteral("O campo '%1' é do tipo %2 no pacote de dados; "
                               "esperado %3.")
                    .arg(field->FieldName(), kindLabel(packetKind), kindLabel(field->DataType())));
        columnOf->push_back(column);
    }
}

std::vector<std::unique_ptr<TClientDataSet::Record>>
TClientDataSet::recordsFromPacket(const DataPacket& packet) {
    if (packet.changeLog)
        throw EDatabaseError(QStringLiteral("Um pacote de alterações não pode ser aberto como "
                                            "dados em %1.")
                                 .arg(objectName()));
    std::vector<int> columnOf;
    bindFieldsToPacket(packet, &columnOf);

    const qsizetype width = qsizetype(m_dataFields.size());
    bool identity = packet.fields.size() == width;
    std::vector<bool> adapt(size_t(width), false);
    std::vector<int> limit(size_t(width), 0);
    for (qsizetype i = 0; i < width; ++i) {
        const TField* field = m_dataFields[size_t(i)];
        const FieldDef& source = packet.fields[columnOf[size_t(i)]];
        identity = identity && columnOf[size_t(i)] == i;
        adapt[size_t(i)] = source.kind != field->DataType();
        identity = identity && !adapt[size_t(i)];
        if (field->DataType() == FieldKind::String && field->Size() > 0 &&
            (source.size == 0 || source.size > field->Size()))
            limit[size_t(i)] = field->Size();
    }

    std::vector<std::unique_ptr<Record>> records;
    records.reserve(size_t(packet.rows.size()));
    qint64 order = 0;
    for (qsizetype r = 0; r < packet.rows.size(); ++r) {
        const Row& row = packet.rows[r];
        if (row.size() != packet.fields.size())
            throw EDatabaseError(QStringLiteral("Pacote de dados inválido: a linha %1 tem %2 "
                                                "valores, esperados %3.")
                                     .arg(r + 1)
                                     .arg(row.size())
                                     .arg(packet.fields.size()));
        auto record = std::make_unique<Record>();
        record->id = m_nextId++;
        record->order = (order += orderGap);
        if (identity) {
            record->values = row; // shared with the packet until written
        } else {
            record->values.reserve(width);
            for (qsizetype i = 0; i < width; ++i) {
                const QVariant& value = row[columnOf[size_t(i)]];
                record->values.append(adapt[size_t(i)]
                                          ? adaptValue(value, m_dataFields[size_t(i)]->DataType())
                                          : value);
            }
        }
        for (qsizetype i = 0; i < width; ++i) {
            if (limit[size_t(i)] > 0 && record->values[i].isValid() &&
                record->values[i].toString().size() > limit[size_t(i)])
                throw EDatabaseError(
                    QStringLiteral("O valor '%1' excede o tamanho do campo %2 "
                                   "(%3 caracteres).")
                        .arg(record->values[i].toString(), m_dataFields[size_t(i)]->FieldName())
                        .arg(limit[size_t(i)]));
        }
        record->calc = Row(qsizetype(m_calcFields.size()));
        records.push_back(std::move(record));
    }
    return records;
}

void TClientDataSet::openWith(std::vector<std::unique_ptr<Record>> records) {
    resolveIndex(m_indexFields); // an index on a field the data lacks fails here, closed
    m_records = std::move(records);
    m_deleted.clear();
    m_inserted.reset();
    m_backup.clear();
    m_modified = false;
    rebuildView(nullptr);
    m_cursor = m_view.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_view.empty();
    try {
        if (m_cursor >= 0)
            ensureCalculated(m_view[0]);
    } catch (...) {
        m_view.clear();
        m_records.clear();
        m_cursor = -1;
        throw;
    }
    setState(dsBrowse);
    notifyDataSet();
    fire(AfterOpen);
    fire(AfterScroll);
}

void TClientDataSet::CreateDataSet() {
    requireFields();
    Close();
    fire(BeforeOpen);
    openWith({});
}

void TClientDataSet::Open() {
    if (!Active())
        CreateDataSet();
}

void TClientDataSet::SetActive(bool active) {
    if (active)
        Open();
    else
        Close();
}

void TClientDataSet::Close() {
    if (!Active())
        return;
    fire(BeforeClose);
    m_inserted.reset();
    m_backup.clear();
    m_modified = false;
    m_view.clear();
    m_records.clear();
    m_deleted.clear();
    m_cursor = -1;
    m_bof = m_eof = true;
    setState(dsInactive);
    notifyDataSet();
    fire(AfterClose);
}

void TClientDataSet::SetData(const DataPacket& packet) {
    Close();
    fire(BeforeOpen);
    auto records = recordsFromPacket(packet);
    compileFilter(m_filtered); // a filter naming a field the data lacks fails here, closed
    openWith(std::move(records));
}

DataPacket TClientDataSet::Data() const {
    DataPacket packet;
    packet.fields = DataFieldDefs();
    packet.rows.reserve(qsizetype(m_records.size()));
    const Record* editing = m_state == dsEdit ? currentRecord() : nullptr;
    for (const auto& record : m_records)
        packet.rows.append(record.get() == editing ? m_backup : record->values);
    return packet;
}

DataPacket TClientDataSet::Delta() const {
    DataPacket packet;
    packet.fields = DataFieldDefs();
    packet.changeLog = true;
    const Record* editing = m_state == dsEdit ? currentRecord() : nullptr;
    std::vector<const Record*> logged;
    for (const auto& record : m_records)
        if (record->log != Record::Log::None)
            logged.push_back(record.get());
    for (const auto& record : m_deleted)
        logged.push_back(record.get());
    std::sort(logged.begin(), logged.end(),
              [](const Record* a, const Record* b) { return a->logSeq < b->logSeq; });
    const auto deleted = [this](const Record* record) {
        return std::any_of(m_deleted.begin(), m_deleted.end(),
                           [record](const auto& d) { return d.get() == record; });
    };
    for (const Record* record : logged) {
        const Row& values = record == editing ? m_backup : record->values;
        Change change;
        if (deleted(record)) {
            change.status = Change::Status::Deleted;
            change.original = record->original;
        } else if (record->log == Record::Log::Inserted) {
            change.status = Change::Status::Inserted;
            change.row = values;
        } else {
            change.status = Change::Status::Modified;
            change.row = values;
            change.original = record->original;
        }
        packet.changes.append(change);
    }
    return packet;
}

int TClientDataSet::ChangeCount() const {
    int count = int(m_deleted.size());
    for (const auto& record : m_records)
        if (record->log != Record::Log::None)
            ++count;
    return count;
}

void TClientDataSet::MergeChangeLog() {
    for (const auto& record : m_records) {
        record->log = Record::Log::None;
        record->original.clear();
    }
    m_deleted.clear();
}

void TClientDataSet::CancelUpdates() {
    requireActive();
    Cancel();
    const quint64 keep = GetBookmark();
    std::vector<std::unique_ptr<Record>> kept;
    for (auto& record : m_records) {
        if (record->log == Record::Log::Inserted)
            continue;
        if (record->log == Record::Log::Modified)
            record->values = record->original;
        record->log = Record::Log::None;
        record->original.clear();
        record->calcValid = false;
        kept.push_back(std::move(record));
    }
    for (auto& record : m_deleted) {
        record->values = record->original;
        record->original.clear();
        record->log = Record::Log::None;
        record->calcValid = false;
        kept.push_back(std::move(record));
    }
    m_deleted.clear();
    std::sort(kept.begin(), kept.end(),
              [](const auto& a, const auto& b) { return a->order < b->order; });
    m_records = std::move(kept);
    Record* keepRecord = nullptr;
    for (const auto& record : m_records)
        if (record->id == keep)
            keepRecord = record.get();
    rebuildView(keepRecord);
    notifyDataSet();
}

void TClientDataSet::EmptyDataSet() {
    requireActive();
    CheckBrowseMode();
    m_records.clear();
    m_deleted.clear();
    m_view.clear();
    m_cursor = -1;
    m_bof = m_eof = true;
    notifyDataSet();
}

void TClientDataSet::SaveToFile(const QString& path) {
    CheckBrowseMode();
    QString error;
    if (!Data().saveToFile(path, &error))
        throw EDatabaseError(error);
}

void TClientDataSet::LoadFromFile(const QString& path) {
    QString error;
    const auto packet = DataPacket::loadFromFile(path, &error);
    if (!packet)
        throw EDatabaseError(error);
    SetData(*packet);
}

// ---------------------------------------------------------------------------------------------
// Records, view, calculated fields

TClientDataSet::Record* TClientDataSet::currentRecord() const {
    return m_cursor >= 0 && m_cursor < int(m_view.size()) ? m_view[size_t(m_cursor)] : nullptr;
}

TClientDataSet::Record* TClientDataSet::activeRecord() const {
    return m_readRecord ? const_cast<Record*>(m_readRecord) : currentRecord();
}

void TClientDataSet::resolveIndex(const QStringList& names) {
    std::vector<TField*> fields;
    for (const QString& name : names) {
        TField* field = FindField(name);
        if (!field || field->Calculated())
            throw EDatabaseError(QStringLiteral("Campo de índice '%1' não encontrado em %2.")
                                     .arg(name, objectName()));
        fields.push_back(field);
    }
    m_indexFieldPtrs = std::move(fields);
}

bool TClientDataSet::lessInIndex(const Record* a, const Record* b) const {
    for (const TField* field : m_indexFieldPtrs) {
        const int c = compareVariants(a->values[field->m_column], b->values[field->m_column],
                                      field->DataType());
        if (c != 0)
            return c < 0;
    }
    return a->order < b->order;
}

void TClientDataSet::rebuildView(Record* keep) {
    const Record* current = keep ? keep : currentRecord();
    const int oldCursor = m_cursor;
    m_view.clear();
    m_view.reserve(m_records.size());
    for (const auto& record : m_records)
        if (matchesFilter(*record))
            m_view.push_back(record.get());
    if (!m_indexFieldPtrs.empty())
        std::stable_sort(m_view.begin(), m_view.end(),
                         [this](const Record* a, const Record* b) { return lessInIndex(a, b); });
    int row = current ? viewIndexOf(current) : -1;
    if (row < 0 && !m_view.empty())
        row = std::clamp(oldCursor, 0, int(m_view.size()) - 1);
    m_cursor = m_view.empty() ? -1 : row;
    if (m_view.empty())
        m_bof = m_eof = true;
}

int TClientDataSet::viewIndexOf(const Record* record) const {
    const auto it = std::find(m_view.begin(), m_view.end(), record);
    return it == m_view.end() ? -1 : int(it - m_view.begin());
}

// A posted record goes where the index and the filter put it; the cursor follows it, or stays
// at its row when the filter hides it.
void TClientDataSet::placeInView(Record* record) {
    const int at = viewIndexOf(record);
    if (at >= 0)
        m_view.erase(m_view.begin() + at);
    if (!matchesFilter(*record)) {
        m_cursor = m_view.empty() ? -1 : std::clamp(at, 0, int(m_view.size()) - 1);
        if (m_view.empty())
            m_bof = m_eof = true;
        return;
    }
    const auto before = [this](const Record* a, const Record* b) {
        return m_indexFieldPtrs.empty() ? a->order < b->order : lessInIndex(a, b);
    };
    const auto it = std::upper_bound(m_view.begin(), m_view.end(), record, before);
    m_cursor = int(it - m_view.begin());
    m_view.insert(it, record);
}

qint64 TClientDataSet::orderBefore(const Record* before) {
    if (!before)
        return (m_records.empty() ? 0 : m_records.back()->order) + orderGap;
    auto position = [&] {
        return std::lower_bound(m_records.begin(), m_records.end(), before->order,
                                [](const auto& r, qint64 order) { return r->order < order; });
    };
    auto it = position();
    qint64 previous = it == m_records.begin() ? 0 : (*(it - 1))->order;
    if (before->order - previous < 2) {
        qint64 order = 0;
        for (const auto& record : m_records)
            record->order = (order += orderGap);
        it = position();
        previous = it == m_records.begin() ? 0 : (*(it - 1))->order;
    }
    return previous + (before->order - previous) / 2;
}

void TClientDataSet::insertIntoData(std::unique_ptr<Record> record) {
    const auto it = std::upper_bound(m_records.begin(), m_records.end(), record->order,
                                     [](qint64 order, const auto& r) { return order < r->order; });
    m_records.insert(it, std::move(record));
}

void TClientDataSet::ensureCalculated(Record* record) const {
    if (!record || record->calcValid || m_calcFields.empty())
        return;
    record->calc = Row(qsizetype(m_calcFields.size()));
    // Valid before the handler runs: a handler reading its own calculated fields sees the
    // values written so far instead of recursing, and a failing one is not retried per read.
    record->calcValid = true;
    if (!OnCalcFields)
        return;
    CalcScope scope(this, record);
    OnCalcFields(const_cast<TClientDataSet*>(this));
}

void TClientDataSet::invalidateCalc(Record* record) const {
    if (record)
        record->calcValid = false;
}

void TClientDataSet::RefreshCalcFields() {
    for (const auto& record : m_records)
        record->calcValid = false;
    if (m_inserted)
        m_inserted->calcValid = false;
    if (!Active())
        return;
    ensureCalculated(currentRecord());
    notifyDataSet();
}

QVariant TClientDataSet::recordValue(const Record& record, const TField* field) const {
    if (field->m_dataSet != this || field->m_column < 0)
        return {};
    if (field->Calculated()) {
        ensureCalculated(const_cast<Record*>(&record));
        return field->m_column < record.calc.size() ? record.calc[field->m_column] : QVariant();
    }
    return field->m_column < record.values.size() ? record.values[field->m_column] : QVariant();
}

QVariant TClientDataSet::fieldValue(const TField* field) const {
    const Record* record = activeRecord();
    return record ? recordValue(*record, field) : QVariant();
}

QVariant TClientDataSet::fieldOldValue(const TField* field) const {
    if (!field->Calculated() && !m_readRecord) {
        if (m_state == dsInsert)
            return {};
        if (m_state == dsEdit && field->m_column < m_backup.size())
            return m_backup[field->m_column];
    }
    return fieldValue(field);
}

QVariant TClientDataSet::RowValue(int row, const TField* field) const {
    if (row < 0 || row >= int(m_view.size()) || !field)
        return {};
    return recordValue(*m_view[size_t(row)], field);
}

void TClientDataSet::WithRow(int row, const std::function<void()>& fn) const {
    if (row < 0 || row >= int(m_view.size()))
        return;
    const Record* saved = m_readRecord;
    m_readRecord = m_view[size_t(row)];
    try {
        fn();
    } catch (...) {
        m_readRecord = saved;
        throw;
    }
    m_readRecord = saved;
}

void TClientDataSet::setFieldValue(TField* field, const QVariant& value) {
    if (field->m_dataSet != this)
        return;
    if (field->Calculated()) {
        Record* record = m_calcDepth > 0                              ? activeRecord()
                         : (m_state == dsEdit || m_state == dsInsert) ? currentRecord()
                                                                      : nullptr;
        if (!record)
            throw EDatabaseError(
                QStringLiteral("O campo calculado %1 só pode ser escrito no cálculo.")
                    .arg(field->FieldName()));
        record->calc[field->m_column] = value;
        return;
    }
    if (m_calcDepth > 0)
        throw EDatabaseError(QStringLiteral("O campo %1 não pode ser alterado durante o cálculo "
                                            "dos campos calculados.")
                                 .arg(field->FieldName()));
    if (m_state != dsEdit && m_state != dsInsert)
        throw EDatabaseError(QStringLiteral("O conjunto de dados %1 não está em modo de edição "
                                            "ou inclusão.")
                                 .arg(objectName()));
    if (m_readRecord && m_readRecord != currentRecord())
        throw EDatabaseError(QStringLiteral("Somente o registro corrente pode ser alterado."));
    if (field->ReadOnly())
        throw EDatabaseError(
            QStringLiteral("O campo %1 não pode ser modificado.").arg(field->DisplayLabel()));
    Record* record = currentRecord();
    record->values[field->m_column] = value;
    m_modified = true;
    invalidateCalc(record);
    notifyRecord(m_cursor);
    if (field->OnChange)
        field->OnChange(field);
}

// ---------------------------------------------------------------------------------------------
// Editing

void TClientDataSet::CheckBrowseMode() {
    requireActive();
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    // A record left without any field written is cancelled, else posted.
    if (m_modified)
        Post();
    else
        Cancel();
}

void TClientDataSet::Edit() {
    requireActive();
    if (m_state == dsEdit || m_state == dsInsert)
        return;
    if (m_view.empty()) {
        Insert();
        return;
    }
    fire(BeforeEdit);
    m_backup = currentRecord()->values;
    m_modified = false;
    setState(dsEdit);
    notifyRecord(m_cursor);
    fire(AfterEdit);
}

void TClientDataSet::beginInsert(bool append) {
    requireActive();
    requireFields();
    CheckBrowseMode();
    fire(BeforeInsert);
    fire(BeforeScroll);
    const Record* before = append ? nullptr : currentRecord();
    const int oldCursor = m_cursor;
    const bool oldBof = m_bof;
    const bool oldEof = m_eof;
    auto record = newRecord();
    record->order = orderBefore(before);
    const int row = append || m_cursor < 0 ? int(m_view.size()) : m_cursor;
    m_view.insert(m_view.begin() + row, record.get());
    m_inserted = std::move(record);
    m_cursor = row;
    m_bof = m_eof = false;
    m_backup.clear();
    m_modified = false;
    setState(dsInsert);
    try {
        fire(OnNewRecord);
    } catch (...) {
        dropInserted();
        m_cursor = oldCursor;
        m_bof = oldBof;
        m_eof = oldEof;
        setState(dsBrowse);
        throw;
    }
    m_modified = false;
    notifyDataSet();
    fire(AfterInsert);
    fire(AfterScroll);
}

void TClientDataSet::Insert() {
    beginInsert(false);
}

void TClientDataSet::Append() {
    beginInsert(true);
}

void TClientDataSet::dropInserted() {
    const int at = viewIndexOf(m_inserted.get());
    if (at >= 0)
        m_view.erase(m_view.begin() + at);
    m_inserted.reset();
    m_cursor = m_view.empty() ? -1 : std::clamp(at, 0, int(m_view.size()) - 1);
    if (m_view.empty())
        m_bof = m_eof = true;
}

void TClientDataSet::checkRequired() const {
    const Record* record = currentRecord();
    for (const TField* field : m_dataFields)
        if (field->Required() && !record->values[field->m_column].isValid())
            throw EDatabaseError(
                QStringLiteral("O campo %1 deve ser informado.").arg(field->DisplayLabel()));
}

void TClientDataSet::Post() {
    requireActive();
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    fire(BeforePost);
    checkRequired();
    Record* record = currentRecord();
    const int oldRow = m_cursor;
    if (m_state == dsInsert) {
        record->log = Record::Log::None;
        if (m_logChanges) {
            record->log = Record::Log::Inserted;
            record->logSeq = m_nextLogSeq++;
        }
        insertIntoData(std::move(m_inserted));
    } else if (m_logChanges && record->log == Record::Log::None && record->values != m_backup) {
        record->log = Record::Log::Modified;
        record->original = m_backup;
        record->logSeq = m_nextLogSeq++;
    }
    m_backup.clear();
    m_modified = false;
    invalidateCalc(record);
    placeInView(record);
    ensureCalculated(currentRecord());
    setState(dsBrowse);
    if (m_cursor == oldRow && currentRecord() == record)
        notifyRecord(m_cursor);
    else
        notifyDataSet();
    fire(AfterPost);
}

void TClientDataSet::Cancel() {
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    fire(BeforeCancel);
    if (m_state == dsInsert) {
        fire(BeforeScroll);
        dropInserted();
        m_modified = false;
        ensureCalculated(currentRecord());
        setState(dsBrowse);
        notifyDataSet();
        fire(AfterCancel);
        fire(AfterScroll);
        return;
    }
    Record* record = currentRecord();
    record->values = m_backup;
    m_backup.clear();
    m_modified = false;
    invalidateCalc(record);
    ensureCalculated(record);
    setState(dsBrowse);
    notifyRecord(m_cursor);
    fire(AfterCancel);
}

void TClientDataSet::Delete() {
    requireActive();
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (m_view.empty())
        throw EDatabaseError(QStringLiteral("Não é possível excluir: o conjunto de dados %1 está "
                                            "vazio.")
                                 .arg(objectName()));
    fire(BeforeDelete);
    fire(BeforeScroll);
    Record* record = currentRecord();
    if (m_state == dsEdit)
        record->values = m_backup;
    m_backup.clear();
    m_modified = false;
    const int row = m_cursor;
    m_view.erase(m_view.begin() + row);
    const auto it = std::find_if(m_records.begin(), m_records.end(),
                                 [record](const auto& r) { return r.get() == record; });
    std::unique_ptr<Record> owned = std::move(*it);
    m_records.erase(it);
    if (m_logChanges && owned->log != Record::Log::Inserted) {
        if (owned->log == Record::Log::None)
            owned->original = owned->values;
        owned->logSeq = m_nextLogSeq++;
        owned->log = Record::Log::None;
        m_deleted.push_back(std::move(owned));
    }
    m_cursor = m_view.empty() ? -1 : std::min(row, int(m_view.size()) - 1);
    if (m_view.empty())
        m_bof = m_eof = true;
    ensureCalculated(currentRecord());
    setState(dsBrowse);
    notifyDataSet();
    fire(AfterDelete);
    fire(AfterScroll);
}

// ---------------------------------------------------------------------------------------------
// Cursor

void TClientDataSet::setCursor(int row) {
    m_cursor = row;
    ensureCalculated(currentRecord());
}

void TClientDataSet::First() {
    requireActive();
    CheckBrowseMode();
    fire(BeforeScroll);
    setCursor(m_view.empty() ? -1 : 0);
    m_bof = true;
    m_eof = m_view.empty();
    notifyScroll();
    fire(AfterScroll);
}

void TClientDataSet::Last() {
    requireActive();
    CheckBrowseMode();
    fire(BeforeScroll);
    setCursor(int(m_view.size()) - 1);
    m_eof = true;
    m_bof = m_view.empty();
    notifyScroll();
    fire(AfterScroll);
}

int TClientDataSet::MoveBy(int distance) {
    requireActive();
    CheckBrowseMode();
    if (distance == 0)
        return 0;
    fire(BeforeScroll);
    if ((distance > 0 && m_eof) || (distance < 0 && m_bof))
        return 0;
    const int last = int(m_view.size()) - 1;
    const qint64 wanted = qint64(m_cursor) + distance;
    const int target = int(std::clamp<qint64>(wanted, 0, std::max(last, 0)));
    const int moved = m_view.empty() ? 0 : target - m_cursor;
    m_bof = m_view.empty() || wanted < 0;
    m_eof = m_view.empty() || wanted > last;
    if (!m_view.empty())
        setCursor(target);
    notifyScroll();
    fire(AfterScroll);
    return moved;
}

int TClientDataSet::RecNo() const {
    return m_state == dsInactive || m_cursor < 0 ? 0 : m_cursor + 1;
}

void TClientDataSet::SetRecNo(int recNo) {
    requireActive();
    CheckBrowseMode();
    if (m_view.empty() || recNo == RecNo())
        return;
    fire(BeforeScroll);
    setCursor(std::clamp(recNo, 1, int(m_view.size())) - 1);
    m_bof = m_eof = false;
    notifyScroll();
    fire(AfterScroll);
}

int TClientDataSet::RecordCount() const {
    if (!Active())
        return 0;
    return int(m_view.size()) - (m_inserted ? 1 : 0);
}

TClientDataSet::Bookmark TClientDataSet::GetBookmark() const {
    const Record* record = currentRecord();
    return record && record != m_inserted.get() ? record->id : 0;
}

bool TClientDataSet::BookmarkValid(Bookmark bookmark) const {
    return bookmark != 0 && std::any_of(m_view.begin(), m_view.end(),
                                        [bookmark](const Record* r) { return r->id == bookmark; });
}

void TClientDataSet::GotoBookmark(Bookmark bookmark) {
    requireActive();
    CheckBrowseMode();
    const auto it = std::find_if(m_view.begin(), m_view.end(),
                                 [bookmark](const Record* r) { return r->id == bookmark; });
    if (bookmark == 0 || it == m_view.end())
        throw EDatabaseError(QStringLiteral("Registro não encontrado em %1.").arg(objectName()));
    fire(BeforeScroll);
    setCursor(int(it - m_view.begin()));
    m_bof = m_eof = false;
    notifyScroll();
    fire(AfterScroll);
}

// ---------------------------------------------------------------------------------------------
// Index, filter, locate

void TClientDataSet::SetIndexFieldNames(const QString& fields) {
    const QStringList names = splitNames(fields);
    if (Active()) {
        CheckBrowseMode();
        resolveIndex(names); // throws before anything changes
        m_indexFields = names;
        rebuildView(nullptr);
        notifyDataSet();
    } else {
        m_indexFields = names;
    }
    m_indexName.clear();
}

void TClientDataSet::AddIndex(const QString& name, const QString& fields) {
    for (auto& index : m_namedIndexes)
        if (index.first.compare(name, Qt::CaseInsensitive) == 0) {
            index.second = fields;
            return;
        }
    m_namedIndexes.append({name, fields});
}

void TClientDataSet::SetIndexName(const QString& name) {
    if (name.isEmpty()) {
        SetIndexFieldNames(QString());
        return;
    }
    for (const auto& index : m_namedIndexes)
        if (index.first.compare(name, Qt::CaseInsensitive) == 0) {
            SetIndexFieldNames(index.second);
            m_indexName = index.first;
            return;
        }
    throw EDatabaseError(
        QStringLiteral("Índice '%1' não encontrado em %2.").arg(name, objectName()));
}

namespace {

struct FilterToken {
    enum class Kind { Word, Text, Number, Op, Open, Close };
    Kind kind;
    QString text;
};

[[noreturn]] void badFilter(const QString& filter, const QString& why) {
    throw EDatabaseError(QStringLiteral("Filtro inválido (%1): %2").arg(why, filter));
}

std::vector<FilterToken> tokenizeFilter(const QString& filter) {
    std::vector<FilterToken> tokens;
    qsizetype i = 0;
    const qsizetype n = filter.size();
    while (i < n) {
        const QChar c = filter[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'\'') {
            QString text;
            ++i;
            bool closed = false;
            while (i < n) {
                if (filter[i] == u'\'') {
                    if (i + 1 < n && filter[i + 1] == u'\'') {
                        text += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                text += filter[i++];
            }
            if (!closed)
                badFilter(filter, QStringLiteral("aspas sem fechamento"));
            tokens.push_back({FilterToken::Kind::Text, text});
        } else if (c.isLetter() || c == u'_' || c == u'[') {
            qsizetype start = i;
            if (c == u'[') {
                const qsizetype end = filter.indexOf(u']', i);
                if (end < 0)
                    badFilter(filter, QStringLiteral("colchete sem fechamento"));
                tokens.push_back({FilterToken::Kind::Word, filter.mid(i + 1, end - i - 1)});
                i = end + 1;
                continue;
            }
            while (i < n && (filter[i].isLetterOrNumber() || filter[i] == u'_'))
                ++i;
            tokens.push_back({FilterToken::Kind::Word, filter.mid(start, i - start)});
        } else if (c.isDigit() ||
                   ((c == u'-' || c == u'.') && i + 1 < n && filter[i + 1].isDigit())) {
            qsizetype start = i++;
            while (i < n && (filter[i].isDigit() || filter[i] == u'.'))
                ++i;
            tokens.push_back({FilterToken::Kind::Number, filter.mid(start, i - start)});
        } else if (c == u'(' || c == u')') {
            tokens.push_back({c == u'(' ? FilterToken::Kind::Open : FilterToken::Kind::Close, c});
            ++i;
        } else if (c == u'=' || c == u'<' || c == u'>') {
            QString op = c;
            ++i;
            if (i < n && (filter[i] == u'=' || (c == u'<' && filter[i] == u'>'))) {
                op += filter[i];
                ++i;
            }
            tokens.push_back({FilterToken::Kind::Op, op});
        } else {
            badFilter(filter, QStringLiteral("caractere inesperado '%1'").arg(c));
        }
    }
    return tokens;
}

bool isWord(const FilterToken& token, QStringView word) {
    return token.kind == FilterToken::Kind::Word &&
           QStringView(token.text).compare(word, Qt::CaseInsensitive) == 0;
}

} // namespace

std::vector<TClientDataSet::FilterTerm> TClientDataSet::parseFilter(const QString& filter) {
    std::vector<FilterTerm> terms;
    const std::vector<FilterToken> tokens = tokenizeFilter(filter);
    size_t i = 0;
    const auto at = [&](size_t k) -> const FilterToken* {
        return k < tokens.size() ? &tokens[k] : nullptr;
    };
    while (i < tokens.size()) {
        int parens = 0;
        while (at(i) && at(i)->kind == FilterToken::Kind::Open) {
            ++parens;
            ++i;
        }
        const FilterToken* name = at(i);
        if (!name || name->kind != FilterToken::Kind::Word || isWord(*name, u"AND"))
            badFilter(filter, QStringLiteral("nome de campo esperado"));
        FilterTerm term;
        term.fieldName = name->text;
        ++i;
        if (at(i) && isWord(*at(i), u"IS")) {
            ++i;
            term.op = FilterTerm::Op::IsNull;
            if (at(i) && isWord(*at(i), u"NOT")) {
                term.op = FilterTerm::Op::NotNull;
                ++i;
            }
            if (!at(i) || !isWord(*at(i), u"NULL"))
                badFilter(filter, QStringLiteral("NULL esperado"));
            ++i;
        } else {
            const FilterToken* op = at(i);
            if (!op || op->kind != FilterToken::Kind::Op)
                badFilter(filter, QStringLiteral("operador esperado"));
            static const QList<QPair<QString, FilterTerm::Op>> ops = {
                {"=", FilterTerm::Op::Eq}, {"<>", FilterTerm::Op::Ne}, {"<", FilterTerm::Op::Lt},
                {">", FilterTerm::Op::Gt}, {"<=", FilterTerm::Op::Le}, {">=", FilterTerm::Op::Ge}};
            for (const auto& entry : ops)
                if (entry.first == op->text)
                    term.op = entry.second;
            if (op->text == u">>" || op->text == u"==" || op->text == u"=>" || op->text == u"=<")
                badFilter(filter, QStringLiteral("operador desconhecido"));
            ++i;
            const FilterToken* literal = at(i);
            if (!literal || (literal->kind != FilterToken::Kind::Text &&
                             literal->kind != FilterToken::Kind::Number))
                badFilter(filter, QStringLiteral("valor esperado"));
            term.literal = literal->text;
            term.literalQuoted = literal->kind == FilterToken::Kind::Text;
            ++i;
        }
        while (parens > 0 && at(i) && at(i)->kind == FilterToken::Kind::Close) {
            --parens;
            ++i;
        }
        if (parens != 0)
            badFilter(filter, QStringLiteral("parênteses desbalanceados"));
        terms.push_back(std::move(term));
        if (i == tokens.size())
            break;
        if (!isWord(tokens[i], u"AND"))
            badFilter(filter, isWord(tokens[i], u"OR") ? QStringLiteral("OR não é suportado")
                                                       : QStringLiteral("AND esperado"));
        ++i;
        if (i == tokens.size())
            badFilter(filter, QStringLiteral("condição esperada após AND"));
    }
    return terms;
}

// Resolves the terms against the current fields: a field the dataset lacks or a literal of the
// wrong kind is reported now, not as a silently empty view.
void TClientDataSet::compileFilter(bool strict) {
    for (FilterTerm& term : m_filterTerms) {
        term.field = nullptr;
        term.value = QVariant();
        term.compareDateOnly = false;
        if (m_fields.empty())
            continue;
        const TField* field = FindField(term.fieldName);
        if ((!field || field->Calculated()) && !strict)
            continue;
        if (!field || field->Calculated())
            throw EDatabaseError(QStringLiteral("Filtro inválido: campo '%1' não encontrado em "
                                                "%2.")
                                     .arg(term.fieldName, objectName()));
        term.field = field;
        if (term.op == FilterTerm::Op::IsNull || term.op == FilterTerm::Op::NotNull)
            continue;
        const FieldKind kind = field->DataType();
        if (kind == FieldKind::String) {
            term.value = term.literal;
            continue;
        }
        try {
            term.value = field->convert(term.literal);
        } catch (const EDatabaseError&) {
            if (!strict) {
                term.field = nullptr;
                continue;
            }
            throw EDatabaseError(QStringLiteral("Filtro inválido: '%1' não serve para o campo "
                                                "%2.")
                                     .arg(term.literal, field->FieldName()));
        }
        if (!term.value.isValid() && !strict) {
            term.field = nullptr;
            continue;
        }
        if (!term.value.isValid())
            throw EDatabaseError(QStringLiteral("Filtro inválido: valor vazio para o campo %1.")
                                     .arg(field->FieldName()));
        // A date without time matches the whole day (the short date the operator sees).
        term.compareDateOnly = kind == FieldKind::DateTime && term.literal.trimmed().size() <= 10;
    }
}

bool TClientDataSet::matchesFilter(const Record& record) const {
    if (!m_filtered)
        return true;
    for (const FilterTerm& term : m_filterTerms) {
        if (!term.field)
            return false;
        const QVariant& value = record.values[term.field->m_column];
        const FieldKind kind = term.field->DataType();
        int c = 0;
        switch (term.op) {
        case FilterTerm::Op::IsNull:
            if (value.isValid() && !(kind == FieldKind::String && value.toString().isEmpty()))
                return false;
            continue;
        case FilterTerm::Op::NotNull:
            if (!value.isValid() || (kind == FieldKind::String && value.toString().isEmpty()))
                return false;
            continue;
        default:
            break;
        }
        if (kind == FieldKind::String) {
            c = (value.isValid() ? value.toString() : QString()).compare(term.value.toString());
        } else {
            if (!value.isValid())
                return false;
            if (term.compareDateOnly) {
                const QDate x = value.toDateTime().date(), y = term.value.toDateTime().date();
                c = x < y ? -1 : (y < x ? 1 : 0);
            } else {
                c = compareVariants(value, term.value, kind);
            }
        }
        bool ok = false;
        switch (term.op) {
        case FilterTerm::Op::Eq:
            ok = c == 0;
            break;
        case FilterTerm::Op::Ne:
            ok = c != 0;
            break;
        case FilterTerm::Op::Lt:
            ok = c < 0;
            break;
        case FilterTerm::Op::Gt:
            ok = c > 0;
            break;
        case FilterTerm::Op::Le:
            ok = c <= 0;
            break;
        case FilterTerm::Op::Ge:
            ok = c >= 0;
            break;
        case FilterTerm::Op::IsNull:
        case FilterTerm::Op::NotNull:
            break;
        }
        if (!ok)
            return false;
    }
    return true;
}

void TClientDataSet::applyFilter(const QString& text, bool filtered) {
    std::vector<FilterTerm> terms = parseFilter(text);
    std::swap(m_filterTerms, terms);
    try {
        compileFilter(filtered);
    } catch (...) {
        std::swap(m_filterTerms, terms);
        throw;
    }
    m_filterText = text;
    m_filtered = filtered;
    if (!Active())
        return;
    rebuildView(nullptr);
    notifyDataSet();
    First();
}

void TClientDataSet::SetFilter(const QString& filter) {
    if (filter == m_filterText)
        return;
    if (Active() && m_filtered)
        CheckBrowseMode();
    applyFilter(filter, m_filtered);
}

void TClientDataSet::SetFiltered(bool filtered) {
    if (filtered == m_filtered)
        return;
    if (Active())
        CheckBrowseMode();
    applyFilter(m_filterText, filtered);
}

bool TClientDataSet::Locate(const QString& keyFields, const QVariant& keyValues,
                            TLocateOptions options) {
    requireActive();
    CheckBrowseMode();
    const QStringList names = splitNames(keyFields);
    if (names.isEmpty())
        throw EDatabaseError(QStringLiteral("Locate sem campos em %1.").arg(objectName()));
    QVariantList values;
    if (keyValues.metaType().id() == QMetaType::QVariantList)
        values = keyValues.toList();
    else if (keyValues.metaType().id() == QMetaType::QStringList)
        for (const QString& text : keyValues.toStringList())
            values.append(text);
    else
        values.append(keyValues);
    if (values.size() != names.size())
        throw EDatabaseError(QStringLiteral("Locate em %1: %2 campos e %3 valores.")
                                 .arg(objectName())
                                 .arg(names.size())
                                 .arg(values.size()));
    std::vector<const TField*> fields;
    std::vector<QVariant> keys;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const TField* field = FieldByName(names[i]);
        fields.push_back(field);
        if (field->DataType() == FieldKind::String) {
            keys.push_back(values[i].isValid() ? QVariant(values[i].toString()) : QVariant());
            continue;
        }
        try {
            keys.push_back(field->convert(values[i]));
        } catch (const EDatabaseError&) {
            fire(BeforeScroll);
            return false; // a value that cannot be in the field matches nothing
        }
    }
    const Qt::CaseSensitivity cs =
        (options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const auto matches = [&](const Record* record) {
        for (size_t k = 0; k < fields.size(); ++k) {
            const QVariant value = recordValue(*record, fields[k]);
            if (fields[k]->DataType() == FieldKind::String) {
                const QString text = value.toString();
                const QString key = keys[k].toString();
                const bool ok = (options & loPartialKey) ? text.startsWith(key, cs)
                                                         : text.compare(key, cs) == 0;
                if (!ok)
                    return false;
            } else if (compareVariants(value, keys[k], fields[k]->DataType()) != 0) {
                return false;
            }
        }
        return true;
    };
    fire(BeforeScroll);
    const auto it = std::find_if(m_view.begin(), m_view.end(), matches);
    if (it == m_view.end())
        return false;
    setCursor(int(it - m_view.begin()));
    m_bof = m_eof = false;
    notifyScroll();
    fire(AfterScroll);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Controls and notifications

void TClientDataSet::DisableControls() {
    ++m_disableCount;
}

void TClientDataSet::EnableControls() {
    if (m_disableCount == 0)
        return;
    if (--m_disableCount > 0)
        return;
    const bool pending = m_pendingNotify;
    m_pendingNotify = false;
    notifyState();
    if (pending)
        notifyDataSet();
}

void TClientDataSet::attachSource(TDataSource* source) {
    if (!m_sources.contains(source))
        m_sources.append(source);
}

void TClientDataSet::detachSource(TDataSource* source) {
    m_sources.removeAll(source);
}

void TClientDataSet::setState(TDataSetState state) {
    if (m_state == state)
        return;
    m_state = state;
    notifyState();
}

// Qt signals first (their receivers never throw), then the sources, whose handlers may.
void TClientDataSet::notifyState() {
    if (m_disableCount > 0) {
        m_pendingNotify = true;
        return;
    }
    emit stateChanged();
    const QList<TDataSource*> sources = m_sources;
    for (TDataSource* source : sources)
        if (m_sources.contains(source))
            source->updateState();
}

void TClientDataSet::notifyDataSet() {
    if (m_disableCount > 0) {
        m_pendingNotify = true;
        return;
    }
    emit dataSetChanged();
    const QList<TDataSource*> sources = m_sources;
    for (TDataSource* source : sources)
        if (m_sources.contains(source))
            source->datasetChanged();
}

void TClientDataSet::notifyRecord(int row) {
    if (m_disableCount > 0) {
        m_pendingNotify = true;
        return;
    }
    emit recordChanged(row);
    const QList<TDataSource*> sources = m_sources;
    for (TDataSource* source : sources)
        if (m_sources.contains(source))
            source->datasetRecordChanged(row);
}

void TClientDataSet::notifyScroll() {
    if (m_disableCount > 0) {
        m_pendingNotify = true;
        return;
    }
    emit scrolled();
    const QList<TDataSource*> sources = m_sources;
    for (TDataSource* source : sources)
        if (m_sources.contains(source))
            source->datasetScrolled();
}

void TClientDataSet::fire(const DataSetEvent& event) {
    if (event)
        event(this);
}

} // namespace dieta
