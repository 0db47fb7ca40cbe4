#pragma once
// Controls bound to one field of a data source: TDBEdit (an edit that writes the field),
// TDBText (a label showing it) and TDBNavigator (first, prior, next, last). They follow the
// source's cursor, record and state changes; the navigator's buttons never take the focus.

#include "framework/framework_export.h"
#include "platform/tdatasource.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <functional>

class QToolButton;

namespace dieta {

class TDataSource;
class TField;

class FRAMEWORK_EXPORT TDBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDBEdit(QWidget* parent = nullptr);
    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const { return m_source; }
    void SetDataField(const QString& fieldName);
    QString DataField() const { return m_fieldName; }
    TField* Field() const; // nullptr while the dataset is closed or lacks the field

private:
    void refresh();
    void write(const QString& text);

    QPointer<TDataSource> m_source;
    QString m_fieldName;
    bool m_writing = false;
};

class FRAMEWORK_EXPORT TDBText : public QLabel {
    Q_OBJECT
public:
    explicit TDBText(QWidget* parent = nullptr);
    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const { return m_source; }
    void SetDataField(const QString& fieldName);
    QString DataField() const { return m_fieldName; }

private:
    void refresh();

    QPointer<TDataSource> m_source;
    QString m_fieldName;
};

class FRAMEWORK_EXPORT TDBNavigator : public QWidget {
    Q_OBJECT
public:
    explicit TDBNavigator(QWidget* parent = nullptr);
    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const { return m_source; }

    QToolButton* nbFirst = nullptr;
    QToolButton* nbPrior = nullptr;
    QToolButton* nbNext = nullptr;
    QToolButton* nbLast = nullptr;

private:
    QToolButton* makeButton(const QString& name, const QString& hint, int icon);
    void refresh();

    QPointer<TDataSource> m_source;
};

// Connects a control's refresh to every change a data source reports (helper of the above).
FRAMEWORK_EXPORT void followDataSource(TDataSource* source, QObject* control,
                                       const std::function<void()>& refresh);

} // namespace dieta
