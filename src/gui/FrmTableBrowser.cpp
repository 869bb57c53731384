#include "gui/FrmTableBrowser.h"

#include "Error.h"
#include "gui/BrowseTableModel.h"
#include "gui/KeyboardUse.h"
#include "gui/Twips.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace orvex::gui {

namespace {
template <class W, class... Args> W* named(const char* name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)...);
    w->setObjectName(QLatin1String(name));
    return w;
}

// "1200,3000": the column widths in twips.
QList<int> fieldSizes(const QString& sizes)
{
    QList<int> twips;
    for (const QString& size : sizes.split(QLatin1Char(',')))
        twips << size.trimmed().toInt();
    return twips;
}
} // namespace

FrmTableBrowser::FrmTableBrowser(db::Connection& connection, const BrowseRequest& request,
                                 const db::LogIdentity& identity, const WindowServices& services,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), m_services(services), m_browse(connection, request.PropTable, identity),
      m_model(new BrowseTableModel(m_browse, this)), m_txtFind(named<QLineEdit>("txtFind")),
      m_cmdFind(named<QPushButton>("cmdFind", QStringLiteral("&Find"))),
      m_grdBrowse(named<QTableView>("grdBrowse")), m_txtNewCode(named<QLineEdit>("txtNewCode")),
      m_txtNewDescription(named<QLineEdit>("txtNewDescription")),
      m_cmdAdd(named<QPushButton>("cmdAdd", QStringLiteral("&Add")))
{
    setObjectName(QStringLiteral("frmTableBrowser"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("%1 - %2").arg(m_browse.table(), request.PropDatabaseName));

    m_txtFind->setPlaceholderText(QStringLiteral("Code or words of the description"));
    m_txtNewCode->setPlaceholderText(QStringLiteral("code"));
    m_txtNewDescription->setPlaceholderText(QStringLiteral("Description"));
    m_grdBrowse->setModel(m_model);
    m_grdBrowse->setSelectionBehavior(QAbstractItemView::SelectRows);
    // No edit on any key: a stray keypress on a selected row must not reach the live table.
    m_grdBrowse->setEditTriggers(request.StaffAllowEdit
                                     ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                     : QAbstractItemView::NoEditTriggers);
    m_grdBrowse->verticalHeader()->hide();
    const Twips tw = Twips::of(this);
    const QList<int> sizes = fieldSizes(request.PropFieldSizes);
    for (int c = 0; c < sizes.size() && c < 2; ++c)
        m_grdBrowse->setColumnWidth(c, tw.px(sizes[c]));
    m_grdBrowse->horizontalHeader()->setStretchLastSection(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(named<QLabel>("lblFind", QStringLiteral("Find:")), 0, 0);
    grid->addWidget(m_txtFind, 0, 1, 1, 2);
    grid->addWidget(m_cmdFind, 0, 3);
    grid->addWidget(m_grdBrowse, 1, 0, 1, 4);
    grid->addWidget(named<QLabel>("lblNew", QStringLiteral("New row:")), 2, 0);
    grid->addWidget(m_txtNewCode, 2, 1);
    grid->addWidget(m_txtNewDescription, 2, 2);
    grid->addWidget(m_cmdAdd, 2, 3);
    auto* rowCount = named<QLabel>("lblRowCount");
    grid->addWidget(rowCount, 3, 0, 1, 4);
    connect(m_model, &BrowseTableModel::countChanged, rowCount,
            [this, rowCount] { rowCount->setText(m_model->countCaption()); });
    grid->setColumnStretch(2, 1);
    m_txtNewCode->setEnabled(request.StaffAllowadd);
    m_txtNewDescription->setEnabled(request.StaffAllowadd);
    m_cmdAdd->setEnabled(request.StaffAllowadd);
    resize(tw.px(9000), tw.px(7000));

    connect(m_cmdFind, &QPushButton::clicked, this, &FrmTableBrowser::find);
    connect(m_txtFind, &QLineEdit::returnPressed, this, &FrmTableBrowser::find);
    connect(m_cmdAdd, &QPushButton::clicked, this, &FrmTableBrowser::addRow);
    // Asked once the editor has closed: a box opened while the view commits would take the
    // editor's focus and commit it a second time.
    connect(m_model, &BrowseTableModel::changeProposed, this,
            [this](int row, const bridges::BrowseRow& before, const bridges::BrowseRow& after) {
                QMetaObject::invokeMethod(
                    this, [this, row, before, after] { confirmChange(row, before, after); },
                    Qt::QueuedConnection);
            });
    connect(m_model, &BrowseTableModel::failed, this,
            [this](const QString& message) { m_services.error(this, message); });
    // Find before listing: the grid stays empty until the first find.
    if (!request.propfindbeforelisting)
        find();
    m_txtFind->setFocus();
    pressButtonsOnReturn(this);
}

FrmTableBrowser::~FrmTableBrowser()
{
    m_grdBrowse->setModel(nullptr); // the model refers to m_browse, which goes after it
}

void FrmTableBrowser::keyPressEvent(QKeyEvent* event)
{
    // An open editor takes its own Escape (the edit is cancelled); this one closes the window.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FrmTableBrowser::confirmChange(int row, const bridges::BrowseRow& before,
                                    const bridges::BrowseRow& after)
{
    if (m_services.question(this, bridges::editQuestion(m_browse.table(), before, after),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes)
        m_model->saveChange(row, before, after);
    m_grdBrowse->setFocus();
}

void FrmTableBrowser::find()
{
    m_model->find(m_txtFind->text());
}

void FrmTableBrowser::addRow()
{
    const QString code = m_txtNewCode->text().trimmed();
    if (code.isEmpty()) {
        m_services.error(this, QStringLiteral("Type the code of the new row."));
        return;
    }
    const bridges::BrowseRow row{code, m_txtNewDescription->text()};
    QList<bridges::BrowseRow> existing;
    try {
        existing = m_browse.rowsWithCode(code);
    } catch (const Error& e) {
        m_services.error(this, e.message());
        return;
    }
    if (!existing.isEmpty() &&
        m_services.question(this, bridges::duplicateCodeQuestion(m_browse.table(), row, existing),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return; // the typed row stays for a correction
    if (!m_model->addRow(row))
        return;
    m_txtNewCode->clear();
    m_txtNewDescription->clear();
    showRow(row);
}

void FrmTableBrowser::showRow(const bridges::BrowseRow& row)
{
    // Found by its code, the new row is listed with any other row of that code.
    m_txtFind->setText(row.code.toString());
    find();
    const int at = m_model->rowOf(row);
    if (at < 0)
        return;
    const QModelIndex index = m_model->index(at, 0);
    m_grdBrowse->setCurrentIndex(index);
    m_grdBrowse->scrollTo(index);
    m_grdBrowse->setFocus();
}

} // namespace orvex::gui
