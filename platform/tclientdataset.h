#pragma once
// In-memory dataset over data packets: fields, a cursor with edit states, a change log,
// indexes, filters and locate, with the event order that handler code relies on.
//
// Events are std::function members, named as handlers name them (BeforePost, AfterScroll...).
// A dieta::EAbort (or any exception) thrown in a Before event cancels the operation, leaves
// the dataset as it was and propagates to the caller. Leaving a record in edit posts it (a
// record left without any field written is cancelled instead);
// Close never posts.
//
// Notifications: data sources are told directly (state, scroll, record and dataset changes);
// none of them reach a source or a model while controls are disabled. Event handlers run
// regardless.
//
// The class is the facade; its parts live in their own units: the filter language
// (filterparser.h) and the bound filter (datasetfilter.h), the change log (changelog.h), the
// view's order (datasetindex.h), Locate's key (locatekey.h) and packet loading
// (packetrecords.h).

#include "platform/changelog.h"
#include "platform/datapacket.h"
#include "platform/datasetfilter.h"
#include "platform/datasetindex.h"
#include "platform/datasetrecord.h"
#include "platform/edatabaseerror.h"
#include "platform/platform_export.h"
#include "platform/tfield.h"

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace dieta {

class TDataSource;

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsCalcFields };

enum TLocateOption { loCaseInsensitive = 0x1, loPartialKey = 0x2 };
using TLocateOptions = int;

// 'O''Brien' for O'Brien: a value that can go inside a filter text.
PLATFORM_EXPORT QString QuotedStr(const QString& text);

class PLATFORM_EXPORT TClientDataSet : public QObject {
    Q_OBJECT

public:
    using DataSetEvent = std::function<void(TClientDataSet* dataSet)>;
    using Bookmark = quint64; // 0: none

    explicit TClientDataSet(QObject* parent = nullptr);
    ~TClientDataSet() override;

    // --- Fields. Defined in code (only while inactive) or taken from the packet.
    // With data fields defined in code, SetData maps the packet onto them by name (each must
    // be in the packet); with none, the packet's fields are created, calculated fields added
    // in code following them.
    TField* AddField(const FieldDef& def);
    TField* AddField(const QString& name, FieldKind type, int size = 0);
    TField* AddCalcField(const QString& name, FieldKind type, int size = 0);
    void ClearFields();
    int FieldCount() const { return int(m_fields.size()); }
    TField* Fields(int index) const;
    QList<TField*> FieldList() const;
    TField* FieldByName(QStringView name) const; // case-insensitive; EDatabaseError if absent
    TField* FindField(QStringView name) const;   // nullptr if absent
    QList<FieldDef> DataFieldDefs() const;
    // Changes whenever fields are added, removed or replaced: a holder of TField pointers
    // (a model between two resets) checks it before using them.
    quint64 FieldsGeneration() const { return m_fieldsGeneration; }

    // --- Opening and data.
    void CreateDataSet(); // opens empty with the defined fields
    void Open();          // as CreateDataSet: closing drops the records
    void Close();         // discards a pending edit without posting
    bool Active() const { return m_state != dsInactive; }
    void SetActive(bool active);
    void SetData(const DataPacket& packet); // closes, loads, opens; a change log is refused
    DataPacket Data() const;                // all records, unfiltered, in data order
    DataPacket Delta() const;               // the change log since the last merge
    int ChangeCount() const;
    void MergeChangeLog();
    void CancelUpdates(); // back to the data of the last merge
    bool LogChanges() const { return m_logChanges; }
    void SetLogChanges(bool log) { m_logChanges = log; }
    void EmptyDataSet();                    // removes every record and the change log
    void SaveToFile(const QString& path);   // the packet format; EDatabaseError on failure
    void LoadFromFile(const QString& path); // as SetData

    // --- States and editing.
    TDataSetState State() const { return m_calcDepth > 0 ? dsCalcFields : m_state; }
    bool Modified() const { return m_modified; }
    void Edit();
    void Insert(); // before the current record (at its place in the index when posted)
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode(); // posts a pending edit (cancels it when nothing was written)

    // --- Cursor. RecNo counts from 1; 0 when empty.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    int RecNo() const;
    void SetRecNo(int recNo);
    int RecordCount() const; // visible posted records
    bool IsEmpty() const { return RecordCount() == 0; }
    Bookmark GetBookmark() const;
    bool BookmarkValid(Bookmark bookmark) const;
    void GotoBookmark(Bookmark bookmark); // EDatabaseError when the record is gone

