#pragma once

#include "bridges/IcdSearchIndex.h"

#include <QDialog>

class QLineEdit;
class QTreeWidget;
class QDialogButtonBox;

namespace orvex::gui {

// The ICD code search dialog: matches show as the user types (code prefix or words of the
// description, best first); Enter, a double-click or OK chooses the selected one.
class FrmIcdSearch : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kShownMatches = 200;

    explicit FrmIcdSearch(bridges::IcdSearchIndex index, QWidget* parent = nullptr);

    // The chosen code; empty before a choice.
    const bridges::IcdCode& chosen() const { return m_chosen; }

    void accept() override;

private:
    void search(const QString& text);

    bridges::IcdSearchIndex m_index;
    bridges::IcdCode m_chosen;
    QLineEdit* m_txtSearch;
    QTreeWidget* m_lsvResults;
    QDialogButtonBox* m_buttons;
};

} // namespace orvex::gui
