#include "gui/FrmIcdSearch.h"

#include "bridges/IcdSearchIndexJob.h"
#include "gui/JobRunner.h"
#include "gui/Twips.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace orvex::gui {

FrmIcdSearch::FrmIcdSearch(bridges::IcdSearchIndex index, QWidget* parent) : FrmIcdSearch(parent)
{
    setIndex(std::move(index));
}

FrmIcdSearch::FrmIcdSearch(const db::ConnectionSettings& connection, QWidget* parent) : FrmIcdSearch(parent)
{
    auto* runner = new JobRunner(this);
    auto load = std::make_shared<bridges::IcdSearchIndexJob>();
    connect(runner, &JobRunner::finished, this, [this, load](jobs::Job*, const jobs::JobOutcome&) {
        if (std::optional<bridges::IcdSearchIndex> index = load->takeIndex())
            setIndex(std::move(*index));
    });
    connect(runner, &JobRunner::failed, this, [this](const QString& message) {
        m_failure = message;
        reject();
    });
    jobs::JobContext context;
    context.connection = connection;
    runner->start(load, context);
}

FrmIcdSearch::FrmIcdSearch(QWidget* parent)
    : QDialog(parent), m_lblStatus(new QLabel(QStringLiteral("Reading the ICD codes..."))),
      m_txtSearch(new QLineEdit), m_lsvResults(new QTreeWidget),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setObjectName(QStringLiteral("frmIcdSearch"));
    setWindowTitle(QStringLiteral("ICD-10 code search"));
    m_txtSearch->setObjectName(QStringLiteral("txtSearch"));
    m_txtSearch->setPlaceholderText(QStringLiteral("Code, or words of the description in any order"));
    m_lsvResults->setObjectName(QStringLiteral("lsvResults"));
    m_lsvResults->setHeaderLabels({QStringLiteral("Code"), QStringLiteral("Description")});
    m_lsvResults->setRootIsDecorated(false);
    m_lsvResults->setUniformRowHeights(true);
    m_buttons->setObjectName(QStringLiteral("buttons"));
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));

    const Twips tw = Twips::of(this);
    m_lsvResults->setColumnWidth(0, tw.px(1200));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("&Find:"));
    label->setBuddy(m_txtSearch);
    layout->addWidget(label);
    layout->addWidget(m_txtSearch);
    layout->addWidget(m_lblStatus);
    layout->addWidget(m_lsvResults, 1);
    layout->addWidget(m_buttons);
    resize(tw.px(8000), tw.px(6000));

    connect(m_txtSearch, &QLineEdit::textChanged, this, &FrmIcdSearch::search);
    connect(m_lsvResults, &QTreeWidget::itemDoubleClicked, this, &FrmIcdSearch::accept);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &FrmIcdSearch::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &FrmIcdSearch::reject);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
}

void FrmIcdSearch::setIndex(bridges::IcdSearchIndex index)
{
    m_index = std::move(index);
    m_lblStatus->hide();
    search(m_txtSearch->text()); // what was typed while the codes were read
}

void FrmIcdSearch::search(const QString& text)
{
    if (!m_index)
        return;
    m_lsvResults->clear();
    QList<QTreeWidgetItem*> items;
    for (const bridges::IcdCode& c : m_index->find(text, kShownMatches))
        items << new QTreeWidgetItem(QStringList{c.code, c.description});
    m_lsvResults->addTopLevelItems(items);
    if (!items.isEmpty())
        m_lsvResults->setCurrentItem(items.first());
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!items.isEmpty());
}

void FrmIcdSearch::accept()
{
    const QTreeWidgetItem* item = m_lsvResults->currentItem();
    if (!item)
        return;
    m_chosen = {item->text(0), item->text(1)};
    QDialog::accept();
}

} // namespace orvex::gui