    // --- Order, filter, search.
    QString IndexFieldNames() const { return m_index.fieldNames().join(u';'); }
    void SetIndexFieldNames(const QString& fields); // "A;B"; "" for data order
    void AddIndex(const QString& name, const QString& fields);
    QString IndexName() const { return m_index.name(); }
    void SetIndexName(const QString& name);
    QString Filter() const { return m_filterText; }
    // FIELD = 'text' [AND ...] (see filterparser.h); EDatabaseError if malformed.
    void SetFilter(const QString& filter);
    bool Filtered() const { return m_filtered; }
    void SetFiltered(bool filtered);
    // keyFields "A;B"; values one value or a QVariantList with one value per field.
    bool Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options = 0);

    // --- Controls. While disabled (nested), data sources and models hear nothing; enabling
    // again tells them the dataset changed, and the state when it did.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // Calculated fields read other data; when that changes, recompute them.
    void RefreshCalcFields();

    // --- Events.
    DataSetEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    DataSetEvent BeforeInsert, AfterInsert, OnNewRecord;
    DataSetEvent BeforeEdit, AfterEdit;
    DataSetEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    DataSetEvent BeforeDelete, AfterDelete;
    DataSetEvent BeforeScroll, AfterScroll, OnCalcFields;

    // --- Reading any visible row without moving the cursor (models, grids): 0-based rows
    // as the cursor sees them, a record being inserted included.
    int ViewCount() const { return int(m_view.size()); }
    int CurrentRow() const { return m_cursor; } // -1 when none
    QVariant RowValue(int row, const TField* field) const;
    // Runs fn with the dataset's active record set to `row` (fields read that row).
    void WithRow(int row, const std::function<void()>& fn) const;

    // --- Used by TField.
    QVariant fieldValue(const TField* field) const;
    QVariant fieldOldValue(const TField* field) const;
    void setFieldValue(TField* field, const QVariant& value);

signals:
    // For others than data sources (which are called directly); silent while disabled.
    void stateChanged();
    void dataSetChanged(); // records added, removed, reordered, reloaded: redraw everything
    void recordChanged(int row);
    void scrolled();

private:
    using Record = DataSetRecord;
    friend class TDataSource;
    class CalcScope;

    void attachSource(TDataSource* source);
    void detachSource(TDataSource* source);

    // Opening
    void openWith(DataSetRecords records);
    DataSetRecords recordsFromPacket(const DataPacket& packet);
    void bindFieldsToPacket(const DataPacket& packet, std::vector<int>* columnOfField);
    void requireInactive(const char* operation) const;
    void requireActive() const;
    void requireFields() const;
    void addFieldChecked(std::unique_ptr<TField> field);
    void renumberColumns();

    // Records and view
    Record* currentRecord() const;
    Record* activeRecord() const;
    std::unique_ptr<Record> newRecord() const;
    void rebuildView(Record* keep);
    void releaseRecords();
    void placeInView(Record* record);
    int viewIndexOf(const Record* record) const;
    qint64 orderBefore(const Record* before);
    void insertIntoData(std::unique_ptr<Record> record);
    void ensureCalculated(Record* record) const;
    void invalidateCalc(Record* record) const;
    QVariant recordValue(const Record& record, const TField* field) const;
    void beginInsert(bool append);
    void dropInserted();
    void checkRequired() const;

    // Filter
    bool matchesFilter(const Record& record) const;
    void applyFilter(const QString& text, bool filtered);

    // Cursor
    void setCursor(int row);

    // Notifications
    void setState(TDataSetState state);
    void notifyState();
    void notifyDataSet();
    void notifyRecord(int row);
    void notifyScroll();
    void notify(const std::function<void()>& signal,
                const std::function<void(TDataSource*)>& tellSource);
    void fire(const DataSetEvent& event);

    std::vector<std::unique_ptr<TField>> m_fields;
    std::vector<TField*> m_dataFields;
    std::vector<TField*> m_calcFields;
    bool m_fieldsFromPacket = false; // data fields were created by SetData
    quint64 m_fieldsGeneration = 1;

    DataSetRecords m_records;    // data order
    std::vector<Record*> m_view; // filtered, in index order
    ChangeLog m_log;
    quint64 m_nextId = 1;

    TDataSetState m_state = dsInactive;
    int m_cursor = -1;
    bool m_bof = true;
    bool m_eof = true;
    bool m_modified = false;
    bool m_logChanges = true;
    std::unique_ptr<Record> m_inserted; // owned while inserting, also placed in m_view
    Row m_backup;                       // values before Edit, restored by Cancel

    DataSetIndex m_index;

    QString m_filterText;
    bool m_filtered = false;
    DataSetFilter m_filter;

    int m_disableCount = 0;
    bool m_pendingNotify = false;
    mutable int m_calcDepth = 0;
    mutable const Record* m_readRecord = nullptr; // WithRow / calculation
    QList<TDataSource*> m_sources;
};

} // namespace dieta
