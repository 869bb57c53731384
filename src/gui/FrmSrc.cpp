#include "gui/FrmSrc.h"

#include "gui/Twips.h"

#include <QListView>
#include <QStringListModel>
#include <QVBoxLayout>

namespace orvex::gui {

FrmSrc::FrmSrc(QWidget* owner)
    : QWidget(owner, Qt::Window), m_list2(new QListView(this)), m_model(new QStringListModel(this))
{
    setObjectName(QStringLiteral("frmSRC"));
    setWindowTitle(QStringLiteral("ICD Updates"));

    m_list2->setObjectName(QStringLiteral("List2"));
    m_list2->setModel(m_model);
    m_list2->setUniformItemSizes(true); // thousands of lines appear at once
    m_list2->setEditTriggers(QAbstractItemView::NoEditTriggers);

    // Inner area 5,940 by 7,515 twips; List2 at 120, 120 fills it.
    const Twips tw = Twips::of(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(tw.px(120), tw.px(120), tw.px(120), tw.px(120));
    layout->addWidget(m_list2);
    resize(tw.px(5940), tw.px(7515));
}

void FrmSrc::setLines(const QStringList& lines)
{
    m_list2->setUpdatesEnabled(false);
    m_model->setStringList(lines);
    m_list2->setUpdatesEnabled(true);
}

QStringList FrmSrc::lines() const
{
    return m_model->stringList();
}

int FrmSrc::lineCount() const
{
    return m_model->rowCount();
}

} // namespace orvex::gui
