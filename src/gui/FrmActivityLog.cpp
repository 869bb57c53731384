#include "gui/FrmActivityLog.h"

#include "gui/NamedWidgets.h"
#include "text/VisibleText.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace orvex::gui {

namespace {
QStandardItem* cell(const QString& text)
{
    // One line per entry: a line break or control character in a log text is shown visibly.
    auto* item = new QStandardItem(text::visibleText(text));
    item->setEditable(false);
    return item;
}
} // namespace

FrmActivityLog::FrmActivityLog(QWidget* parent)
    : QWidget(parent, Qt::Window), m_txtFilter(named<QLineEdit>("txtLogFilter")),
      m_lblCount(named<QLabel>("lblLogCount")), m_grdLog(named<QTableView>("grdActivityLog")),
      m_entries(new QStandardItemModel(0, 4, this)), m_shown(new QSortFilterProxyModel(this))
{
    setObjectName(QStringLiteral("frmActivityLog"));
    setWindowTitle(QStringLiteral("Activity Log"));
    m_entries->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("User"),
                                          QStringLiteral("Workstation"), QStringLiteral("Text")});
    m_shown->setSourceModel(m_entries);
    m_shown->setFilterKeyColumn(-1); // any field
    m_shown->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_grdLog->setModel(m_shown);
    m_grdLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grdLog->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grdLog->verticalHeader()->hide();
    m_grdLog->horizontalHeader()->setStretchLastSection(true);
    m_txtFilter->setPlaceholderText(QStringLiteral("Filter"));
    m_txtFilter->setClearButtonEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_txtFilter);
    layout->addWidget(m_grdLog, 1);
    layout->addWidget(m_lblCount);
    resize(900, 500);

    connect(m_txtFilter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_shown->setFilterFixedString(text);
        showCount();
    });
}

void FrmActivityLog::showEntries(const QList<db::ActivityLogEntry>& entries)
{
    m_entries->removeRows(0, m_entries->rowCount());
    for (const db::ActivityLogEntry& e : entries)
        m_entries->appendRow({cell(e.timestamp), cell(e.user), cell(e.workstation), cell(e.text)});
    m_grdLog->resizeColumnsToContents();
    showCount();
}

void FrmActivityLog::showCount()
{
    const int all = m_entries->rowCount();
    const int shown = m_shown->rowCount();
    m_lblCount->setText(shown == all ? QStringLiteral("%1 entries").arg(all)
                                     : QStringLiteral("%1 of %2 entries").arg(shown).arg(all));
}

void FrmActivityLog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace orvex::gui
