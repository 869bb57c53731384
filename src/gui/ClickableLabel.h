#pragma once

#include <QLabel>

namespace orvex::gui {

// A caption that acts on a click (the view labels of the window's header).
class ClickableLabel : public QLabel
{
    Q_OBJECT
public:
    ClickableLabel(const QString& text, QWidget* parent);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace orvex::gui
