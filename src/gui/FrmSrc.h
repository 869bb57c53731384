#pragma once

#include <QStringList>
#include <QWidget>

#include <vector>

class QListView;
class QStringListModel;

namespace orvex::gui {
class WholeLineDelegate;
}

namespace orvex::gui {

// The second window, "ICD Updates": the lines the next scan will read, in List2. It has
// no behaviour of its own; the main window fills it and shows it modeless.
class FrmSrc : public QWidget
{
    Q_OBJECT
public:
    explicit FrmSrc(QWidget* owner = nullptr);

    // Replaces the whole list at once, the drawing held back meanwhile; every line as wide as
    // the widest of `longest` (indexes into `lines`, see ratelist::longestLines).
    void setLines(const QStringList& lines, const std::vector<int>& longest);
    void setLines(const QStringList& lines); // measures the longest lines itself
    QStringList lines() const;
    int lineCount() const;

    QListView* list2() const { return m_list2; }

private:
    QListView* m_list2;
    QStringListModel* m_model;
    WholeLineDelegate* m_delegate;
};

} // namespace orvex::gui
