#pragma once

#include "bridges/IcdTableBrowse.h"
#include "gui/BrowseComponents.h"
#include "gui/WindowServices.h"

#include <QWidget>

#include <memory>

class QLineEdit;
class QPushButton;
class QTableView;

namespace orvex::gui {

class BrowseTableModel;

// A table browser window over one ICD table: the find box first, then the matching rows
// (code and description), fetched as they scroll into view. A cell is edited in place (on a
// double-click or F2; Escape cancels) and saved only once the user agreed to the old and new
// value shown; a row is added below (after a question when its code exists already) and shown; nothing is
// deleted. A refused change shows the database's message. Escape, when nothing is being edited, closes the
// window.
class FrmTableBrowser : public QWidget
{
    Q_OBJECT
public:
    FrmTableBrowser(db::Connection& connection, const BrowseRequest& request, const db::LogIdentity& identity,
                    const WindowServices& services, QWidget* parent = nullptr);
    ~FrmTableBrowser() override;

    BrowseTableModel* model() const { return m_model; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void find();
    void confirmChange(int row, const bridges::BrowseRow& before, const bridges::BrowseRow& after);
    // Adds the typed row, after a question when its code is in the table already.
    void addRow();
    void showRow(const bridges::BrowseRow& row);

    const WindowServices& m_services;
    bridges::IcdTableBrowse m_browse;
    BrowseTableModel* m_model;
    QLineEdit* m_txtFind;
    QPushButton* m_cmdFind;
    QTableView* m_grdBrowse;
    QLineEdit* m_txtNewCode;
    QLineEdit* m_txtNewDescription;
    QPushButton* m_cmdAdd;
};

} // namespace orvex::gui
