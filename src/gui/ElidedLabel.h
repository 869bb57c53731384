#pragma once

#include <QLabel>

namespace orvex::gui {

// A one-line label whose text never asks for room: what does not fit its width is cut and
// marked "…", and the tool-tip then shows the whole text (unless the label has a tool-tip
// of its own). text() is always the whole text.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text = {}, QWidget* parent = nullptr);

    void setElideMode(Qt::TextElideMode mode) { m_mode = mode; }
    bool isCut() const; // the text is wider than the label

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString shownText() const;

    Qt::TextElideMode m_mode = Qt::ElideRight;
};

} // namespace orvex::gui
