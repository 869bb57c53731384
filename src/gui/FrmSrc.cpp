#include "gui/FrmSrc.h"

#include "gui/Twips.h"
#include "ratelist/ListLoadJob.h"

#include <QFontMetrics>
#include <QListView>
#include <QStringListModel>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace orvex::gui {

// With uniform item sizes the list measures its first line only and cuts every longer one.
// This delegate gives every line the width of the widest, so each shows whole and the
// horizontal scroll bar reaches its end, while the list keeps the speed of uniform sizes.
class WholeLineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setWidth(int width) { m_width = width; }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(std::max(size.width(), m_width));
        return size;
    }

private:
    int m_width = 0;
};

FrmSrc::FrmSrc(QWidget* owner)
    : QWidget(owner, Qt::Window), m_list2(new QListView(this)), m_model(new QStringListModel(this)),
      m_delegate(new WholeLineDelegate(this))
{
    setObjectName(QStringLiteral("frmSRC"));
    setWindowTitle(QStringLiteral("ICD Updates"));
    // Shown beside the main window, which keeps the focus: keys still go to the source list.
    setAttribute(Qt::WA_ShowWithoutActivating);

    m_list2->setObjectName(QStringLiteral("List2"));
    m_list2->setModel(m_model);
    m_list2->setUniformItemSizes(true); // thousands of lines appear at once
    m_list2->setItemDelegate(m_delegate);
    m_list2->setTextElideMode(Qt::ElideNone);
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
    setLines(lines, ratelist::longestLines(lines, ratelist::ListLoadJob::kLongestLines));
}

// Measuring every line of a list of 100,000 lines takes about a second; the widest line is
// nearly always among the longest by characters, and only those are measured.
void FrmSrc::setLines(const QStringList& lines, const std::vector<int>& longest)
{
    m_list2->setUpdatesEnabled(false);
    const QFontMetrics metrics(m_list2->font());
    int widest = 0;
    for (const int i : longest)
        widest = std::max(widest, metrics.horizontalAdvance(lines.at(i)));
    // Room for the item's own margins (a few pixels on either side of the text).
    m_delegate->setWidth(widest + 4 * m_list2->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8);
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
