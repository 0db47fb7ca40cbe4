#include "framework/dbcontrols.h"

#include "framework/abortguard.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace dieta {

void followDataSource(TDataSource* source, QObject* control, const std::function<void()>& refresh) {
    if (!source)
        return;
    QObject::connect(source, &TDataSource::dataSetChanged, control, refresh);
    QObject::connect(source, &TDataSource::stateChanged, control, refresh);
    QObject::connect(source, &TDataSource::recordChanged, control, refresh);
    QObject::connect(source, &TDataSource::scrolled, control, refresh);
}

namespace {

TField* boundField(TDataSource* source, const QString& name) {
    if (!source || name.isEmpty() || source->State() == dsInactive)
        return nullptr;
    TClientDataSet* ds = source->DataSet();
    return ds ? ds->FindField(name) : nullptr;
}

QString fieldText(TField* field, bool display) {
    if (!field || field->DataSet()->CurrentRow() < 0)
        return QString();
    try {
        return display ? field->DisplayText() : field->Text();
    } catch (...) {
        return QString();
    }
}

} // namespace

// --- TDBEdit ---

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent) {
    connectGuarded(this, &QLineEdit::textEdited, this,
                   [this](const QString& text) { write(text); });
}

void TDBEdit::SetDataSource(TDataSource* source) {
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    followDataSource(source, this, [this] { refresh(); });
    refresh();
}

void TDBEdit::SetDataField(const QString& fieldName) {
    m_fieldName = fieldName;
    refresh();
}

TField* TDBEdit::Field() const {
    return boundField(m_source, m_fieldName);
}

void TDBEdit::refresh() {
    if (m_writing)
        return;
    TField* field = Field();
    const QString text = fieldText(field, !hasFocus());
    if (text != this->text())
        setText(text);
}

void TDBEdit::write(const QString& text) {
    TField* field = Field();
    if (!field || isReadOnly())
        return;
    TClientDataSet* ds = field->DataSet();
    m_writing = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_writing};
    if (ds->State() == dsBrowse)
        ds->Edit();
    field->SetAsString(text);
}

// --- TDBText ---

TDBText::TDBText(QWidget* parent) : QLabel(parent) {}

void TDBText::SetDataSource(TDataSource* source) {
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    followDataSource(source, this, [this] { refresh(); });
    refresh();
}

void TDBText::SetDataField(const QString& fieldName) {
    m_fieldName = fieldName;
    refresh();
}

void TDBText::refresh() {
    setText(fieldText(boundField(m_source, m_fieldName), true));
}

// --- TDBNavigator ---

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    nbFirst = makeButton(QStringLiteral("nbFirst"), QStringLiteral("Primeiro"),
                         QStyle::SP_MediaSkipBackward);
    nbPrior = makeButton(QStringLiteral("nbPrior"), QStringLiteral("Anterior"),
                         QStyle::SP_MediaSeekBackward);
    nbNext = makeButton(QStringLiteral("nbNext"), QStringLiteral("Próximo"),
                        QStyle::SP_MediaSeekForward);
    nbLast =
        makeButton(QStringLiteral("nbLast"), QStringLiteral("Último"), QStyle::SP_MediaSkipForward);
    for (QToolButton* b : {nbFirst, nbPrior, nbNext, nbLast})
        layout->addWidget(b);
    auto act = [this](QToolButton* button, void (TClientDataSet::*step)()) {
        connectGuarded(button, &QToolButton::clicked, this, [this, step] {
            if (m_source && m_source->DataSet() && m_source->DataSet()->Active())
                (m_source->DataSet()->*step)();
        });
    };
    act(nbFirst, &TClientDataSet::First);
    act(nbPrior, &TClientDataSet::Prior);
    act(nbNext, &TClientDataSet::Next);
    act(nbLast, &TClientDataSet::Last);
    refresh();
}

QToolButton* TDBNavigator::makeButton(const QString& name, const QString& hint, int icon) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    button->setIcon(style()->standardIcon(QStyle::StandardPixmap(icon)));
    return button;
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    followDataSource(source, this, [this] { refresh(); });
    refresh();
}

void TDBNavigator::refresh() {
    TClientDataSet* ds = m_source ? m_source->DataSet() : nullptr;
    const bool browse = ds && m_source->State() == dsBrowse && !ds->IsEmpty();
    const int row = ds ? ds->CurrentRow() : -1;
    const int last = ds ? ds->ViewCount() - 1 : -1;
    nbFirst->setEnabled(browse && row > 0);
    nbPrior->setEnabled(browse && row > 0);
    nbNext->setEnabled(browse && row < last);
    nbLast->setEnabled(browse && row < last);
}

} // namespace dieta
