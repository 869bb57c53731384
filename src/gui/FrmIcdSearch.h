#pragma once

#include "bridges/IcdSearchIndex.h"
#include "db/Connection.h"

#include <QDialog>

#include <optional>

class QLabel;
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
    // Opens at once and reads the codes from `connection` on a runner of its own (the
    // window's may be running a scan); typing is taken meanwhile and searched once the
    // codes have arrived. A failure closes the dialog as rejected; failure() says why.
    explicit FrmIcdSearch(const db::ConnectionSettings& connection, QWidget* parent = nullptr);

    bool isLoaded() const { return m_index.has_value(); }
    const QString& failure() const { return m_failure; }

    // The chosen code; empty before a choice.
    const bridges::IcdCode& chosen() const { return m_chosen; }

    void accept() override;

private:
    explicit FrmIcdSearch(QWidget* parent);
    void setIndex(bridges::IcdSearchIndex index);
    void search(const QString& text);

    std::optional<bridges::IcdSearchIndex> m_index;
    QString m_failure;
    QLabel* m_lblStatus;
    bridges::IcdCode m_chosen;
    QLineEdit* m_txtSearch;
    QTreeWidget* m_lsvResults;
    QDialogButtonBox* m_buttons;
};

} // namespace orvex::gui
