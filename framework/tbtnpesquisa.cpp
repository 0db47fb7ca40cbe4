#include "framework/tbtnpesquisa.h"

#include "framework/abortguard.h"
#include "framework/lookups.h"
#include "platform/tclientdataset.h"
#include "platform/tdatasource.h"

#include <QLineEdit>
#include <QStyle>

namespace dieta {

TBtnPesquisa::TBtnPesquisa(QWidget* parent) : QToolButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    setFixedSize(21, 21);
    setToolTip(QStringLiteral("Pesquisar"));
    setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    connectGuarded(this, &QToolButton::clicked, this, [this] { Execute(); });
}

void TBtnPesquisa::SetEmptyText(const QString& text) {
    const qsizetype bar = m_title.indexOf(QLatin1Char('|'));
    m_title = (bar < 0 ? m_title : m_title.left(bar)) + QLatin1Char('|') + text;
}

bool TBtnPesquisa::Execute() {
    if (BeforePesq)
        BeforePesq();
    if (!m_source || !m_source->DataSet())
        return false;
    if (!Pesquisar(m_source, m_title, false, true, window()))
        return false;
    TClientDataSet* ds = m_source->DataSet();
    TField* code = m_codeField.isEmpty() ? ds->Fields(0) : ds->FieldByName(m_codeField);
    if (m_edit && code)
        m_edit->setText(code->AsString());
    if (AfterPesq)
        AfterPesq();
    return true;
}

} // namespace dieta
