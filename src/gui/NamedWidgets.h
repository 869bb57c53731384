#pragma once

#include <QLatin1String>
#include <QString>
#include <QWidget>

#include <utility>

namespace orvex::gui {

// A new widget under its objectName, the name tests and the window's code find it by.
template <class W, class... Args> W* named(const char* name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)...);
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace orvex::gui
