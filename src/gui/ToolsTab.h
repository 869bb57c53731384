#pragma once

#include <QWidget>

class QCheckBox;

namespace orvex::gui {

// Tab "Tools": duplicates, the fix-format switch of the scan, the four ICD tables. The
// wiring of a tool's buttons lives in a file of its own beside this one.
class ToolsTab : public QWidget
{
    Q_OBJECT
public:
    explicit ToolsTab(QWidget* parent = nullptr);

    QCheckBox* chkFixFormat() const { return m_chkFixFormat; }

private:
    QCheckBox* m_chkFixFormat = nullptr;
};

} // namespace orvex::gui
