#include "platform/tclientdataset.h"

#include "platform/disposer.h"
#include "platform/locatekey.h"
#include "platform/packetrecords.h"
#include "platform/tdatasource.h"

#include <algorithm>

namespace dieta {

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
    m_index.unbind();
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
    *columnOf = PacketRecords::columnsOf(m_dataFields, packet, objectName());
}

DataSetRecords TClientDataSet::recordsFromPacket(const DataPacket& packet) {
    if (packet.changeLog)
        throw EDatabaseError(QStringLiteral("Um pacote de alterações não pode ser aberto como "
                                            "dados em %1.")
                                 .arg(objectName()));
    std::vector<int> columnOf;
    bindFieldsToPacket(packet, &columnOf);

    const PacketRecords rows(packet, m_dataFields, std::move(columnOf));
    return rows.build(qsizetype(m_calcFields.size()), &m_nextId);
}

void TClientDataSet::openWith(DataSetRecords records) {
    // An index or a switched-on filter on a field the data lacks fails here, closed.
    m_index.bind(*this);
    m_filter.bind(*this, m_filtered);
    m_records = std::move(records);
    m_log.clear();
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
    releaseRecords();
    m_log.clear();
    m_cursor = -1;
    m_bof = m_eof = true;
    setState(dsInactive);
    notifyDataSet();
    fire(AfterClose);
}

// A long list is freed on the disposer's thread: the list that replaces it is then on the
// screen sooner.
void TClientDataSet::releaseRecords() {
    constexpr size_t longList = 256;
    if (m_records.size() >= longList)
        disposeLater(std::move(m_records));
    m_records.clear();
}

void TClientDataSet::SetData(const DataPacket& packet) {
    Close();
    fire(BeforeOpen);
    auto records = recordsFromPacket(packet);
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
    return m_log.delta(m_records, DataFieldDefs(), m_state == dsEdit ? currentRecord() : nullptr,
                       m_backup);
}

int TClientDataSet::ChangeCount() const {
    return m_log.count(m_records);
}

void TClientDataSet::MergeChangeLog() {
    m_log.merge(m_records);
}

void TClientDataSet::CancelUpdates() {
    requireActive();
    Cancel();
    const Bookmark keep = GetBookmark();
    m_view.clear(); // cancel frees the records inserted since the merge
    m_log.cancel(m_records);
    const auto kept = std::find_if(m_records.begin(), m_records.end(),
                                   [keep](const auto& record) { return record->id == keep; });
    rebuildView(kept == m_records.end() ? nullptr : kept->get());
    notifyDataSet();
}

void TClientDataSet::EmptyDataSet() {
    requireActive();
    CheckBrowseMode();
    m_records.clear();
    m_log.clear();
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

void TClientDataSet::rebuildView(Record* keep) {
    const Record* current = keep ? keep : currentRecord();
    const int oldCursor = m_cursor;
    m_view.clear();
    m_view.reserve(m_records.size());
    for (const auto& record : m_records)
        if (matchesFilter(*record))
            m_view.push_back(record.get());
    if (m_index.ordered()) {
        const auto less = [this](const Record* a, const Record* b) { return m_index.less(*a, *b); };
        // Packets mostly arrive in the index's order already (the server sorts them): one pass
        // finds that, where a stable sort compares n log n times for the same order.
        if (!std::is_sorted(m_view.begin(), m_view.end(), less))
            std::stable_sort(m_view.begin(), m_view.end(), less);
    }
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
    const auto before = [this](const Record* a, const Record* b) { return m_index.less(*a, *b); };
    const auto it = std::upper_bound(m_view.begin(), m_view.end(), record, before);
    m_cursor = int(it - m_view.begin());
    m_view.insert(it, record);
}

qint64 TClientDataSet::orderBefore(const Record* before) {
    if (!before)
        return (m_records.empty() ? 0 : m_records.back()->order) + recordOrderGap;
    auto position = [&] {
        return std::lower_bound(m_records.begin(), m_records.end(), before->order,
                                [](const auto& r, qint64 order) { return r->order < order; });
    };
    auto it = position();
    qint64 previous = it == m_records.begin() ? 0 : (*(it - 1))->order;
    if (before->order - previous < 2) {
        qint64 order = 0;
        for (const auto& record : m_records)
            record->order = (order += recordOrderGap);
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
        if (m_logChanges)
            m_log.logInsert(*record);
        insertIntoData(std::move(m_inserted));
    } else if (m_logChanges) {
        m_log.logEdit(*record, m_backup);
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
    if (m_logChanges)
        m_log.logDelete(std::move(owned));
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
    const QStringList names = splitFieldNames(fields);
    if (Active()) {
        CheckBrowseMode();
        m_index.setFields(names, DataSetIndex::resolve(*this, names)); // throws first
        rebuildView(nullptr);
        notifyDataSet();
    } else {
        m_index.setFields(names, {});
    }
    m_index.setName(QString());
}

void TClientDataSet::AddIndex(const QString& name, const QString& fields) {
    m_index.addNamed(name, fields);
}

void TClientDataSet::SetIndexName(const QString& name) {
    if (name.isEmpty()) {
        SetIndexFieldNames(QString());
        return;
    }
    const auto index = m_index.findNamed(name);
    if (!index)
        throw EDatabaseError(
            QStringLiteral("Índice '%1' não encontrado em %2.").arg(name, objectName()));
    SetIndexFieldNames(index->second);
    m_index.setName(index->first);
}

bool TClientDataSet::matchesFilter(const Record& record) const {
    return !m_filtered || m_filter.matches(record.values);
}

void TClientDataSet::applyFilter(const QString& text, bool filtered) {
    DataSetFilter filter(text);
    filter.bind(*this, filtered); // throws before anything changes
    m_filter = std::move(filter);
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
    const LocateKey key(*this, keyFields, keyValues, options);
    fire(BeforeScroll);
    const auto it = std::find_if(m_view.begin(), m_view.end(), [&](const Record* record) {
        return key.matches([&](const TField* field) { return recordValue(*record, field); });
    });
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
void TClientDataSet::notify(const std::function<void()>& signal,
                            const std::function<void(TDataSource*)>& tellSource) {
    if (m_disableCount > 0) {
        m_pendingNotify = true;
        return;
    }
    signal();
    const QList<TDataSource*> sources = m_sources;
    for (TDataSource* source : sources)
        if (m_sources.contains(source)) // a handler may have detached it
            tellSource(source);
}

void TClientDataSet::notifyState() {
    notify([this] { emit stateChanged(); }, [](TDataSource* source) { source->updateState(); });
}

void TClientDataSet::notifyDataSet() {
    notify([this] { emit dataSetChanged(); },
           [](TDataSource* source) { source->datasetChanged(); });
}

void TClientDataSet::notifyRecord(int row) {
    notify([this, row] { emit recordChanged(row); },
           [row](TDataSource* source) { source->datasetRecordChanged(row); });
}

void TClientDataSet::notifyScroll() {
    notify([this] { emit scrolled(); }, [](TDataSource* source) { source->datasetScrolled(); });
}

void TClientDataSet::fire(const DataSetEvent& event) {
    if (event)
        event(this);
}

} // namespace dieta
