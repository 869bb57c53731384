#pragma once

#include <QWidget>

namespace orvex::gui {

// Tab "Online Update": the pull of ICD updates from the central server. The wiring of its
// buttons lives in a file of its own beside this one.
class OnlineUpdateTab : public QWidget
{
    Q_OBJECT
public:
    explicit OnlineUpdateTab(QWidget* parent = nullptr);
};

} // namespace orvex::gui
